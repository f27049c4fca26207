#!/bin/sh
# The CPU share of each side of a network game: two copies of the game
# folder in real windows under Xvfb, a host and its guest on loopback, the
# host choosing computer against computer; for PLAY_SECONDS of the match.
# Prints "host_cpu_percent P" and "guest_cpu_percent P" (CPU time over wall
# time, all threads, from /proc), or one "skip: why" line.
#
#   netcpushare.sh GAME_DIR [PLAY_SECONDS]
set -eu
src="$(cd "$1" && pwd)"
seconds="${2:-30}"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tests/e2e/xvfb.sh"

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is not installed"; exit 0; }
done
installGameCopy "$src" netcpushare
mkdir "$work/guest"
for file in "$work"/*; do
    [ "$file" = "$work/guest" ] || cp -r "$file" "$work/guest/"
done
startXvfb 1700x700 >/dev/null 2>&1 || { echo "skip: no X server could be started"; exit 0; }
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
cd "$work"
./VOLTARI.exe --host 0 2>host.err &
game=$!
port=""
i=0
while [ -z "$port" ] && [ $i -lt 200 ]; do
    port=$(sed -n 's/.*Waiting for a player on port \([0-9]*\)\..*/\1/p' host.err)
    i=$((i + 1))
    sleep 0.1
done
[ -n "$port" ] || { echo "skip: the host did not listen"; exit 0; }
(cd guest && exec ./VOLTARI.exe --join "127.0.0.1:$port" 2>../guest.err) &
guest=$!
trap 'kill $guest 2>/dev/null; cleanupGameCopy' EXIT
hostWindow="$(findWindow 40 --name '^VOLTARI: Playing')" || { echo "skip: no session"; exit 0; }
# The host drives the menu: down to computer against computer, then play.
sleep 8
for k in Down Down Down Down Return; do
    xdotool key --window "$hostWindow" "$k"
    sleep 0.6
done
sleep 8

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
h0="$(ticks "$game")"
g0="$(ticks "$guest")"
w0="$(date +%s%N)"
sleep "$seconds"
h1="$(ticks "$game")"
g1="$(ticks "$guest")"
w1="$(date +%s%N)"
hz="$(getconf CLK_TCK)"
awk -v h0="$h0" -v h1="$h1" -v g0="$g0" -v g1="$g1" -v w0="$w0" -v w1="$w1" -v hz="$hz" 'BEGIN {
    wall = (w1 - w0) / 1e9
    printf "host_cpu_percent %.1f\nguest_cpu_percent %.1f\n", 100 * (h1 - h0) / hz / wall, 100 * (g1 - g0) / hz / wall
}'
xwd -root -silent > "$work/shot.xwd" 2>/dev/null && [ -n "${NETCPU_SHOT:-}" ] && convert "xwd:$work/shot.xwd" "$NETCPU_SHOT" || true
