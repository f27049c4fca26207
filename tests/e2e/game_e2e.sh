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

installGameCopy "$src" e2e

startXvfb
cd "$work"
# A real window even when the suite runs with the headless video driver.
unset SDL_VIDEODRIVER
SDL_AUDIODRIVER=dummy ./VOLTARI.exe > "$work/out.txt" 2>&1 &
game=$!

wid="$(findWindow 20 --name '^VOLTARI$')" || { echo "no VOLTARI window" >&2; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || true

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Checks look at the window itself, or at a snapshot of it taken earlier
# with snap when the moment matters more than the time a check takes.
pic="$wid"
snap() { "$wincheck" --grab "$wid" "$work/$1.bmp" || fail "cannot grab the window"; }
# grab FILE SX SY W H X Y [--scan X1 Y1]: sets share, at_x, at_y
grab() {
    out="$("$wincheck" "$pic" "$@" || true)"
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
now() { date +%s.%N; }
hold() {
    echo "$(date +%T.%N | cut -c1-12) hold $*"
    seconds="$1"
    shift
    xdotool keydown --delay 0 "$@"
    sleep "$seconds"
    xdotool keyup --delay 0 "$@"
}

# menuKey KEY WHAT FILE SX SY W H X Y: presses KEY until the picture it
# brings shows. When the menu comes up it sweeps away the keys that came
# before, and nothing on screen tells when that has happened, so a key that
# changed nothing within two seconds was swept and is pressed again. Later
# keys in the menu are never swept.
menuKey() {
    key="$1"
    what="$2"
    shift 2
    for try in 1 2 3; do
        xdotool key "$key"
        i=0
        while [ $i -lt 20 ]; do
            grab "$@"
            if atLeast "$share" 0.98; then
                echo "$what: $share (key pressed $try times)"
                return 0
            fi
            i=$((i + 1))
            sleep 0.1
        done
    done
    fail "$what did not appear (best $share)"
}

# The logo fades in and out, then the menu shows the first page.
waitFor 25 "menu, two players" pic_1.dat 0 0 700 200 50 150
expectNot "menu, not the second page" pic_2.dat 0 0 700 200 50 150
menuKey Down "menu after Down" pic_2.dat 0 0 700 200 50 150
xdotool key Up
waitFor 5 "menu after Up" pic_1.dat 0 0 700 200 50 150

# Two players. The labels come with the first full picture of the court;
# the ball starts rolling right then, from (390, 290) at 100 px/s each way.
xdotool key Return
waitFor 10 "left player label" CPUPlayer.dat 0 0 140 18 0 0
served="$(now)"
since() { awk -v s="$served" -v now="$(now)" 'BEGIN { printf "%.2f", now - s }'; }
snap serve
# Both players move: down and right on the left, up and left on the right.
hold 0.15 s d Up Left
snap moved
# Then back the other way; the right player goes to meet the ball. It
# bounces off the bottom wall and reaches the right edge near y 500 about
# 3.7 s after the serve, so the paddle goes back to the wall and down
# until its top is between y 430 and 480 (it covers the ball then): held
# down while far away, then in short taps, looking after each one.
echo "$(date +%T.%N | cut -c1-12) steer"
xdotool keydown --delay 0 w a Down Right
sleep 0.2
xdotool keyup --delay 0 w a
lookRight() { grab paddle.dat 0 0 20 80 500 0 --scan 780 520; }
i=0
while [ $i -lt 50 ]; do
    lookRight
    atLeast "$share" 0.98 && [ "$at_y" -ge 350 ] && break
    i=$((i + 1))
done
xdotool keyup --delay 0 Down Right
i=0
while [ $i -lt 20 ]; do
    lookRight
    if atLeast "$share" 0.98 && [ "$at_y" -ge 430 ] && [ "$at_y" -le 480 ] && [ "$at_x" -ge 770 ]; then
        break
    fi
    if [ "$at_y" -gt 480 ]; then tap=Up; else tap=Down; fi
    xdotool keydown --delay 0 $tap Right
    sleep 0.03
    xdotool keyup --delay 0 $tap Right
    i=$((i + 1))
done
echo "right paddle at $at_x,$at_y after $i taps"
echo "in place $(since) s after the serve"

pic="$work/serve.bmp"
expect "right player label" CPUPlayer.dat 0 0 140 18 660 0
expect "left score 0" sheet.gfx 0 0 40 52 343 5
expect "score separator" sheet.gfx 575 0 11 52 393 5
expect "right score 0" sheet.gfx 0 0 40 52 418 5
expectNot "no score 1" sheet.gfx 40 0 40 52 343 5
expect "left paddle at the start" paddle.dat 0 0 20 80 0 260
expect "right paddle at the start" paddle.dat 0 0 20 80 779 260

pic="$work/moved.bmp"
paddle "left paddle" 0 0 281 520
lx="$px" ly="$py"
paddle "right paddle" 500 0 780 520
[ "$lx" -gt 10 ] && [ "$ly" -gt 270 ] || fail "left paddle did not go right and down"
[ "$px" -lt 769 ] && [ "$py" -lt 250 ] || fail "right paddle did not go left and up"

sleep "$(awk -v s="$served" -v now="$(now)" 'BEGIN { d = s + 4.8 - now; printf "%.2f", (d > 0 ? d : 0) }')"
snap stroke
pic="$work/stroke.bmp"
# The paddle that played the ball last is drawn half transparent, and the
# ball is on its way back: nobody has scored.
grab paddle.dat 0 0 20 80 700 0 --scan 780 520
echo "right paddle after the stroke: $share"
atLeast "$share" 0.90 && fail "right paddle still opaque: no stroke"
expect "left score still 0" sheet.gfx 0 0 40 52 343 5
expect "right score still 0" sheet.gfx 0 0 40 52 418 5
paddle "left paddle" 0 0 281 520
[ "$px" -lt "$lx" ] && [ "$py" -lt "$ly" ] || fail "left paddle did not go up and left"

pic="$wid"
# Escape aborts the match and the menu comes back.
xdotool key Escape
waitFor 10 "menu after the match" pic_1.dat 0 0 700 200 50 150
# Escape quits from the menu; one the menu swept on its way in is pressed
# again, once a second, until the game has ended.
i=0
while kill -0 "$game" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 30 ]; then
        echo "game did not quit" >&2
        exit 1
    fi
    xdotool key Escape 2>/dev/null || true
    j=0
    while [ $j -lt 10 ] && kill -0 "$game" 2>/dev/null; do
        j=$((j + 1))
        sleep 0.1
    done
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
