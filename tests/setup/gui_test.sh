#!/bin/sh
# Drives the setup tool under a virtual X server, in temporary game folders:
# the dialog's caption, check box texts and states, SAVE with the Enter key
# and its message boxes, a ticked box saved, Escape aborting, the files left
# behind; without "setup.ini" the dialog stays hidden behind "No ini found !"
# and first appears with the defaults; Space at once presses SAVE. Most runs
# use optedit_probe, the same objects plus a watcher that appends to the file
# in OPTEDIT_DUMP what X alone cannot tell: control ids, texts and states at
# the first paint, and every message box with its icon. The shipped optedit
# runs too, and must read no environment variable.
# Usage: gui_test.sh <path to optedit> <path to optedit_probe>
set -eu

optedit=$(realpath "$1")
probe=$(realpath "$2")
work=$(mktemp -d /tmp/optedit-gui-XXXXXX)
game="$work/game"
dump="$work/dump.txt"
ini="$game/setup.ini"
tool_pid=""

cleanup() {
    if [ -n "$tool_pid" ]; then kill "$tool_pid" 2>/dev/null || true; fi
    stopXvfb
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

# The virtual X server, started as the end-to-end tests start theirs.
. "$(dirname "$0")/../e2e/xvfb.sh"
startXvfb || fail "no X server"
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY || true

caption='^tovrin VOLTARI Setup Tool 2\.0 for Windows$'

# Starts a program in the game folder: the probe, or the one given.
launch() {
    rm -f "$dump"
    (cd "$game" && OPTEDIT_DUMP="$dump" exec "${1:-$probe}") >"$work/tool.log" 2>&1 &
    tool_pid=$!
}

# Waits for the dialog on screen (and, from the probe, its first paint).
wait_dialog() {
    win=$(findWindow 20 --onlyvisible --name "$caption") ||
        fail "no dialog with the caption"
    if [ -z "${1:-}" ]; then wait_for 'grep -q "^dialog " "$dump" 2>/dev/null'; fi
}

start_tool() {
    launch
    wait_dialog
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

# Dismisses the message box once the probe has shown `text` (the dump line)
# with the Enter key. No box carries an icon.
dismiss() {
    wait_for "grep -qF '$1' \"\$dump\" 2>/dev/null"
    grep -F "$1" "$dump" | grep -q ' none$' || fail "a box with an icon: $(grep -F "$1" "$dump")"
    wait_for find_box
    key_to "$box" Return
}

# The same for the shipped tool, by the box's caption alone.
dismiss_named() {
    wait_for "box=\$(xdotool search --onlyvisible --name '^$1\$' 2>/dev/null | head -n 1); [ -n \"\$box\" ]"
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

# setup.ini as SAVE writes it: a line feed, the header, then the keys given
# (one a line), without a final line end.
check_ini() {
    [ "$(head -c 1 "$ini" | od -An -c | tr -d ' ')" = '\n' ] || fail "setup.ini must start with a line feed"
    [ "$(wc -l <"$ini")" -eq 6 ] || fail "setup.ini must hold seven lines without a final line end"
    ! grep -q "$(printf '\r')" "$ini" || fail "setup.ini holds carriage returns"
    sed -n 2p "$ini" | grep -Eq '^Created with VOLTARI SeTuP for Windows 2\.0 : Date/Time  [1-9][0-9]?\.[1-9][0-9]?\.[0-9]{4}/[0-9]{1,2}:[0-9]{1,2}$' ||
        fail "header line: $(sed -n 2p "$ini")"
    printf "$1" >"$work/keys.txt"
    tail -n +3 "$ini" | cmp -s - "$work/keys.txt" || fail "keys differ: $(tail -n +3 "$ini")"
}

# --- The shipped tool reads no environment variable: no lookup among its
# imports and no trace of the probe's variable. The probe, made of the same
# objects, shows that the check sees a lookup where there is one.
env_lookups() {
    nm -D --undefined-only "$1" | awk '{ sub(/@.*/, "", $NF); print $NF }' | c++filt |
        grep -E '^(secure_getenv|getenv|wxGetEnv)\b' || true
}
[ -z "$(env_lookups "$optedit")" ] || fail "optedit looks up the environment: $(env_lookups "$optedit")"
! grep -q OPTEDIT_DUMP "$optedit" || fail "optedit names OPTEDIT_DUMP"
[ -n "$(env_lookups "$probe")" ] && grep -q OPTEDIT_DUMP "$probe" || fail "the check cannot see the probe's lookup"

mkdir "$game"
printf 'xspeed2\r\nsbots2\r\nlittlepoints\r\n' >"$ini"
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

check_ini 'joy0\nfullscreen1\nxspeed1\nsound1\nsbots1'

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

# --- No setup.ini, the shipped tool: "No ini found !" comes up while the
# dialog is not on screen at all; Escape then writes nothing.
rm -rf "$game"
mkdir "$game"
launch "$optedit"
wait_for "box=\$(xdotool search --onlyvisible --name '^No ini found !\$' 2>/dev/null | head -n 1); [ -n \"\$box\" ]"
[ -z "$(xdotool search --onlyvisible --name "$caption" 2>/dev/null)" ] ||
    fail "the dialog is on screen behind \"No ini found !\""
key_to "$box" Return
wait_dialog shipped
key_to "$win" Escape
wait_tool_end
[ ! -e "$ini" ] || fail "Abort wrote setup.ini"
[ ! -e "$dump" ] || fail "optedit wrote the probe's file"

# --- No setup.ini, the probe: the first paint already shows the defaults;
# Space saves them.
launch
dismiss '"No ini found !" "No ini found !"'
wait_dialog
controls | awk '$1 >= 1000 { printf "%s ", $2 }' >"$work/states.txt"
[ "$(cat "$work/states.txt")" = "1 0 1 0 0 " ] || fail "first picture shows $(cat "$work/states.txt")"
key_to "$win" space
dismiss '"Options Saved" "Options Saved"'
wait_tool_end
check_ini 'joy0\nfullscreen1\nxspeed0\nsound1\nsbots0'

# --- The shipped tool with a setup.ini: the focus starts on SAVE, so Space
# at once saves the file's options, nothing else.
printf 'xspeed1\r\n' >"$ini"
launch "$optedit"
wait_dialog shipped
key_to "$win" space
dismiss_named 'Options Saved'
wait_tool_end
check_ini 'joy0\nfullscreen1\nxspeed1\nsound1\nsbots0'
[ ! -e "$dump" ] || fail "optedit wrote the probe's file"

echo "optedit GUI test passed"
