#!/bin/sh
# Starts VOLTARI from its own folder, where it finds its data and setup.ini.
# While the game still has its parked name, the setup tool runs first: its
# SAVE button installs the game.
#   voltari.sh            play
#   voltari.sh --desktop  point voltari.desktop at this folder and add it to
#                         the desktop's menu
set -eu
cd "$(dirname "$0")"

if [ "${1:-}" = "--desktop" ]; then
    here=$(pwd -P)
    apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
    sed -e "s|^Exec=.*|Exec=\"$here/voltari.sh\"|" -e "s|^Icon=.*|Icon=$here/voltari.png|" \
        voltari.desktop >voltari.desktop.new
    mv voltari.desktop.new voltari.desktop
    mkdir -p "$apps"
    cp voltari.desktop "$apps/voltari.desktop"
    echo "voltari: added $apps/voltari.desktop"
    exit 0
fi

if [ -e VLwait.nul ]; then
    ./optedit
fi
if [ ! -x VOLTARI.exe ]; then
    echo "voltari: not installed yet, run ./optedit and press SAVE" >&2
    exit 1
fi
exec ./VOLTARI.exe
