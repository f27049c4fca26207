#!/bin/sh
# The game's sound keeps up under load. Starts a PulseAudio server of its
# own (user mode, a null sink, everything in a temporary folder, no system
# daemon, also as root), then RUNS times: records the sink's monitor with
# parecord while all cores but one are kept busy by bounded busy loops and
# the game plays a computer match in real time (voltari_soundplay), as the
# launcher starts it; then counts the gaps, runs of exact zeros after the
# music has started (gaps.py), and prints one line a run.
# Fails when a run has no music, no effect heard above the music, or a game
# stream that did not ask the server for the launcher's buffer. Gaps fail a
# run only above SOUND_MAX_GAPS: on a machine that other work keeps busy
# the stream still runs dry now and then, as often as that work decides,
# so their count is a measurement, not a verdict.
# Prints one "skip:" line and exits 77 when no server can be started.
#   sound_test.sh SOUNDPLAY [RUNS] [SECONDS]      (1 run, 30 s of match)
#   SOUND_LOAD: busy loops beside the game (one fewer than the cores, at
#     least one)
#   SOUND_LATENCY: what the game asks the server to hold (ms): the launcher's
#     PULSE_LATENCY_MSEC unless given; "sdl" leaves SDL's own request
#   SOUND_MAX_GAPS: gaps a run may have (no limit unless given)
#   SOUND_REPORT=1: report every run, never fail (for measuring)
set -eu
play=$(realpath "$1")
runs=${2:-1}
seconds=${3:-30}
here=$(cd "$(dirname "$0")" && pwd)
load=${SOUND_LOAD:-$(($(nproc) > 1 ? $(nproc) - 1 : 1))}
# The game plays as the launcher starts it.
latency=${SOUND_LATENCY:-$(sed -n 's/.*PULSE_LATENCY_MSEC:-\([0-9][0-9]*\).*/\1/p' "$here/../../desktop/voltari.sh")}
[ -n "$latency" ] || { echo "the launcher sets no PULSE_LATENCY_MSEC" >&2; exit 1; }

for tool in pulseaudio parecord pactl python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/voltari-sound-XXXXXX")
server=""
recorder=""
busy=""
stopBusy() {
    for p in $busy; do kill "$p" 2>/dev/null || true; done
    for p in $busy; do wait "$p" 2>/dev/null || true; done
    busy=""
}
cleanup() {
    stopBusy
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM PIPE

# The server: its runtime folder, state, cookie and socket all in $work.
# Run as root it warns that it is not a system instance and carries on.
mkdir "$work/runtime" "$work/home"
cat >"$work/server.pa" <<EOF
load-module module-null-sink sink_name=voltari_sink
set-default-sink voltari_sink
load-module module-native-protocol-unix auth-anonymous=1 socket=$work/runtime/native
EOF
printf 'autospawn = no\n' >"$work/client.conf"
HOME="$work/home" XDG_CONFIG_HOME="$work/home" PULSE_RUNTIME_PATH="$work/runtime" \
    PULSE_STATE_PATH="$work/home/state" DBUS_SESSION_BUS_ADDRESS=disabled: DISPLAY= \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -F "$work/server.pa" --log-target=file:"$work/server.log" --log-level=info &
server=$!
# Every client finds this server and no other.
export PULSE_SERVER="unix:$work/runtime/native" PULSE_CLIENTCONFIG="$work/client.conf"
unset DISPLAY
i=0
until pactl info >/dev/null 2>&1; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
        echo "skip: PulseAudio could not be started ($(grep -m1 '^E:' "$work/server.log" 2>/dev/null || echo no error logged))"
        exit 77
    fi
    sleep 0.1
done

failed=0
total_gaps=0
total_s=0
n=0
while [ "$n" -lt "$runs" ]; do
    n=$((n + 1))
    rec="$work/run-$n.raw"
    parecord --raw --device=voltari_sink.monitor --format=s16le --rate=44100 --channels=2 \
        --latency-msec=100 "$rec" &
    recorder=$!
    j=0
    while [ $j -lt "$load" ]; do
        j=$((j + 1))
        timeout $((seconds + 120)) sh -c 'while :; do :; done' &
        busy="$busy $!"
    done
    # The server's figure for the game's stream (what it holds queued plus
    # the sink's own delay), read twice a second while the game plays.
    (
        while :; do
            pactl list sink-inputs 2>/dev/null | awk '
                /Buffer Latency:/ { b = $3 } /Sink Latency:/ { s = $3 }
                END { if (b != "") print (b + s) / 1000 }'
            sleep 0.5
        done
    ) >"$work/latency.txt" &
    sampler=$!
    status=0
    if [ "$latency" = sdl ]; then
        SDL_AUDIODRIVER=pulseaudio SDL_VIDEODRIVER=dummy "$play" "$seconds" >"$work/play.log" 2>&1 || status=$?
    else
        PULSE_LATENCY_MSEC=$latency SDL_AUDIODRIVER=pulseaudio SDL_VIDEODRIVER=dummy \
            "$play" "$seconds" >"$work/play.log" 2>&1 || status=$?
    fi
    kill "$sampler" 2>/dev/null || true
    wait "$sampler" 2>/dev/null || true
    stopBusy
    kill -INT "$recorder"
    wait "$recorder" 2>/dev/null || true
    recorder=""
    if [ "$status" -ne 0 ]; then
        echo "run $n: the game ended with status $status"
        cat "$work/play.log"
        exit 1
    fi
    result=$(python3 "$here/gaps.py" "$rec")
    echo "run $n: $result"
    grep '^mixer_chunk_ms' "$work/play.log" | sed 's/^/  /' || true
    sort -n "$work/latency.txt" | awk '{ v[n++] = $1 } END { if (n) printf "  stream latency (server): median %.1f ms, middle half %.1f to %.1f ms, %d readings\n", v[int(n / 2)], v[int(n / 4)], v[int(3 * n / 4)], n }'
    # The game's stream as the server took it (the recorder's is a record
    # stream and asks for no tlength).
    request=$(grep -m1 -o 'Requested tlength=[0-9.]* ms' "$work/server.log" || true)
    echo "  server: $request"
    : >"$work/server.log"
    rm -f "$rec"
    if [ "$latency" != sdl ] && [ "$request" != "Requested tlength=$latency.00 ms" ]; then
        echo "run $n: the game's stream did not ask the server for $latency ms"
        failed=1
    fi
    case "$result" in
    sound=0*)
        echo "run $n: no sound recorded"
        failed=1
        continue
        ;;
    esac
    field() { echo "$result" | sed "s/.* $1=\([0-9.]*\) .*/\1/"; }
    gaps=$(field gaps)
    span=$(field span_s)
    # The music at its volume (25 of 128) stays below a quarter of full
    # scale; the effects reach above it.
    if [ "$(field peak)" -lt 12000 ]; then
        echo "run $n: no effect heard above the music"
        failed=1
    fi
    total_gaps=$((total_gaps + gaps))
    total_s=$(awk -v a="$total_s" -v b="$span" 'BEGIN { print a + b }')
    if [ -n "${SOUND_MAX_GAPS:-}" ] && [ "$gaps" -gt "$SOUND_MAX_GAPS" ]; then
        echo "run $n: more than $SOUND_MAX_GAPS gaps"
        failed=1
    fi
done
echo "sound: $total_gaps gaps in $total_s s of sound over $runs runs," \
    "$(awk -v g="$total_gaps" -v s="$total_s" 'BEGIN { printf "%.2f", (s > 0 ? g / s * 60 : 0) }') a minute," \
    "$load busy loops beside the game, latency $latency"
[ "${SOUND_REPORT:-0}" = 1 ] && exit 0
exit "$failed"
