#!/bin/sh
# Plays the game as a person would: installs it the way the setup tool does
# (the parked program gets its final name), starts it in a real window,
# walks the menu, plays a two-person rally with both players' keys, aborts
# with Escape, quits with Escape and expects exit status 0. Along the way
# the window's pixels are compared with the data files at fixed places.
set -eu
src="$(cd "$1" && pwd)"
wincheck="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xvfb.sh"

work="$(mktemp -d /tmp/voltari-e2e-XXXXXX)"
game=""
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null
    stopXvfb
    rm -rf "$work"
}
trap cleanup EXIT
cp -r "$src"/. "$work"/
rm -f "$work/VOLTARI.exe"
mv "$work/VLwait.nul" "$work/VOLTARI.exe"
printf '\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  1.1.2026/0:0\njoy0\nfullscreen0\nxspeed0\nsound1\nsbots0' > "$work/setup.ini"

startXvfb
cd "$work"
SDL_AUDIODRIVER=dummy ./VOLTARI.exe > "$work/out.txt" 2>&1 &
game=$!

wid="$(timeout 20 xdotool search --sync --name '^VOLTARI$' | head -n1)"
[ -n "$wid" ] || { echo "no VOLTARI window" >&2; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || true

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# grab FILE SX SY W H X Y [--scan X1 Y1]: sets share, at_x, at_y
grab() {
    out="$("$wincheck" "$wid" "$@" || true)"
    set -- $out
    share="${2:-0}"
    at_x="${4:--1}"
    at_y="${5:--1}"
}
atLeast() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }
# expect WHAT FILE SX SY W H X Y: the picture is there now
expect() {
    what="$1"
    shift
    grab "$@"
    echo "$what: $share"
    atLeast "$share" 0.98 || fail "$what: only $share of the pixels match"
}
# expectNot WHAT FILE SX SY W H X Y: the picture is not there
expectNot() {
    what="$1"
    shift
    grab "$@"
    echo "$what: $share"
    atLeast "$share" 0.90 && fail "$what: $share of the pixels match"
    return 0
}
# waitFor SECONDS WHAT FILE SX SY W H X Y: the picture appears in time
waitFor() {
    limit=$(($1 * 10))
    what="$2"
    shift 2
    i=0
    while :; do
        grab "$@"
        atLeast "$share" 0.98 && break
        i=$((i + 1))
        if [ $i -ge $limit ]; then
            fail "$what did not appear (best $share)"
            return 0
        fi
        sleep 0.1
    done
    echo "$what: $share"
}
# paddle WHICH X0 Y0 X1 Y1: finds the paddle in the box, sets px, py
paddle() {
    what="$1"
    shift
    grab paddle.dat 0 0 20 80 "$1" "$2" --scan "$3" "$4"
    px="$at_x"
    py="$at_y"
    echo "$what found at $px,$py: $share"
    atLeast "$share" 0.98 || fail "$what not found (best $share at $px,$py)"
}
hold() {
    echo "$(date +%T.%N | cut -c1-12) hold $*"
    seconds="$1"
    shift
    xdotool keydown --delay 0 "$@"
    sleep "$seconds"
    xdotool keyup --delay 0 "$@"
}

# The logo fades in and out, then the menu shows the first page. Keys
# pressed during the page's 200 ms pause are swept away with the events
# the menu discards, so every menu key waits a moment first.
settle() { sleep 0.5; }
waitFor 25 "menu, two players" pic_1.dat 0 0 700 200 50 150
settle
expectNot "menu, not the second page" pic_2.dat 0 0 700 200 50 150
xdotool key Down
waitFor 5 "menu after Down" pic_2.dat 0 0 700 200 50 150
settle
xdotool key Up
waitFor 5 "menu after Up" pic_1.dat 0 0 700 200 50 150
settle

# Two players. The labels come with the first full picture of the court;
# the ball starts rolling right then, from (390, 290) at 100 px/s each way.
xdotool key Return
waitFor 10 "left player label" CPUPlayer.dat 0 0 140 18 0 0
served="$(date +%s.%N)"
expect "right player label" CPUPlayer.dat 0 0 140 18 660 0
expect "left score 0" sheet.gfx 0 0 40 52 343 5
expect "score separator" sheet.gfx 575 0 11 52 393 5
expect "right score 0" sheet.gfx 0 0 40 52 418 5
expectNot "no score 1" sheet.gfx 40 0 40 52 343 5
expect "left paddle at the start" paddle.dat 0 0 20 80 0 260
expect "right paddle at the start" paddle.dat 0 0 20 80 779 260

# Both players move: down and right on the left, up and left on the right...
hold 0.4 s d Up Left
paddle "left paddle" 0 0 281 520
lx="$px" ly="$py"
paddle "right paddle" 500 0 780 520
rx="$px" ry="$py"
[ "$lx" -gt 20 ] && [ "$ly" -gt 300 ] || fail "left paddle did not go right and down"
[ "$rx" -lt 759 ] && [ "$ry" -lt 220 ] || fail "right paddle did not go left and up"
# ...and back: up and left, down and right.
hold 0.2 w a Down Right
paddle "left paddle" 0 0 281 520
[ "$px" -lt "$lx" ] && [ "$py" -lt "$ly" ] || fail "left paddle did not come back up and left"
paddle "right paddle" 500 0 780 520
[ "$px" -gt "$rx" ] && [ "$py" -gt "$ry" ] || fail "right paddle did not come back down and right"

# The right player meets the ball: it bounces off the bottom wall and
# reaches the right edge near y 500 about 3.7 s after the serve. Back to
# the wall and down to y 470 at the rally speed of 300 px/s.
hold "$(awk -v y="$py" 'BEGIN { printf "%.2f", (470 - y) / 300 }')" Down Right
sleep "$(awk -v s="$served" -v now="$(date +%s.%N)" 'BEGIN { d = s + 4.8 - now; printf "%.2f", (d > 0 ? d : 0) }')"
# The paddle that played the ball last is drawn half transparent, and the
# ball is on its way back: nobody has scored.
grab paddle.dat 0 0 20 80 700 0 --scan 780 520
echo "right paddle after the stroke: $share"
atLeast "$share" 0.90 && fail "right paddle still opaque: no stroke"
expect "left score still 0" sheet.gfx 0 0 40 52 343 5
expect "right score still 0" sheet.gfx 0 0 40 52 418 5

# Escape aborts the match; the menu comes back without a banner.
xdotool key Escape
waitFor 10 "menu after the match" pic_1.dat 0 0 700 200 50 150
settle
xdotool key Escape        # quit from the menu

i=0
while kill -0 "$game" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 300 ]; then
        echo "game did not quit" >&2
        exit 1
    fi
    sleep 0.1
done
status=0
wait "$game" || status=$?
game=""
cat "$work/out.txt"
if [ $status -ne 0 ]; then
    echo "game ended with status $status" >&2
    exit 1
fi
if [ $failures -ne 0 ]; then
    echo "e2e: $failures picture checks failed" >&2
    exit 1
fi
echo "e2e: played, checked and quit with status 0"
