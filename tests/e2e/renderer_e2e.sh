#!/bin/sh
# The launcher's choice of SDL renderer in a real window under Xvfb, whose
# OpenGL is Mesa's software rasteriser, as the game's SDL reports it
# (VOLTARI_SHOW_RENDERER):
#  1. a plain start draws with SDL's software renderer and maps no OpenGL
#     library; on a 1920 x 1440 screen the launcher's scale is 2, and the
#     window shows the menu with every 2 x 2 block of one colour
#     (nearest-neighbour), the block-halved picture matching the data file;
#  2. the player's own SDL_RENDER_DRIVER=opengl wins.
# Skips (77) when SDL finds no OpenGL at all under Xvfb.
# Usage: renderer_e2e.sh GAME_DIR WINCHECK
set -eu
src="$(cd "$1" && pwd)"
wincheck="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/xvfb.sh"

installGameCopy "$src" renderer
# The launcher runs a folder that has a setup tool as a game folder of its
# own; the game in it is installed already, so the tool never runs.
[ -e "$work/optedit" ] || { printf '#!/bin/sh\n' >"$work/optedit" && chmod +x "$work/optedit"; }
startXvfb 1920x1440
cd "$work"
unset SDL_VIDEODRIVER SDL_RENDER_DRIVER SDL_FRAMEBUFFER_ACCELERATION SDL12COMPAT_SYNC_TO_VBLANK \
    SDL12COMPAT_WINDOW_SCALING SDL12COMPAT_SCALE_METHOD

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/out.txt" ] && { echo "--- game:" >&2; cat "$work/out.txt" >&2; }
    exit 1
}

gl="$(./voltari-glinfo || true)"
echo "OpenGL under Xvfb: ${gl:-none}"
[ -n "$gl" ] || { echo "skip: SDL finds no OpenGL under Xvfb"; exit 77; }

# play ENV...: starts the game through the launcher with ENV; the renderer
# SDL reports ends up in renderer.
play() {
    # A fresh file, never the last game's line.
    rm -f "$work/out.txt"
    : >"$work/out.txt"
    env "$@" VOLTARI_SHOW_RENDERER=1 SDL_AUDIODRIVER=dummy ./voltari.sh >"$work/out.txt" 2>&1 &
    game=$!
    i=0
    until renderer="$(sed -n 's/^voltari: renderer //p' "$work/out.txt")" && [ -n "$renderer" ]; do
        i=$((i + 1))
        [ $i -le 300 ] || fail "the game named no renderer"
        kill -0 "$game" 2>/dev/null || fail "the game ended"
        sleep 0.1
    done
}
stop() {
    kill "$game" 2>/dev/null || true
    wait "$game" 2>/dev/null || true
    game=""
}
glMapped() {
    grep -q -E 'libGLX_mesa|_dri\.so|libLLVM' "/proc/$game/maps"
}

# halve IN.bmp OUT.bmp: OUT is IN at half size when every 2 x 2 block of IN
# is one colour; status 1 (and a line on the first block that is not) otherwise.
halve() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
start, = struct.unpack_from("<I", data, 10)
w, h, _, bpp = struct.unpack_from("<iiHH", data, 18)
step, stride = bpp // 8, (w * bpp // 8 + 3) & ~3
rows = [data[start + (abs(h) - 1 - y if h > 0 else y) * stride:][:w * step] for y in range(abs(h))]
out = []
for y in range(0, abs(h) - 1, 2):
    if rows[y] != rows[y + 1]:
        print("rows %d and %d differ" % (y, y + 1))
        sys.exit(1)
    left = b"".join(rows[y][x * step:x * step + 3] for x in range(0, w - 1, 2))
    right = b"".join(rows[y][x * step:x * step + 3] for x in range(1, w, 2))
    if left != right:
        print("row %d: a pixel differs from its right neighbour" % y)
        sys.exit(1)
    out.append(left + b"\0" * (-len(left) % 4))
hw, hh = w // 2, abs(h) // 2
body = b"".join(reversed(out))
head = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
head += struct.pack("<IiiHHIIiiII", 40, hw, hh, 1, 24, 0, len(body), 2835, 2835, 0, 0)
open(sys.argv[2], "wb").write(head + body)
PY
}

# 1. The software renderer, scaled sharp.
play
[ "$renderer" = software ] || fail "with ${gl}: renderer $renderer, not software"
! glMapped || fail "the software renderer still mapped OpenGL: $(grep -E 'libGLX_mesa|_dri\.so|libLLVM' "/proc/$game/maps" | head -n1)"
wid="$(findWindow 20 --name '^VOLTARI$')" || fail "no VOLTARI window"
size="$(xdotool getwindowgeometry "$wid" | sed -n 's/^ *Geometry: //p')"
[ "$size" = 1600x1200 ] || fail "window $size, not 1600x1200 (scale 2)"
# The menu comes after the logo: look until it is there.
i=0
share=0
until [ "$i" -ge 300 ]; do
    if "$wincheck" --grab "$wid" "$work/shot.bmp" && why="$(halve "$work/shot.bmp" "$work/half.bmp")"; then
        share="$("$wincheck" "$work/half.bmp" pic_1.dat 0 0 700 200 50 150 | awk '{ print $2 }')"
        awk -v s="${share:-0}" 'BEGIN { exit !(s >= 0.98) }' && break
    elif [ -n "${why:-}" ]; then
        fail "scaled, not nearest-neighbour: $why"
    fi
    i=$((i + 1))
    sleep 0.1
done
[ "$i" -lt 300 ] || fail "the menu never showed at scale 2 (share $share)"
stop

# 2. The player's own choice.
play SDL_RENDER_DRIVER=opengl
[ "$renderer" = opengl ] || fail "SDL_RENDER_DRIVER=opengl gave renderer $renderer"
glMapped || fail "the OpenGL renderer mapped no OpenGL library"
stop
echo "renderer: passed"
