#!/bin/sh
# Drives the real setup tool under a virtual X server, in a temporary game
# folder: the dialog's caption, check box texts and states, SAVE with the
# Enter key and its message boxes, a ticked box saved, Escape aborting, and
# the files left behind. The tool's OPTEDIT_DUMP aid tells what X alone
# cannot: control ids, texts, states and the messages shown.
# Usage: gui_test.sh <path to optedit>
set -eu

optedit=$(realpath "$1")
work=$(mktemp -d /tmp/optedit-gui-XXXXXX)
game="$work/game"
dump="$work/dump.txt"
xvfb_pid=""
tool_pid=""

cleanup() {
    if [ -n "$tool_pid" ]; then kill "$tool_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM PIPE

fail() {
    echo "FAIL: $*" >&2
    if [ -f "$dump" ]; then echo "--- dump:" >&2; cat "$dump" >&2; fi
    if [ -f "$work/tool.log" ]; then echo "--- tool output:" >&2; cat "$work/tool.log" >&2; fi
    exit 1
}

# Waits up to 20 s for a shell condition.
wait_for() {
    i=0
    while ! eval "$1"; do
        i=$((i + 1))
        [ "$i" -le 200 ] || fail "timed out waiting for: $1"
        sleep 0.1
    done
}

# Xvfb chooses a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for '[ -s "$work/display" ]'
DISPLAY=":$(cat "$work/display")"
export DISPLAY
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY || true

caption='^tovrin VOLTARI Setup Tool 2\.0 for Windows$'

start_tool() {
    rm -f "$dump"
    (cd "$game" && OPTEDIT_DUMP="$dump" exec "$optedit") >"$work/tool.log" 2>&1 &
    tool_pid=$!
    win=$(timeout 20 xdotool search --sync --name "$caption" | head -n 1) || fail "no dialog with the caption"
    wait_for 'grep -q "^dialog " "$dump" 2>/dev/null'
}

# Sends a key to a window once it has the input focus (there is no window
# manager to give it).
key_to() {
    xdotool windowfocus --sync "$1"
    xdotool key "$2"
}

# The visible window of the tool other than the dialog: a message box.
find_box() {
    box=""
    for w in $(xdotool search --onlyvisible --class optedit 2>/dev/null); do
        [ "$w" != "$win" ] && box=$w
    done
    [ -n "$box" ]
}

# Dismisses the message box once the tool has shown `text` (the dump line)
# with the Enter key.
dismiss() {
    wait_for "grep -qF '$1' \"\$dump\""
    wait_for find_box
    key_to "$box" Return
}

wait_tool_end() {
    wait_for '! kill -0 "$tool_pid" 2>/dev/null'
    status=0
    wait "$tool_pid" || status=$?
    tool_pid=""
    [ "$status" -eq 0 ] || fail "optedit ended with status $status"
}

# id, state and text of every control in creation (tab) order; the group
# box's id is whatever the toolkit gave it.
controls() {
    awk '/^control / { id = $2; if (id < 0) id = -1; state = $5;
                       $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print id, state, $0 }' "$dump"
}

messages() {
    grep '^message ' "$dump" || true
}

mkdir "$game"
printf 'xspeed2\r\nsbots2\r\nlittlepoints\r\n' >"$game/setup.ini"
printf 'the parked game' >"$game/VLwait.nul"

# --- First run: the file's options show; SAVE with Enter installs.
start_tool
controls >"$work/controls.txt"
cat >"$work/expected.txt" <<'EOF'
1 - "SAVE"
2 - "Abort"
1000 1 "Fullscreen"
1001 0 "enable Joypads (make sure they are calibrated properly)"
1002 1 "play Music"
1003 1 "Speed 133% (game begins faster than normal)"
-1 - "Startup Options"
1004 1 "extremly hard bots (if evil bot is too weak for you)"
EOF
diff "$work/expected.txt" "$work/controls.txt" || fail "controls differ"

# Every control lies inside the dialog, the check boxes inside the group box.
awk '/^dialog / { split($2, d, "x") }
     /^control / { split($3, p, ","); split($4, s, "x"); id = $2
                   if (p[1] < 0 || p[2] < 0 || p[1] + s[1] > d[1] || p[2] + s[2] > d[2]) bad = bad " " id
                   if (id < 0) { gx = p[1]; gy = p[2]; gw = s[1]; gh = s[2] }
                   if (id >= 1000) { cx[id] = p[1]; cy[id] = p[2]; cw[id] = s[1]; ch[id] = s[2] } }
     END { for (id in cx) if (cx[id] < gx || cy[id] < gy || cx[id] + cw[id] > gx + gw || cy[id] + ch[id] > gy + gh)
               bad = bad " " id
           if (bad != "") { print "outside:" bad; exit 1 } }' "$dump" || fail "layout"

key_to "$win" Return
dismiss '"Options Saved" "Options Saved"'
dismiss '"" "Voltari is installed now.\nYou can start with VOLTARI.exe"'
wait_tool_end

[ "$(messages | wc -l)" -eq 2 ] || fail "expected exactly two messages"
[ -f "$game/VOLTARI.exe" ] && [ ! -e "$game/VLwait.nul" ] || fail "game not installed"
[ "$(cat "$game/VOLTARI.exe")" = "the parked game" ] || fail "installed game differs"

ini="$game/setup.ini"
[ "$(head -c 1 "$ini" | od -An -c | tr -d ' ')" = '\n' ] || fail "setup.ini must start with a line feed"
[ "$(wc -l <"$ini")" -eq 6 ] || fail "setup.ini must hold seven lines without a final line end"
! grep -q "$(printf '\r')" "$ini" || fail "setup.ini holds carriage returns"
sed -n 2p "$ini" | grep -Eq '^Created with VOLTARI SeTuP for Windows 2\.0 : Date/Time  [1-9][0-9]?\.[1-9][0-9]?\.[0-9]{4}/[0-9]{1,2}:[0-9]{1,2}$' ||
    fail "header line: $(sed -n 2p "$ini")"
printf 'joy0\nfullscreen1\nxspeed1\nsound1\nsbots1' >"$work/keys.txt"
tail -n +3 "$ini" | cmp -s - "$work/keys.txt" || fail "keys differ: $(tail -n +3 "$ini")"

# --- Second run: tick the joypad box with the mouse, SAVE: only "Options Saved".
start_tool
geometry=$(awk '$1 == "control" && $2 == 1001 { print $3, $4 }' "$dump")
x=$(echo "$geometry" | awk '{ split($1, p, ","); print p[1] + 8 }')
y=$(echo "$geometry" | awk '{ split($1, p, ","); split($2, s, "x"); print p[2] + int(s[2] / 2) }')
xdotool mousemove --window "$win" "$x" "$y" click 1
key_to "$win" Return
dismiss '"Options Saved" "Options Saved"'
wait_tool_end
[ "$(messages | wc -l)" -eq 1 ] || fail "a second save must show only \"Options Saved\""
tail -n +3 "$ini" | head -n 1 | grep -qx 'joy1' || fail "ticked joypad box not saved"

# --- Third run: Escape aborts; nothing is written.
cp "$ini" "$work/before.ini"
printf 'parked again' >"$game/VLwait.nul"
start_tool
key_to "$win" Escape
wait_tool_end
[ -z "$(messages)" ] || fail "Abort showed a message"
cmp -s "$ini" "$work/before.ini" || fail "Abort changed setup.ini"
[ "$(cat "$game/VLwait.nul")" = "parked again" ] || fail "Abort touched VLwait.nul"
[ "$(cat "$game/VOLTARI.exe")" = "the parked game" ] || fail "Abort touched VOLTARI.exe"

echo "optedit GUI test passed"
