#!/bin/sh
# The build's step that puts the new program into the game folder: parked
# in a fresh folder, the installed name updated once the setup tool has
# renamed it, and a stale parked copy beside an installed game removed.
# Usage: placegame_test.sh <cmake> <PlaceGame.cmake>
set -eu
cmake=$1
script=$2
work=$(mktemp -d /tmp/voltari-place-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*: $(ls -l "$work/game")" >&2
    exit 1
}
place() {
    printf '%s' "$1" >"$work/program"
    chmod 755 "$work/program"
    "$cmake" -DPROGRAM="$work/program" -DDIR="$work/game" -P "$script"
}
mkdir "$work/game"

place first
[ "$(cat "$work/game/VLwait.nul")" = first ] && [ ! -e "$work/game/VOLTARI.exe" ] || fail "fresh folder"
[ -x "$work/game/VLwait.nul" ] || fail "parked program not executable"

mv "$work/game/VLwait.nul" "$work/game/VOLTARI.exe"  # the install step
place second
[ "$(cat "$work/game/VOLTARI.exe")" = second ] && [ ! -e "$work/game/VLwait.nul" ] || fail "installed folder"
[ -x "$work/game/VOLTARI.exe" ] || fail "installed program not executable"

printf stale >"$work/game/VLwait.nul"  # left by an older build
place third
[ "$(cat "$work/game/VOLTARI.exe")" = third ] && [ ! -e "$work/game/VLwait.nul" ] || fail "stale parked copy"
echo "placegame: parked, updated, stale copy removed"
