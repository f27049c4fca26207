#!/bin/sh
# The CPU share of real play: the game from a copy of its folder in a real
# window under Xvfb, started by its launcher as a player starts it (so with
# the renderer the launcher chooses), computer against computer, for
# PLAY_SECONDS of the match. Prints "renderer NAME" (the SDL renderer the
# game reports), "cpu_percent P" (the game's CPU time over wall time, all
# its threads, from /proc) and "peak_kib K" (VmHWM), or one "skip: why"
# line when no X server can be started. With CPUSHARE_SMAPS=FILE it also
# writes the game's memory at the end to FILE, one line per mapped file (the
# anonymous ones together as [anon]): "rss_kib pss_kib name", largest first.
#
#   cpushare.sh GAME_DIR [WINCHECK] [PLAY_SECONDS]
#
# With WINCHECK (the end-to-end test's window reader) the script waits for
# the menu and for the court on screen; without it, for fixed times.
set -eu
src="$(cd "$1" && pwd)"
wincheck="${2:-}"
seconds="${3:-30}"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tests/e2e/xvfb.sh"

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is not installed"; exit 0; }
done
if [ -n "$wincheck" ] && [ -x "$wincheck" ]; then
    wincheck="$(cd "$(dirname "$wincheck")" && pwd)/$(basename "$wincheck")"
else
    wincheck=""
fi

installGameCopy "$src" cpushare
# The launcher runs a folder that has a setup tool as a game folder of its
# own; the game in it is installed already, so the tool never runs.
[ -e "$work/optedit" ] || { printf '#!/bin/sh\n' >"$work/optedit" && chmod +x "$work/optedit"; }

startXvfb >/dev/null 2>&1 || { echo "skip: no X server could be started"; exit 0; }
cd "$work"
unset SDL_VIDEODRIVER
# The launcher ends in exec: this is the game's process.
VOLTARI_SHOW_RENDERER=1 SDL_AUDIODRIVER=dummy ./voltari.sh > "$work/out.txt" 2>&1 &
game=$!
wid="$(findWindow 40 --name '^VOLTARI$')" || { echo "skip: the game opened no window"; exit 0; }
xdotool windowfocus --sync "$wid" 2>/dev/null || true

# waitFor SECONDS FILE SX SY W H X Y: until the picture is in the window
waitFor() {
    limit=$(($1 * 10))
    shift
    if [ -z "$wincheck" ]; then
        sleep $(($limit / 30))
        return 0
    fi
    i=0
    while [ $i -lt $limit ]; do
        share="$("$wincheck" "$wid" "$@" 2>/dev/null | awk '{ print $2 }')"
        awk -v s="${share:-0}" 'BEGIN { exit !(s >= 0.98) }' && return 0
        i=$((i + 1))
        sleep 0.1
    done
    return 1
}

waitFor 30 pic_1.dat 0 0 700 200 50 150 || { echo "skip: the menu did not appear"; exit 0; }
# Down to the last page, each step seen on screen. The menu sweeps away the
# keys that came before its first tick, so the first Down is pressed again
# while the second page has not come (the test's menuKey does the same).
# Without the window reader: half a second before each key.
if [ -n "$wincheck" ]; then
    try=0
    until xdotool key Down && waitFor 2 pic_2.dat 0 0 700 200 50 150; do
        try=$((try + 1))
        [ $try -lt 3 ] || { echo "skip: the menu took no key"; exit 0; }
    done
    for page in 3 4 5; do
        xdotool key Down
        waitFor 5 "pic_$page.dat" 0 0 700 200 50 150 || { echo "skip: the menu did not reach page $page"; exit 0; }
    done
    xdotool key Return
else
    for k in Down Down Down Down Return; do
        sleep 0.5
        xdotool key "$k"
    done
fi
# Computer against computer: both labels say so once the court is shown.
waitFor 15 CPUPlayer.dat 0 17 140 17 0 0 || { echo "skip: the match did not start"; exit 0; }

ticks() { awk '{ print $14 + $15 }' "/proc/$game/stat"; }
start_ticks="$(ticks)"
start_ns="$(date +%s%N)"
sleep "$seconds"
end_ticks="$(ticks)"
end_ns="$(date +%s%N)"
peak="$(awk '/^VmHWM:/ { print $2 }' "/proc/$game/status")"
if [ -n "${CPUSHARE_SMAPS:-}" ]; then
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = NF >= 6 ? $6 : "[anon]"; if (name == "[heap]") name = "[anon]"; next }
        /^Rss:/ { rss[name] += $2 } /^Pss:/ { pss[name] += $2 }
        END { for (n in rss) if (rss[n] > 0) printf "%d %d %s\n", rss[n], pss[n], n }' "/proc/$game/smaps" |
        sort -rn >"$CPUSHARE_SMAPS"
fi
hz="$(getconf CLK_TCK)"
awk -v t0="$start_ticks" -v t1="$end_ticks" -v w0="$start_ns" -v w1="$end_ns" -v hz="$hz" \
    'BEGIN { printf "cpu_percent %.1f\n", 100 * (t1 - t0) / hz / ((w1 - w0) / 1e9) }'
echo "peak_kib $peak"
echo "renderer $(sed -n 's/^voltari: renderer //p' "$work/out.txt" | head -n1)"
