# Sourced: starts a private Xvfb and exports DISPLAY; xvfb_session_stop ends it.
xvfb_session_pid=
xvfb_session_start() {
    local n
    for n in $(seq 141 190); do
        if [ -e "/tmp/.X$n-lock" ]; then
            # A lock whose server is gone does not hold the display.
            kill -0 "$(tr -dc 0-9 <"/tmp/.X$n-lock")" 2>/dev/null && continue
            rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        fi
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_session_pid=$!
        for _ in $(seq 1 50); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$xvfb_session_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb_session_pid" >/dev/null 2>&1
        xvfb_session_pid=
    done
    echo "could not start Xvfb" >&2
    return 1
}
xvfb_session_stop() {
    [ -n "$xvfb_session_pid" ] && kill "$xvfb_session_pid" >/dev/null 2>&1 && wait "$xvfb_session_pid" 2>/dev/null
    xvfb_session_pid=
}
