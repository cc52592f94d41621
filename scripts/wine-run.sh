#!/bin/bash
# Runs one Windows program under Wine with the build tree's private prefix.
#   wine-run.sh program.exe [args...]
# The prefix lives in $MOSARYN_BUILD_DIR/wineprefix and is made on first use
# without any download. Without a DISPLAY a private Xvfb is started for the run.
# The installed `mosaryn` launcher gives it the per-user data directory instead.
# Everything started here (Wine processes, Xvfb) is stopped before returning,
# unless MOSARYN_KEEP_WINE=1 (used by scripts that drive several programs).
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${MOSARYN_BUILD_DIR:-$here/../build}
mkdir -p "$build"
build=$(cd "$build" && pwd)

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
WINE=${WINE:-wine}
command -v "$WINE" >/dev/null 2>&1 || WINE=wine64

xvfb_pid=
cleanup() {
    if [ "${MOSARYN_KEEP_WINE:-0}" != 1 ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" >/dev/null 2>&1
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb() {
    local n
    for n in $(seq 91 140); do
        if [ -e "/tmp/.X$n-lock" ]; then
            # A lock whose server is gone does not hold the display.
            kill -0 "$(tr -dc 0-9 <"/tmp/.X$n-lock")" 2>/dev/null && continue
            rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb_pid" >/dev/null 2>&1
        xvfb_pid=
    done
    echo "wine-run: could not start Xvfb" >&2
    return 1
}

if [ -z "${DISPLAY:-}" ]; then
    start_xvfb || exit 1
    echo "$DISPLAY" >"$build/.xvfb-display"
fi

# One prefix per build tree, made once (serialised, in case tests run in parallel).
(
    flock 9
    stamp=$(md5sum <"$here/wine-fonts.reg" | cut -d' ' -f1)
    if [ ! -f "$WINEPREFIX/.mosaryn-ready" ]; then
        rm -rf "$WINEPREFIX"
        "$WINE" wineboot --init >/dev/null 2>&1
        wineserver -w
    fi
    # The prefix's settings follow the project's registry file whenever it changes.
    if [ "$(cat "$WINEPREFIX/.mosaryn-ready" 2>/dev/null)" != "$stamp" ]; then
        "$WINE" regedit "$here/wine-fonts.reg" >/dev/null 2>&1
        wineserver -w
        echo "$stamp" >"$WINEPREFIX/.mosaryn-ready"
    fi
) 9>"$build/.wineprefix.lock"

"$WINE" "$@"
