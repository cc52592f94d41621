#!/bin/bash
# Starts the built calendar under Wine. With a display it appears there;
# without one it runs on a private Xvfb and a screenshot is saved.
set -u
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
exe=$build/Mosaryn.exe
[ -f "$exe" ] || { echo "run-app: $exe is missing; build first" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting Mosaryn on $DISPLAY (it lives in the notification area; Alt+C shows or hides it)."
    exec "$build/wine-run" "$exe"
fi

# Headless: own Xvfb, start the program, wait for its window, take a screenshot.
export MOSARYN_KEEP_WINE=1
. "$here/xvfb-session.sh"
xvfb_session_start || exit 1
"$build/wine-run" "$exe" &
app=$!
for _ in $(seq 1 100); do
    xdotool search --name '^Mosaryn$' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 1
import -window root "$build/screenshot.png"
echo "No display: Mosaryn runs on the private display $DISPLAY."
echo "Screenshot of that display saved to $build/screenshot.png"
echo "Press Ctrl+C to end it."
trap 'kill $app 2>/dev/null; WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null; xvfb_session_stop; exit 0' INT TERM
wait $app
WINEPREFIX=$build/wineprefix wineserver -k 2>/dev/null
xvfb_session_stop
