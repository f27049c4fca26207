#!/bin/sh
# The relay's load, on loopback only. First two real sessions of the
# lockstep runner, paced to real time (the paced- scripts): directly and
# through a nats-server, for the round trip and D each way, and for the
# game's rate through the relay (messages and bytes the server took in,
# from its monitoring page, per virtual second and side). Then
# voltari_relay_load plays rooms of two clients at that rate through one
# fresh server: 100 rooms for REPORT_S seconds, and a count doubled from
# STEP_FIRST until the 99th percentile of delivery reaches 5 ms or the
# count passes STEP_CAP, STEP_S seconds each.
#
#   relayload.sh BUILD_DIR
set -eu
build="$(cd "$1" && pwd)"
run="$build/tests/net/voltari_lockstep_run"
load="$build/bench/voltari_relay_load"
scripts="$(cd "$(dirname "$0")/../tests/net/lockstep" && pwd)"
server=$(command -v nats-server || true)
[ -n "$server" ] || [ ! -x /usr/sbin/nats-server ] || server=/usr/sbin/nats-server
if [ -z "$server" ]; then
    echo "relay load: skipped (nats-server is not installed)"
    exit 0
fi
REPORT_ROOMS=100   # rooms in the reported run
REPORT_S=20        # its length, s
STEP_FIRST=10      # rooms in the first step
STEP_CAP=320       # the most rooms tried
STEP_S=10          # each step's length, s
P99_LIMIT_MS=5     # a step holds when its 99th percentile is under this, ms

work="$(mktemp -d "${TMPDIR:-/tmp}/voltari-relayload-XXXXXX")"
serverPid=""
stopServer() {
    [ -z "$serverPid" ] || { kill "$serverPid" 2>/dev/null; wait "$serverPid" 2>/dev/null || true; }
    serverPid=""
}
trap 'stopServer; rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VOLTARI_NET_PACED=1

# A fresh nats-server on 127.0.0.1, ports the kernel picks: sets
# serverPid, natsPort and httpPort.
startServer() {
    rm -f "$work"/*.ports
    "$server" -a 127.0.0.1 -p -1 -m -1 --ports_file_dir "$work" >"$work/server.log" 2>&1 &
    serverPid=$!
    i=0
    until [ -s "$work/nats-server_$serverPid.ports" ]; do
        i=$((i + 1))
        [ $i -le 100 ] || { echo "relay load: nats-server did not start"; exit 1; }
        sleep 0.1
    done
    sleep 0.1  # the file is written whole once it exists; give it the moment
    natsPort=$(sed 's/.*"nats":\["nats:\/\/127.0.0.1:\([0-9]*\)".*/\1/' "$work/nats-server_$serverPid.ports")
    httpPort=$(sed 's/.*"monitoring":\["http:\/\/127.0.0.1:\([0-9]*\)".*/\1/' "$work/nats-server_$serverPid.ports")
}

varz() {
    curl -s "http://127.0.0.1:$httpPort/varz" | sed -n "s/.*\"$1\": \([0-9]*\).*/\1/p"
}

# session TAG [RELAY_URL] [WATCHERS]: one paced session; the host's and
# guest's standard error in TAG-host.err and TAG-guest.err.
session() {
    cd "$work"
    rm -f out.fifo
    mkfifo out.fifo
    if [ -n "${2:-}" ]; then export VOLTARI_NET_RELAY="$2"; else unset VOLTARI_NET_RELAY; fi
    "$run" host "$1-host.log" "$scripts/paced-host.script" >out.fifo 2>"$1-host.err" &
    host=$!
    where=$(sed -n 's/^port \([0-9]*\)$/\1/p;s/^code \([A-Z0-9-]*\)$/\1/p;q' out.fifo)
    watchers=""
    i=0
    while [ "$i" -lt "${3:-0}" ]; do
        i=$((i + 1))
        "$run" watch "$where" "$1-watch$i.log" "$scripts/paced-guest.script" 2>"$1-watch$i.err" &
        watchers="$watchers $!"
    done
    "$run" join "$where" "$1-guest.log" "$scripts/paced-guest.script" 2>"$1-guest.err" || true
    for w in $watchers; do wait "$w" || true; done
    wait "$host" || true
    unset VOLTARI_NET_RELAY
}

# upload TAG: the host's bytes sent per virtual second
upload() {
    sed -n 's/^host: status [0-9]*, .* (\([0-9]*\) per virtual s).*/\1/p' "$work/$1-host.err"
}

# feel TAG: "round trip R ms, D ms" as the host measured it
feel() {
    sed -n 's/.*round trip \([0-9]*\) ms, input delay \([0-9]*\) ms.*/round trip \1 ms, D \2 ms/p' "$work/$1-host.err" | head -1
}

session direct
startServer
session relay "nats://127.0.0.1:$natsPort"
msgs=$(varz in_msgs)
bytes=$(varz in_bytes)
stopServer
virtualMs=$(sed -n 's/^host: status [0-9]*, \([0-9]*\) virtual ms.*/\1/p' "$work/relay-host.err")
if [ -z "$virtualMs" ] || [ "$virtualMs" -le 0 ] || [ "${msgs:-0}" -le 0 ]; then
    echo "relay load: the real session through the relay did not run"
    cat "$work/relay-host.err"
    exit 1
fi
rate=$((msgs * 1000 / 2 / virtualMs))        # envelopes per second, each side
size=$((bytes / msgs))                        # bytes per envelope
echo "| loopback | round trip and D |"
echo "|---|---|"
echo "| direct | $(feel direct) |"
echo "| through one nats-server | $(feel relay) |"
echo
echo "A real session through the relay: $rate envelopes/s per side of $size bytes each," \
     "$((bytes * 1000 / virtualMs)) bytes/s per room."
# Watchers: directly each is another upload from the host; through the
# relay the host casts once and the relay fans out.
session direct3 "" 3
startServer
session relay1 "nats://127.0.0.1:$natsPort" 1
session relay3 "nats://127.0.0.1:$natsPort" 3
stopServer
echo
echo "| the host's upload, bytes per virtual s | no watcher | 1 watcher | 3 watchers |"
echo "|---|---|---|---|"
echo "| direct | $(upload direct) | | $(upload direct3) |"
echo "| through one nats-server | $(upload relay) | $(upload relay1) | $(upload relay3) |"
echo
startServer
"$load" "nats://127.0.0.1:$natsPort" "$serverPid" "$REPORT_ROOMS" "$REPORT_S" "$rate" "$size"
stopServer
rooms=$STEP_FIRST
held=0
while [ "$rooms" -le "$STEP_CAP" ]; do
    startServer
    line=$("$load" "nats://127.0.0.1:$natsPort" "$serverPid" "$rooms" "$STEP_S" "$rate" "$size")
    stopServer
    echo "  step: $line"
    p99=$(echo "$line" | sed -n 's/.*p99 \([0-9.]*\) ms.*/\1/p')
    awk -v p="$p99" -v limit="$P99_LIMIT_MS" 'BEGIN { exit !(p < limit) }' || break
    held=$rooms
    rooms=$((rooms * 2))
done
if [ "$held" -ge "$STEP_CAP" ] || [ "$rooms" -gt "$STEP_CAP" ]; then
    echo "Rooms one nats-server held with the 99th percentile under $P99_LIMIT_MS ms: $held (the cap; more untried)."
else
    echo "Rooms one nats-server held with the 99th percentile under $P99_LIMIT_MS ms: $held ($rooms did not)."
fi
