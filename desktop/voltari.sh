#!/bin/sh
# Starts VOLTARI. The game and its setup tool work in the current directory,
# so this picks the game folder and runs them there:
#  - next to a game folder of its own (the tarball, the build's game folder):
#    that folder;
#  - installed (as <prefix>/games/voltari): the player's own folder,
#    $XDG_DATA_HOME/voltari, made at the first start with links to the
#    installed programs and data files and a starter setup.ini. The game
#    there is parked as VLwait.nul until the setup tool's SAVE installs it.
#
#   voltari            play (the setup tool comes first while the game is parked)
#   voltari --setup    open the setup tool in the game folder
#   voltari --desktop  (own game folder only) add the folder to the desktop's menu
#   voltari --host [PORT] | --join HOST[:PORT] | --watch HOST[:PORT]
#   voltari --relay URL --host | --join CODE | --watch CODE | --quick
#                      a network game: play as the host, join one, watch one,
#                      or (--quick) play anyone waiting on the relay
#   voltari --net host|join
#                      the network game's dialog, which starts one of those
set -eu

self=$(readlink -f "$0")
here=$(dirname "$self")

fail() {
    echo "voltari: $*" >&2
    exit 1
}

# Where the player's own data goes: an absolute XDG_DATA_HOME, or the default.
dataHome() {
    case "${XDG_DATA_HOME:-}" in
    /*) echo "$XDG_DATA_HOME" ;;
    *) echo "${HOME:?}/.local/share" ;;
    esac
}

# The player's folder for an installed game: links to what the package
# installed, so an upgrade reaches it with no new install step.
playerFolder() {
    lib=$(cd "$here/@VOLTARI_LIB_FROM_BIN@" && pwd -P) || fail "no programs in $here/@VOLTARI_LIB_FROM_BIN@"
    data=$(cd "$here/@VOLTARI_DATA_FROM_BIN@" && pwd -P) || fail "no data in $here/@VOLTARI_DATA_FROM_BIN@"
    dir="$(dataHome)/voltari"
    mkdir -p "$dir"
    for file in "$data"/* "$lib/optedit"; do
        name=${file##*/}
        [ "$name" = setup.ini ] || [ -e "$dir/$name" ] || ln -sfn "$file" "$dir/$name"
    done
    [ -e "$dir/setup.ini" ] || cp "$data/setup.ini" "$dir/setup.ini"
    # The game under whichever name it has, pointed at this installation
    # when the old target is gone.
    for name in VLwait.nul VOLTARI.exe; do
        if [ -L "$dir/$name" ] && [ ! -e "$dir/$name" ]; then
            ln -sfn "$lib/VOLTARI" "$dir/$name"
        fi
    done
    [ -e "$dir/VOLTARI.exe" ] || [ -e "$dir/VLwait.nul" ] || ln -s "$lib/VOLTARI" "$dir/VLwait.nul"
    scaler="$lib/voltari-scale"
    glinfo="$lib/voltari-glinfo"
    netdialog="$lib/voltari-net"
}

usage() {
    echo "usage: voltari [--setup | --desktop | --host [PORT] | --join HOST[:PORT] | --watch HOST[:PORT] | --relay URL --host|--join CODE|--watch CODE|--quick | --net host|join]" >&2
    exit 2
}

if [ -e "$here/optedit" ]; then
    dir=$here
    scaler="$here/voltari-scale"
    glinfo="$here/voltari-glinfo"
    netdialog="$here/voltari-net"
else
    playerFolder
fi
cd "$dir"

case "${1:-}" in
"")
    set --
    ;;
--setup)
    exec ./optedit
    ;;
--desktop)
    [ "$dir" = "$here" ] || fail "--desktop is for a game folder; an installed game is in the menu already"
    apps="$(dataHome)/applications"
    mkdir -p "$apps"
    sed -e "s|^Exec=voltari|Exec=\"$dir/voltari.sh\"|" -e "s|^Icon=.*|Icon=$dir/voltari.png|" \
        voltari.desktop >"$apps/voltari.desktop"
    echo "voltari: added $apps/voltari.desktop"
    exit 0
    ;;
# The game reads these itself; only their number is checked here.
--host)
    [ $# -le 2 ] || usage
    ;;
--join | --watch)
    [ $# -eq 2 ] || usage
    ;;
--relay)
    [ $# -eq 3 ] || [ $# -eq 4 ] || usage
    ;;
--net)
    [ $# -eq 2 ] || usage
    case "$2" in host | join) ;; *) usage ;; esac
    [ -x "$netdialog" ] || fail "no network game dialog in $(dirname "$netdialog")"
    exec "$netdialog" "$2" "$self"
    ;;
*)
    usage
    ;;
esac

# Docks and task bars match the window to the menu entry by this name.
export SDL_VIDEO_X11_WMCLASS=voltari SDL_VIDEO_WAYLAND_WMCLASS=voltari
# Any common gamepad gets one layout: button 0 and the first stick mean the
# same on all of them. The player's own settings of these win.
export SDL12COMPAT_USE_GAME_CONTROLLERS="${SDL12COMPAT_USE_GAME_CONTROLLERS:-1}"
export SDL12COMPAT_SCALE_METHOD="${SDL12COMPAT_SCALE_METHOD:-nearest}"
if [ -z "${SDL12COMPAT_WINDOW_SCALING:-}" ]; then
    SDL12COMPAT_WINDOW_SCALING=$("$scaler" 2>/dev/null) || SDL12COMPAT_WINDOW_SCALING=1
    export SDL12COMPAT_WINDOW_SCALING
fi
# Without a graphics card (virtual machines, remote desktops, Xvfb) SDL's
# OpenGL renderer runs on a software rasteriser, which costs more CPU than
# SDL's own software renderer and maps some 90 MB of Mesa and LLVM. There the
# game draws with the software renderer straight into the window's X image
# (SDL_FRAMEBUFFER_ACCELERATION=0: otherwise SDL still presents the software
# renderer's picture through an OpenGL texture). A graphics card keeps
# OpenGL. The player's own choice wins, and so does a wish for vsync, which
# only OpenGL gives.
if [ -z "${SDL_RENDER_DRIVER:-}${SDL_FRAMEBUFFER_ACCELERATION:-}${SDL12COMPAT_SYNC_TO_VBLANK:-}" ]; then
    case "$("$glinfo" 2>/dev/null || true)" in
    *llvmpipe* | *softpipe* | *swrast* | *"Software Rasterizer"* | *"Basic Render Driver"*)
        export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
        ;;
    esac
fi
# Sound through PulseAudio (or PipeWire's PulseAudio service): SDL asks the
# server to hold just one device buffer of the game's sound, 11.6 ms, which
# runs dry, an audible tick, whenever the game's sound thread is a few ms
# late on a busy machine. The server holds this many ms instead; with the
# mixer's own 23 ms a hit still reaches the speaker in about 35 ms on
# average, 55 at most (tests/sound). It rides out short delays; when other
# work keeps every core busy the sound still drops out about as often as
# without it (README). The player's own value wins.
export PULSE_LATENCY_MSEC="${PULSE_LATENCY_MSEC:-20}"

if [ -e VLwait.nul ]; then
    ./optedit || true
fi
[ -e VOLTARI.exe ] || fail "not installed yet: run voltari --setup and press SAVE"
exec ./VOLTARI.exe "$@"
