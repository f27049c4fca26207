#!/bin/sh
# The launcher's command line, in a game folder of stand-ins: a game that
# writes down its arguments, a setup tool and a network dialog that do the
# same, a window-scale helper, an OpenGL name helper. The network options reach the game after the
# usual checks (the parked game still gets the setup tool first); --net
# opens the dialog with the launcher's own path; the usage line names every
# option; a plain start passes nothing on. SDL's software renderer where the
# OpenGL is a software rasteriser, unless the player chose. --desktop rewrites every Exec
# line, the actions' too, and the entry it writes still validates.
# Usage: launcher_test.sh <configured voltari.sh> [desktop entry]
set -eu
launcher="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
entry="${2:-}"
work="$(mktemp -d "${TMPDIR:-/tmp}/voltari-launcher-XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 1' HUP INT TERM PIPE

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A folder with spaces in its name: every path must be quoted.
game="$work/game folder"
mkdir -p "$game"
cp "$launcher" "$game/voltari.sh"
# Each stand-in writes its name and arguments, one a line, to calls.txt.
standIn() {
    cat >"$game/$1" <<EOF
#!/bin/sh
{ echo "$1"; for a in "\$@"; do echo "[\$a]"; done; } >>"$work/calls.txt"
$2
EOF
    chmod +x "$game/$1"
}
# The game also writes down how SDL is to draw.
standIn VOLTARI.exe 'echo "render=${SDL_RENDER_DRIVER:-} framebuffer=${SDL_FRAMEBUFFER_ACCELERATION:-}" >"'"$work"'/render.txt"'
standIn optedit ''
standIn voltari-net ''
printf '#!/bin/sh\necho 1\n' >"$game/voltari-scale"
chmod +x "$game/voltari-scale"
# Names the OpenGL written in gl.txt; without it, there is none.
printf '#!/bin/sh\ncat "%s/gl.txt"\n' "$work" >"$game/voltari-glinfo"
chmod +x "$game/voltari-glinfo"
unset SDL_RENDER_DRIVER SDL_FRAMEBUFFER_ACCELERATION SDL12COMPAT_SYNC_TO_VBLANK
[ -z "$entry" ] || cp "$entry" "$game/voltari.desktop"

# run EXPECTED-STATUS ARGS...: the launcher's output in out.txt, calls in calls.txt.
run() {
    want=$1
    shift
    ran="$*"
    rm -f "$work/calls.txt"
    : >"$work/calls.txt"
    status=0
    (cd "$work" && "$game/voltari.sh" "$@") >"$work/out.txt" 2>&1 || status=$?
    [ "$status" -eq "$want" ] || fail "voltari $*: status $status, not $want: $(cat "$work/out.txt")"
}
# calls LINE...: what the stand-ins wrote, exactly.
calls() {
    expected="$(printf '%s\n' "$@")"
    [ "$(cat "$work/calls.txt")" = "$expected" ] ||
        fail "voltari $ran: the programs were called as
$(cat "$work/calls.txt")
and not as
$expected"
}

# The network options reach the game as they were given.
run 0 --host
calls VOLTARI.exe '[--host]'
run 0 --host 5000
calls VOLTARI.exe '[--host]' '[5000]'
run 0 --join 192.168.1.5:5000
calls VOLTARI.exe '[--join]' '[192.168.1.5:5000]'
run 0 --join '[fd00::2]:24642'
calls VOLTARI.exe '[--join]' '[[fd00::2]:24642]'
run 0 --watch 'host name'
calls VOLTARI.exe '[--watch]' '[host name]'
run 0 --relay nats://relay.example.org:4222 --quick
calls VOLTARI.exe '[--relay]' '[nats://relay.example.org:4222]' '[--quick]'
# The local game, as before: nothing passed on.
run 0
calls VOLTARI.exe
run 0 ''
calls VOLTARI.exe

# How SDL draws: GL-NAME (empty: no OpenGL), the player's own variables,
# what the game gets.
while IFS='|' read -r gl own want; do
    if [ -n "$gl" ]; then echo "$gl" >"$work/gl.txt"; else rm -f "$work/gl.txt"; fi
    # shellcheck disable=SC2086 # the player's assignments, split on purpose
    env $own "$game/voltari.sh" >"$work/out.txt" 2>&1 || fail "with $gl [$own]: $(cat "$work/out.txt")"
    [ "$(cat "$work/render.txt")" = "$want" ] || fail "with $gl [$own]: $(cat "$work/render.txt"), not $want"
done <<'EOF'
llvmpipe (LLVM 15.0.6, 256 bits)||render=software framebuffer=0
softpipe||render=software framebuffer=0
Mesa DRI Intel(R) 965GM (swrast)||render=software framebuffer=0
Software Rasterizer||render=software framebuffer=0
D3D12 (Microsoft Basic Render Driver)||render=software framebuffer=0
Mesa Intel(R) UHD Graphics 620 (KBL GT2)||render= framebuffer=
AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)||render= framebuffer=
NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2||render= framebuffer=
||render= framebuffer=
llvmpipe (LLVM 15.0.6, 256 bits)|SDL_RENDER_DRIVER=opengl|render=opengl framebuffer=
llvmpipe (LLVM 15.0.6, 256 bits)|SDL_FRAMEBUFFER_ACCELERATION=1|render= framebuffer=1
llvmpipe (LLVM 15.0.6, 256 bits)|SDL12COMPAT_SYNC_TO_VBLANK=1|render= framebuffer=
EOF

# The dialog, told the launcher to start the game with.
run 0 --net host
calls voltari-net '[host]' "[$game/voltari.sh]"
run 0 --net join
calls voltari-net '[join]' "[$game/voltari.sh]"

# Wrong shapes: the usage line, status 2, nothing started.
for args in "--net" "--net play" "--net host extra" "--join" "--watch" "--join a b" "--host 1 2" "--bogus"; do
    # shellcheck disable=SC2086 # split on purpose
    run 2 $args
    calls
    grep -q -- '--host \[PORT\] | --join HOST\[:PORT\] | --watch HOST\[:PORT\] | --relay URL --host|--join CODE|--watch CODE|--quick | --net host|join' "$work/out.txt" ||
        fail "voltari $args: usage line $(cat "$work/out.txt")"
done

# A parked game: the setup tool first, then the game with the options.
mv "$game/VOLTARI.exe" "$game/VLwait.nul"
run 1 --host 5000
calls optedit
grep -q 'not installed yet' "$work/out.txt" || fail "parked game: $(cat "$work/out.txt")"
mv "$game/VLwait.nul" "$game/VOLTARI.exe"

# A folder without the dialog says so.
rm "$game/voltari-net"
run 1 --net host
grep -q 'no network game dialog' "$work/out.txt" || fail "missing dialog: $(cat "$work/out.txt")"

# --desktop: every Exec line runs this folder's launcher, the actions' too.
if [ -n "$entry" ]; then
    XDG_DATA_HOME="$work/data" run 0 --desktop
    written="$work/data/applications/voltari.desktop"
    [ -f "$written" ] || fail "--desktop wrote no entry"
    grep -q "^Exec=\"$game/voltari.sh\"\$" "$written" || fail "main Exec: $(grep ^Exec "$written")"
    grep -q "^Exec=\"$game/voltari.sh\" --net host\$" "$written" || fail "host action: $(grep ^Exec "$written")"
    grep -q "^Exec=\"$game/voltari.sh\" --net join\$" "$written" || fail "join action: $(grep ^Exec "$written")"
    grep -q "^Exec=\"$game/voltari.sh\" --setup\$" "$written" || fail "setup action: $(grep ^Exec "$written")"
    ! grep -q '^Exec=voltari' "$written" || fail "an Exec line not rewritten: $(grep ^Exec "$written")"
    if command -v desktop-file-validate >/dev/null; then
        out="$(desktop-file-validate "$written" 2>&1)" || fail "written entry: $out"
        [ -z "$out" ] || fail "written entry: $out"
    fi
fi
echo "launcher: passed"
