#!/bin/bash
# Starts the installed calendar under Wine.
#   mosaryn            starts the calendar, or shows and raises the one that runs
#   mosaryn --toggle   shows, raises or hides it as its hot key does (starts it when none runs);
#                      bind this to a key in the desktop's keyboard settings
#   mosaryn --exit     ends the running calendar and waits until it has ended
# Other arguments go to the program (/export <file>, /import <file>).
# The program keeps qv.ini and qv.dat beside itself, so it runs from a copy in the per-user
# data directory, which also holds the Wine prefix (made on first start, without any download).
set -eu
self=$(readlink -f "$0")
prefix=$(cd "$(dirname "$self")/.." && pwd)
lib=$prefix/lib/mosaryn
data=${XDG_DATA_HOME:-$HOME/.local/share}/mosaryn
case ${1:-} in
--toggle) set -- /toggle ;;
--exit)
    # Nothing can run without the prefix; do not make one just to find that out.
    [ -f "$data/wineprefix/.mosaryn-ready" ] && [ -f "$data/Mosaryn.exe" ] || exit 0
    set -- /exit
    ;;
esac
mkdir -p "$data"
# Replaced by renaming, never rewritten in place: a running copy keeps its file.
if [ "${1:-}" != /exit ] && ! cmp -s "$lib/Mosaryn.exe" "$data/Mosaryn.exe"; then
    cp "$lib/Mosaryn.exe" "$data/Mosaryn.exe.new"
    mv -f "$data/Mosaryn.exe.new" "$data/Mosaryn.exe"
fi
# "Start at logon" on the General page keeps the desktop's autostart entry, a copy of this
# install's menu entry, instead of a Run value in the private prefix that nothing reads at logon.
windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
export MOSARYN_AUTOSTART_ENTRY MOSARYN_DESKTOP_ENTRY
MOSARYN_AUTOSTART_ENTRY=$(windows_path "${XDG_CONFIG_HOME:-$HOME/.config}/autostart/mosaryn.desktop")
MOSARYN_DESKTOP_ENTRY=$(windows_path "$prefix/share/applications/mosaryn.desktop")
# A second start only raises the running calendar: Wine must not be stopped under it. The
# private prefix adds nothing to the user's menus and file types (Wine's menu builder).
export MOSARYN_BUILD_DIR=$data WINEPREFIX=$data/wineprefix MOSARYN_KEEP_WINE=1
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec "$lib/wine-run.sh" "$data/Mosaryn.exe" "$@"
