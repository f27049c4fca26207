# Starts Xvfb on a free display and exports DISPLAY; stopXvfb ends it.
# startXvfb [WIDTHxHEIGHT]: the screen size, 1024x768 unless given. Xvfb
# picks the free display itself (-displayfd), so runs side by side never
# share or steal one another's server. -noreset: by default the server
# resets when its last client leaves and drops every connection still in
# its handshake, so a test's next xdotool (or the game itself) starting as
# the previous client ends fails with "Can't open display"; a test has
# moments with no client at all (between the setup tool and the game,
# right after the readiness probe below).
startXvfb() {
    xvfbDisplayFile="$(mktemp "${TMPDIR:-/tmp}/voltari-xvfb-XXXXXX")"
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp -noreset 3>"$xvfbDisplayFile" >/dev/null 2>&1 &
    XVFB_PID=$!
    i=0
    while ! [ -s "$xvfbDisplayFile" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start" >&2
            rm -f "$xvfbDisplayFile"
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(cat "$xvfbDisplayFile")"
    rm -f "$xvfbDisplayFile"
    i=0
    while ! xdpyinfo >/dev/null 2>&1 && ! xdotool getmouselocation >/dev/null 2>&1; do
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "Xvfb did not answer" >&2; return 1; }
        sleep 0.1
    done
}
# findWindow SECONDS SEARCH...: the first window `xdotool search SEARCH`
# finds, waiting up to SECONDS for one. A search dies of BadWindow when a
# window it looks at is destroyed meanwhile (the setup tool closing as the
# game opens), so it is not left waiting (--sync) but asked again.
findWindow() {
    limit=$(($1 * 10))
    shift
    i=0
    while :; do
        found="$(xdotool search "$@" 2>/dev/null | head -n1)"
        [ -n "$found" ] && { echo "$found"; return 0; }
        i=$((i + 1))
        [ $i -lt $limit ] || return 1
        sleep 0.1
    done
}
stopXvfb() {
    [ -n "${XVFB_PID:-}" ] || return 0
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
}

# installGameCopy SRC NAME: copies the game folder SRC into a fresh
# temporary folder (its path in work), installs the program the way the
# setup tool does (the parked file gets its final name) and writes a
# windowed, joystick-free, music-on setup.ini. The exit trap ends the game
# (its process id in game), the X server and removes the folder.
installGameCopy() {
    work="$(mktemp -d "/tmp/voltari-$2-XXXXXX")"
    game=""
    trap 'cleanupGameCopy' EXIT
    cp -r "$1"/. "$work"/
    if [ -e "$work/VLwait.nul" ]; then
        rm -f "$work/VOLTARI.exe"
        mv "$work/VLwait.nul" "$work/VOLTARI.exe"
    fi
    printf '\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  1.1.2026/0:0\njoy0\nfullscreen0\nxspeed0\nsound1\nsbots0' > "$work/setup.ini"
}
cleanupGameCopy() {
    [ -n "$game" ] && kill "$game" 2>/dev/null
    stopXvfb
    rm -rf "$work"
}
