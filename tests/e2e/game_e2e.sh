#!/bin/sh
# Starts the game in a real window, walks the menu, starts and aborts a
# match, quits, and expects exit status 0.
set -eu
src="$1"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xvfb.sh"

work="$(mktemp -d /tmp/voltari-e2e-XXXXXX)"
trap 'stopXvfb; rm -rf "$work"' EXIT
cp -r "$src"/. "$work"/
rm -f "$work/VOLTARI.exe"
printf '\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  1.1.2026/0:0\njoy0\nfullscreen0\nxspeed0\nsound1\nsbots0' > "$work/setup.ini"

startXvfb
cd "$work"
SDL_AUDIODRIVER=dummy ./VLwait.nul > "$work/out.txt" 2>&1 &
game=$!

wid="$(timeout 20 xdotool search --sync --name '^VOLTARI$' | head -n1)"
[ -n "$wid" ] || { echo "no VOLTARI window" >&2; kill $game; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || true

key() { xdotool key --delay 80 "$@"; }
sleep 8          # logo in and out, then the menu
key Down
sleep 1
key Up
sleep 1
key Return       # two players
sleep 5
key --delay 300 w s Up Down
sleep 1
key Escape       # abort the match
sleep 3
key Escape       # quit from the menu

i=0
while kill -0 $game 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 300 ]; then
        echo "game did not quit" >&2
        kill $game
        exit 1
    fi
    sleep 0.1
done
status=0
wait $game || status=$?
cat "$work/out.txt"
if [ $status -ne 0 ]; then
    echo "game ended with status $status" >&2
    exit 1
fi
echo "e2e: game quit with status 0"
