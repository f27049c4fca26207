#!/bin/sh
# Starts VOLTARI from its own folder, where it finds its data and setup.ini.
# While the game still has its parked name, the setup tool runs first: its
# SAVE button installs the game.
set -eu
cd "$(dirname "$0")"
if [ -e VLwait.nul ]; then
    ./optedit
fi
if [ ! -x VOLTARI.exe ]; then
    echo "voltari: not installed yet, run ./optedit and press SAVE" >&2
    exit 1
fi
exec ./VOLTARI.exe
