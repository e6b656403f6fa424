#!/usr/bin/env bash
# Runs a program on a virtual X display of its own with the openbox window
# manager, so that focus, activation and window placement behave as on a
# technician's desktop.
# usage: hands.sh WIDTHxHEIGHT PROGRAM [ARGS...]
set -euo pipefail
if [ "${1:-}" != "--inside" ]; then
    size=$1
    shift
    exec xvfb-run -a -s "-screen 0 ${size}x24" "$0" --inside "$@"
fi
shift
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true' EXIT
# The window manager is up once it has named itself on the root window.
for _ in $(seq 1 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
        break
    fi
    sleep 0.1
done
QT_QPA_PLATFORM=xcb "$@"
