#!/bin/sh
# check-layers on small trees: every kind of include that looks up is
# named and fails the check; includes that look down or sideways pass.
#   looks_up.sh CHECK_LAYERS
set -eu
check=$1
tree=$(mktemp -d "${TMPDIR:-/tmp}/voltari-layers-XXXXXX")
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$tree/game/base" "$tree/game/match" "$tree/game/media" "$tree/game/flow" "$tree/settings" \
    "$tree/net" "$tree/netplay"
printf '#include "net/protocol.h"\n' > "$tree/netplay/driver.cpp"
printf '#include "settings/settings.h"\n#include "game/base/state.h"\n' > "$tree/game/base/state.cpp"
printf '#include "game/base/state.h"\n#include "game/match/ball.h"\n' > "$tree/game/match/ball.cpp"
printf '#include "game/match/ball.h"\n#include "game/media/image.h"\n' > "$tree/game/media/image.cpp"
printf '#include "game/media/image.h"\n#include "game/flow/game.h"\n' > "$tree/game/flow/game.cpp"
sh "$check" "$tree" >/dev/null || fail "a tree that looks only down was refused"

for case in "game/base/timeseam.h game/match/ball.h" "game/match/paddle.cpp game/media/sprites.h" \
            "game/media/sequences.cpp game/flow/state.h" "settings/settings.cpp game/base/state.h" \
            "net/host.cpp game/base/timeseam.h" "netplay/driver.cpp game/flow/game.h"; do
    set -- $case
    printf '// a comment\n  #  include "%s"\n' "$2" > "$tree/$1"
    if out=$(sh "$check" "$tree" 2>&1); then
        fail "$1 including $2 passed"
    fi
    echo "$out" | grep -q "^$1:2: .*$2" || fail "the report does not name $1:2: $out"
    rm "$tree/$1"
done
echo "looks_up: every include that looks up fails the check"
