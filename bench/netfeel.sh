#!/bin/sh
# The feel of a network game: two headless game processes on loopback play
# the lockstep scripts paced to real time, directly and through the tests'
# delay proxy (round trips of 60 and 120 ms, jitter 10% of the one-way
# time). D is chosen from the measured round trip, as in a real session.
# Prints one table row per round trip and side: the round trip measured, D,
# the stalls per minute (waits for the other machine that left the game
# over 5 ms behind real time) and the bytes the side sent per second.
#
#   netfeel.sh BUILD_DIR
set -eu
build="$(cd "$1" && pwd)"
run="$build/tests/net/voltari_lockstep_run"
proxy="$build/tests/net/voltari_delay_proxy"
scripts="$(cd "$(dirname "$0")/../tests/net/lockstep" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/voltari-netfeel-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VOLTARI_NET_PACED=1

# readPort FIFO: the "port N" line a program prints first
readPort() {
    sed -n 's/^port \([0-9]*\)$/\1/p;q' "$1"
}

# field ERRFILE SIDE: the side's last line of figures
figures() {
    grep "^$2: status" "$1" | tail -1
}

echo "| round trip made | side | measured | D | stalls per minute | bytes sent per s |"
echo "|---|---|---|---|---|---|"
for oneWay in 0 30 60; do
    cd "$work"
    rm -f host.out proxy.out
    mkfifo host.out proxy.out
    "$run" host host.log "$scripts/host.script" >host.out 2>host.err &
    host=$!
    port=$(readPort host.out)
    target=$port
    proxyPid=""
    if [ "$oneWay" -gt 0 ]; then
        "$proxy" "$port" "$oneWay" $((oneWay / 10)) >proxy.out &
        proxyPid=$!
        target=$(readPort proxy.out)
    fi
    "$run" join "$target" guest.log "$scripts/guest.script" 2>guest.err || true
    wait "$host" || true
    [ -z "$proxyPid" ] || kill "$proxyPid"
    for side in host join; do
        line=$(figures "$([ $side = host ] && echo host || echo guest).err" "$side")
        rtt=$(sed -n 's/.*round trip \([0-9]*\) ms.*/\1/p' host.err | head -1)
        delay=$(sed -n 's/.*input delay \([0-9]*\) ms.*/\1/p' host.err | head -1)
        echo "$line" | awk -v side="$side" -v rtt="$((oneWay * 2))" -v got="$rtt" -v d="$delay" '{
            for (i = 1; i <= NF; i++) {
                if ($(i+1) == "virtual" && v == "") v = $i
                if ($(i+1) == "bytes") b = $i
                if ($(i+1) == "stalls,") s = $i
            }
            min = v / 60000
            printf "| %d ms | %s | %s ms | %s ms | %.1f | %.0f |\n", rtt, side, got, d, s / min, b * 1000 / v
        }'
    done
done
