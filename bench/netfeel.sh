#!/bin/sh
# The feel of a network game: two headless game processes on loopback play
# the lockstep scripts paced to real time, directly and through the tests'
# delay proxy (round trips of 60, 120 and 200 ms, jitter 10% of the one-way
# time). D is chosen from the measured round trip, as in a real session.
# Prints one table row per round trip and side: the round trip measured, D,
# the stalls per minute (waits for the other machine that left the game
# over 5 ms behind real time) and the bytes the side sent per second.
# Beside them: the round trip the game program itself measures through the
# same proxy right after (VOLTARI --host and --join, dummy video, stopped
# once it has measured), and the load average when the round began. The
# measured round trip is the game's own figure either way: on a loaded
# machine both go up together (every ping waits for three processes to be
# scheduled, the proxy's twice), and D with them.
#
#   netfeel.sh BUILD_DIR
set -eu
build="$(cd "$1" && pwd)"
run="$build/tests/net/voltari_lockstep_run"
proxy="$build/tests/net/voltari_delay_proxy"
game="$build/VOLTARI"
scripts="$(cd "$(dirname "$0")/../tests/net/lockstep" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/voltari-netfeel-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VOLTARI_NET_PACED=1

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

# field ERRFILE SIDE: the side's last line of figures
figures() {
    grep "^$2: status" "$1" | tail -1
}

echo "| round trip made | side | measured | D | stalls per minute | bytes sent per s | game measured | load |"
echo "|---|---|---|---|---|---|---|---|"
for oneWay in 0 30 60 100; do
    load=$(cut -d' ' -f1 /proc/loadavg)
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
    gameRtt=$(gameRoundTrip "$oneWay")
    cd "$work"
    for side in host join; do
        line=$(figures "$([ $side = host ] && echo host || echo guest).err" "$side")
        rtt=$(sed -n 's/.*round trip \([0-9]*\) ms.*/\1/p' host.err | head -1)
        delay=$(sed -n 's/.*input delay \([0-9]*\) ms.*/\1/p' host.err | head -1)
        echo "$line" | awk -v side="$side" -v rtt="$((oneWay * 2))" -v got="$rtt" -v d="$delay" \
            -v game="$gameRtt" -v load="$load" '{
            for (i = 1; i <= NF; i++) {
                if ($(i+1) == "virtual" && v == "") v = $i
                if ($(i+1) == "bytes") b = $i
                if ($(i+1) == "stalls,") s = $i
            }
            min = v / 60000
            printf "| %d ms | %s | %s ms | %s ms | %.1f | %.0f | %s ms | %s |\n", rtt, side, got, d, s / min, b * 1000 / v, game, load
        }'
    done
done
