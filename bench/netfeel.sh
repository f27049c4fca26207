#!/bin/sh
# The feel of a network game: two game processes on loopback play the
# lockstep scripts paced to real time, directly and through the tests'
# delay proxy (round trips of 60, 120 and 200 ms, jitter 10% of the one-way
# time). D is chosen from the measured round trip, as in a real session.
# Prints one table row per round trip and side: the round trip measured, D,
# the feel (how long after its key the own paddle moved, ms: mean / longest),
# the rollbacks per second of virtual time and their length in frames
# (mean / longest), how far the other paddle jumped on screen at one (px,
# 99th percentile), the stalls per minute (waits for the other machine that
# left the game over 5 ms behind real time), the bytes the side sent per
# second and the side's CPU share (user and system time over the wall time
# of its process, from time(1)). A runner that does not play ahead prints
# no rollback figures: "-" stands for them. A side whose session failed
# (say, the connection was lost) is marked so.
# Beside them: the round trip the game program itself measures through the
# same proxy right after (VOLTARI --host and --join, stopped once it has
# measured), and the load average when the round began. The measured round
# trip is the game's own figure either way: on a loaded machine both go up
# together (every ping waits for three processes to be scheduled, the
# proxy's twice), and D with them.
# Video is SDL's dummy driver; with NETFEEL_X11=1 every game process draws
# in a real window (SDL_VIDEODRIVER=x11) on one Xvfb, so the CPU share
# includes drawing and presenting (Xvfb's own time is not counted). Without
# Xvfb that prints one "skip: why" line.
#
#   [NETFEEL_X11=1] netfeel.sh BUILD_DIR
set -eu
build="$(cd "$1" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
run="$build/tests/net/voltari_lockstep_run"
proxy="$build/tests/net/voltari_delay_proxy"
game="$build/VOLTARI"
scripts="$(cd "$here/../tests/net/lockstep" && pwd)"
command -v /usr/bin/time >/dev/null 2>&1 || { echo "skip: /usr/bin/time is not installed"; exit 0; }
work="$(mktemp -d "${TMPDIR:-/tmp}/voltari-netfeel-XXXXXX")"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VOLTARI_NET_PACED=1
if [ "${NETFEEL_X11:-0}" = 1 ]; then
    . "$here/../tests/e2e/xvfb.sh"
    trap 'stopXvfb; rm -rf "$work"' EXIT
    command -v Xvfb >/dev/null 2>&1 || { echo "skip: Xvfb is not installed"; exit 0; }
    startXvfb >/dev/null 2>&1 || { echo "skip: no X server could be started"; exit 0; }
    SDL_VIDEODRIVER=x11
else
    trap 'rm -rf "$work"' EXIT
fi

# A runner plays about 25 s; one left waiting after its session broke is
# ended after this many seconds and its row shows "-".
runnerLimit=120

# timed FILE COMMAND...: runs COMMAND (ended after runnerLimit) with its user
# and system CPU time and its wall time, in seconds, written to FILE.
timed() {
    timeFile="$1"
    shift
    /usr/bin/time -o "$timeFile" -f '%U %S %e' timeout "$runnerLimit" "$@"
}

# readPort FIFO: the "port N" line a program prints first
readPort() {
    sed -n 's/^port \([0-9]*\)$/\1/p;q' "$1"
}

# gameRoundTrip ONE_WAY_MS: the round trip the game program measures, host
# and guest started as a player would, through a new proxy; "-" if none.
gameRoundTrip() {
    mkdir -p "$work/game"
    for f in "$build/game"/*; do ln -sf "$f" "$work/game/"; done
    cd "$work/game"
    rm -f game-host.err game-proxy.out
    mkfifo game-proxy.out
    "$game" --host 0 >/dev/null 2>game-host.err &
    gameHost=$!
    gamePort=""
    i=0
    while [ -z "$gamePort" ] && [ $i -lt 300 ] && kill -0 "$gameHost" 2>/dev/null; do
        sleep 0.1
        gamePort=$(sed -n 's/.*Waiting for a player on port \([0-9]*\)\..*/\1/p' game-host.err)
        i=$((i + 1))
    done
    gameGuest=""
    gameProxy=""
    if [ -n "$gamePort" ]; then
        target=$gamePort
        if [ "$1" -gt 0 ]; then
            "$proxy" "$gamePort" "$1" $(($1 / 10)) >game-proxy.out &
            gameProxy=$!
            target=$(readPort game-proxy.out)
        fi
        "$game" --join "127.0.0.1:$target" >/dev/null 2>&1 &
        gameGuest=$!
        i=0
        while ! grep -q 'round trip' game-host.err && [ $i -lt 300 ] && kill -0 "$gameHost" 2>/dev/null; do
            sleep 0.1
            i=$((i + 1))
        done
    fi
    # SDL takes SIGTERM for a quit, and a host whose guest left plays on.
    for p in $gameGuest $gameHost; do kill -KILL "$p" 2>/dev/null || true; done
    [ -z "$gameProxy" ] || kill "$gameProxy" 2>/dev/null || true
    for p in $gameGuest $gameHost $gameProxy; do wait "$p" 2>/dev/null || true; done
    got=$(sed -n 's/.*round trip \([0-9]*\) ms.*/\1/p' game-host.err | head -1)
    echo "${got:--}"
}

# figures ERRFILE SIDE PATTERN: the side's last line of figures that goes on
# with PATTERN (the session's or playing ahead's); empty if none.
figures() {
    grep "^$2: $3" "$1" | tail -1 || true
}

echo "| round trip made | side | measured | D | own paddle ms | rollbacks per s | rollback frames | other paddle jump px | stalls per minute | bytes sent per s | CPU % | game measured | load |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|"
for oneWay in 0 30 60 100; do
    load=$(cut -d' ' -f1 /proc/loadavg)
    cd "$work"
    rm -f host.out proxy.out host.time guest.time
    mkfifo host.out proxy.out
    timed host.time "$run" host host.log "$scripts/host.script" >host.out 2>host.err &
    host=$!
    port=$(readPort host.out)
    target=$port
    proxyPid=""
    if [ "$oneWay" -gt 0 ]; then
        "$proxy" "$port" "$oneWay" $((oneWay / 10)) >proxy.out &
        proxyPid=$!
        target=$(readPort proxy.out)
    fi
    timed guest.time "$run" join "$target" guest.log "$scripts/guest.script" 2>guest.err || true
    wait "$host" || true
    # The proxy may have gone already (then both sides lost the connection).
    [ -z "$proxyPid" ] || kill "$proxyPid" 2>/dev/null || true
    gameRtt=$(gameRoundTrip "$oneWay")
    cd "$work"
    rtt=$(sed -n 's/.*round trip \([0-9]*\) ms.*/\1/p' host.err | head -1)
    delay=$(sed -n 's/.*input delay \([0-9]*\) ms.*/\1/p' host.err | head -1)
    for side in host join; do
        name=$([ $side = host ] && echo host || echo guest)
        # time(1) puts "Command exited with non-zero status N" first.
        cpu=$(tail -n 1 "$name.time" 2>/dev/null || true)
        printf '%s\n%s\n%s\n' "$(figures "$name.err" "$side" status)" \
            "$(figures "$name.err" "$side" "[0-9]* rollbacks,")" "$cpu" |
        awk -v side="$side" -v rtt="$((oneWay * 2))" -v got="${rtt:--}" -v d="${delay:--}" \
            -v game="$gameRtt" -v load="$load" '
        NR == 1 {
            if (index($0, ", failed: ")) side = side " (failed)"
            for (i = 1; i <= NF; i++) {
                if ($(i+1) == "virtual" && v == "") v = $i
                if ($(i+1) == "bytes") b = $i
                if ($(i+1) == "stalls,") s = $i
            }
        }
        NR == 2 && NF > 0 {
            for (i = 1; i <= NF; i++) {
                if ($(i+1) == "rollbacks,") n = $i
                if ($(i+1) == "frames" && $(i+2) == "on") fm = $i
                if ($(i+1) == "at" && $(i+2) == "most;") fl = $i
                if ($(i+1) == "px") jump = $i
                if ($(i-1) == "after") km = $i
            }
            kl = $(NF-3)
            ahead = 1
        }
        NR == 3 && NF == 3 && $3 > 0 { cpu = sprintf("%.1f", 100 * ($1 + $2) / $3) }
        END {
            if (v == "") {
                printf "| %d ms | %s | - | - | - | - | - | - | - | - | - | %s ms | %s |\n", rtt, side, game, load
                exit
            }
            feel = "-"; rate = "-"; frames = "-"
            if (ahead) {
                feel = sprintf("%.1f / %d", km, kl)
                rate = sprintf("%.2f", n * 1000 / v)
                frames = sprintf("%.1f / %d", fm, fl)
            } else jump = "-"
            printf "| %d ms | %s | %s ms | %s ms | %s | %s | %s | %s | %.1f | %.0f | %s | %s ms | %s |\n", rtt, side, got, d,
                feel, rate, frames, jump, s / (v / 60000), b * 1000 / v, cpu == "" ? "-" : cpu, game, load
        }'
    done
done
