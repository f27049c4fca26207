#!/bin/sh
# Fails when groff has anything to say about a man page: every warning on.
# Usage: manlint.sh PAGE...
set -eu
status=0
for page in "$@"; do
    out=$(LC_ALL=C.UTF-8 groff -man -ww -z "$page" 2>&1) || status=1
    if [ -n "$out" ]; then
        echo "$page:" >&2
        echo "$out" >&2
        status=1
    fi
done
exit $status
