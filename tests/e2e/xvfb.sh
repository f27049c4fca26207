# Starts Xvfb on a free display and exports DISPLAY; stopXvfb ends it.
# startXvfb [WIDTHxHEIGHT]: the screen size, 1024x768 unless given. The
# search for a free display starts at XVFB_FIRST_DISPLAY (90 unless set).
startXvfb() {
    n=${XVFB_FIRST_DISPLAY:-90}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 "${1:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    i=0
    while ! xdpyinfo >/dev/null 2>&1 && ! xdotool getmouselocation >/dev/null 2>&1; do
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
}
stopXvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null || true
}
