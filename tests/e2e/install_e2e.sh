#!/bin/sh
# A new player on an installed system: the build installed into a scratch
# root, the launcher started through a link from an unrelated directory with
# a fresh HOME, under a 1920 x 1440 virtual screen.
#  1. First start: the player's folder is made, the setup tool opens there
#     and SAVE installs the game; the game window has class "voltari", the
#     player's own window scale (1) wins, the menu shows; Escape quits with
#     status 0.
#  2. Second start: no setup tool, the same folder and setup.ini; the window
#     is scaled to fit the screen (2 x) and carries the game's icon.
# Usage: install_e2e.sh <build dir> <wincheck>
set -eu
build="$(cd "$1" && pwd)"
wincheck="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xvfb.sh"

work="$(mktemp -d /tmp/voltari-install-XXXXXX)"
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
    for f in "$work"/*.log; do
        [ -f "$f" ] && { echo "--- $f:" >&2; cat "$f" >&2; }
    done
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

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || fail "install failed"
# The AppStream entry as installed, with the desktop entry it names.
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net "$work/root" >"$work/appstream.log" 2>&1 || fail "installed tree: AppStream"
fi
mkdir -p "$work/bin" "$work/elsewhere" "$work/home"
ln -s "$work/root/usr/games/voltari" "$work/bin/voltari"
export HOME="$work/home"
unset XDG_DATA_HOME SDL_VIDEODRIVER SDL12COMPAT_WINDOW_SCALING
export SDL_AUDIODRIVER=dummy GDK_BACKEND=x11 NO_AT_BRIDGE=1
folder="$HOME/.local/share/voltari"
startXvfb 1920x1440
cd "$work/elsewhere"

# There is no window manager: the test gives the focus itself.
press() {
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool key Return
}
# A visible window of the setup tool other than the dialog and the boxes
# answered already: the next message box.
answered=""
box() {
    for w in $(xdotool search --onlyvisible --class optedit 2>/dev/null); do
        case " $dialog $answered " in
        *" $w "*) ;;
        *) echo "$w" && return 0 ;;
        esac
    done
    return 1
}
# Answers the next message box, whose caption is $1, with Enter.
answer() {
    waitFor 'b=$(box)'
    [ "$(xdotool getwindowname "$b")" = "$1" ] || fail "a box \"$(xdotool getwindowname "$b")\", not \"$1\""
    press "$b"
    answered="$answered $b"
}
gameWindow() {
    wid="$(findWindow 30 --onlyvisible --class '^voltari$')" || fail "no window of class voltari"
    [ "$(xprop -id "$wid" WM_CLASS)" = 'WM_CLASS(STRING) = "voltari", "voltari"' ] ||
        fail "window class: $(xprop -id "$wid" WM_CLASS)"
    xdotool windowfocus --sync "$wid" 2>/dev/null || true
}
size() { xdotool getwindowgeometry "$wid" | awk '/Geometry/ { print $2 }'; }
# The menu's first page, as the data file shows it.
menuShown() {
    set -- $("$wincheck" "$wid" "$folder/pic_1.dat" 0 0 700 200 50 150 || true)
    awk -v a="${2:-0}" 'BEGIN { exit !(a >= 0.98) }'
}
# Escape once a second until the game ends: keys during the start-up
# screens and the menu's first moments are swept away.
quit() {
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1))
        [ $i -le 40 ] || fail "the game did not quit"
        xdotool windowfocus "$wid" 2>/dev/null || true
        xdotool key Escape 2>/dev/null || true
        sleep 1
    done
    status=0
    wait "$pid" || status=$?
    pid=""
    [ $status -eq 0 ] || fail "$1: status $status"
}

# 1. First start.
SDL12COMPAT_WINDOW_SCALING=1 "$work/bin/voltari" >"$work/first.log" 2>&1 &
pid=$!
dialog="$(findWindow 30 --onlyvisible --name '^tovrin VOLTARI Setup Tool')" || fail "the setup tool did not open"
[ -L "$folder/VLwait.nul" ] && [ ! -e "$folder/VOLTARI.exe" ] || fail "the game is not parked in $folder"
[ -f "$folder/setup.ini" ] && [ ! -L "$folder/setup.ini" ] || fail "no setup.ini of the player's own"
press "$dialog"          # SAVE
answer "Options Saved"
answer ""                # "Voltari is installed now."
gameWindow
[ "$(readlink "$folder/VOLTARI.exe")" = "$work/root/usr/lib/games/voltari/VOLTARI" ] ||
    fail "VOLTARI.exe is not the installed game: $(ls -l "$folder")"
[ ! -e "$folder/VLwait.nul" ] || fail "VLwait.nul left after the install step"
[ "$(size)" = 800x600 ] || fail "window $(size), the player asked for scale 1"
waitFor menuShown
echo "first start: set up, installed, menu shown"
quit "first start"
cp "$folder/setup.ini" "$work/saved.ini"
grep -q '^Created with VOLTARI SeTuP' "$work/saved.ini" || fail "setup.ini not saved by the setup tool"

# 2. Second start: the game comes up by itself, and the launcher would
# wait for the setup tool if it had opened it.
"$work/bin/voltari" >"$work/second.log" 2>&1 &
pid=$!
gameWindow
[ -z "$(xdotool search --name '^tovrin VOLTARI Setup Tool' 2>/dev/null)" ] || fail "the setup tool opened again"
[ "$(size)" = 1600x1200 ] || fail "window $(size), 1600x1200 fits the screen"
xprop -id "$wid" _NET_WM_ICON | head -n1 | grep -q 'Icon (64 x 64)' || fail "the window has no icon"
quit "second start"
cmp -s "$folder/setup.ini" "$work/saved.ini" || fail "setup.ini changed"
echo "second start: same folder, scaled 2x, icon set"
echo "install e2e: passed"
