#!/usr/bin/env bash
# Resident memory of the running window after start-up: starts the program on
# a virtual X display, waits until its window is shown and has settled, reads
# VmRSS and VmHWM from /proc, then ends it. The target is under 80 MiB.
# usage: window_memory.sh PROGRAM   (run under xvfb-run with QT_QPA_PLATFORM=xcb)
set -euo pipefail
"$1" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
timeout 60 xdotool search --sync --onlyvisible --name "Capcode Programmer" >/dev/null
sleep 2
grep -E 'VmRSS|VmHWM' "/proc/$pid/status"
