#!/bin/sh
# The network game's dialog under a virtual X server, with a stand-in for
# the launcher that writes down its arguments, says what a game would say
# on standard error and waits for the test's word before it goes on.
#  1. Host: the dialog opens with its caption; Enter presses Host, which
#     starts the game with --host and the port shown (the usual one); once
#     the game says play began the dialog hides; when the game ends the
#     dialog ends with the game's status.
#  2. Join: the remembered address is in the field; Enter joins it; the
#     game's refusal leaves the dialog open (the player is back where they
#     started), and Escape then closes it with status 0.
# Usage: netdialog_gui.sh <voltari-net>
set -eu
dialog="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../e2e/xvfb.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/voltari-netdialog-XXXXXX")"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    stopXvfb
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM PIPE

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/dialog.log" ] && { echo "--- dialog:" >&2; cat "$work/dialog.log" >&2; }
    exit 1
}
waitFor() {
    i=0
    while ! eval "$1"; do
        i=$((i + 1))
        [ $i -le 300 ] || fail "timed out waiting for: $1"
        sleep 0.1
    done
}

# The stand-in: writes its arguments to args.txt, then for each line the
# test puts in say.N (N = 1, 2, ...) writes that line to standard error, or
# a "state ..." line to the state descriptor the dialog named;
# "exit S" ends it with status S.
cat >"$work/launcher" <<EOF
#!/bin/sh
echo \$\$ >"$work/game.pid"
echo "\$*" >"$work/args.txt"
n=1
while :; do
    while [ ! -f "$work/say.\$n" ]; do sleep 0.05; done
    line=\$(cat "$work/say.\$n")
    case "\$line" in
        "exit "*) exit \${line#exit } ;;
        "state "*) eval 'echo "\$line" >&'"\$VOLTARI_STATE_FD" ;;
        *) echo "\$line" >&2 ;;
    esac
    n=\$((n + 1))
done
EOF
chmod +x "$work/launcher"
said=0
say() {
    said=$((said + 1))
    echo "$1" >"$work/say.$said.tmp"
    mv "$work/say.$said.tmp" "$work/say.$said"
}
reset() {
    rm -f "$work"/say.* "$work/args.txt" "$work/game.pid"
    said=0
}

startXvfb || fail "no X server"
export GDK_BACKEND=x11 NO_AT_BRIDGE=1 XDG_CONFIG_HOME="$work/config"
unset WAYLAND_DISPLAY || true

open() {
    "$dialog" "$1" "$work/launcher" >"$work/dialog.log" 2>&1 &
    pid=$!
    win="$(findWindow 20 --onlyvisible --name "$2")" || fail "no window \"$2\""
}
key() {
    xdotool windowfocus --sync "$win"
    xdotool key "$1"
}
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
ended() {
    waitFor '! kill -0 "$pid" 2>/dev/null'
    status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq "$1" ] || fail "the dialog ended with status $status, not $1"
}

# 1. Host.
open host '^VOLTARI: Host a network game$'
key Return
waitFor '[ -s "$work/args.txt" ]'
[ "$(cat "$work/args.txt")" = "--host 24642" ] || fail "host started the game as: $(cat "$work/args.txt")"
say "voltari: Waiting for a player on port 24642"
say "state waiting host code= port=24642 rtt=0 delay=0 reason=0 refused=0 greeted=0"
# A sentence alone never tells the dialog that play began: the state does.
say "voltari: Playing with 127.0.0.1: round trip 0 ms, input delay 20 ms"
waitFor 'grep -q "^voltari: Playing with" "$work/dialog.log"'
visible '^VOLTARI: Host a network game$' || fail "the dialog hid before the game said it plays"
say "state playing host code= port=24642 rtt=0 delay=20 reason=0 refused=0 greeted=1"
waitFor '! visible "^VOLTARI: Host a network game$"'
kill -0 "$pid" 2>/dev/null || fail "the dialog ended while the game played"
say "exit 3"
ended 3
grep -q '^voltari: Playing with 127.0.0.1' "$work/dialog.log" || fail "the game's lines were not passed on"
echo "host: started the game on port 24642, hid at play, ended with the game's status"

# 2. Join, with an address remembered from before.
reset
mkdir -p "$XDG_CONFIG_HOME/voltari"
echo "127.0.0.1:5" >"$XDG_CONFIG_HOME/voltari/join-address"
open join '^VOLTARI: Join a network game$'
key Return
waitFor '[ -s "$work/args.txt" ]'
[ "$(cat "$work/args.txt")" = "--join 127.0.0.1:5" ] || fail "join started the game as: $(cat "$work/args.txt")"
say "voltari: Could not reach 127.0.0.1:5: connection refused"
say "exit 1"
waitFor 'grep -q "connection refused" "$work/dialog.log"'
# The game is gone once the dialog has reaped it (a zombie keeps its /proc
# entry), in the same step that readies the dialog for another try.
game="$(cat "$work/game.pid")"
waitFor '[ ! -e "/proc/$game" ]'
visible '^VOLTARI: Join a network game$' || fail "the dialog closed after the refusal"
kill -0 "$pid" 2>/dev/null || fail "the dialog ended after the refusal"
key Escape
ended 0
echo "join: remembered address joined, refusal kept the dialog, Escape closed it"
echo "netdialog gui: passed"
