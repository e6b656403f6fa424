#!/usr/bin/env bash
# Exec to viewable window, side by side on one virtual X display: a one-label
# Qt window, the program on a virtual pager, and the program as it starts
# without --jig. The target: the program on a virtual pager within 1.3 times
# the one-label window. Build the release tree with benchmarks first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DCCP_BUILD_BENCH=ON
#   cmake --build build/release --target capcode-programmer capcode-tool \
#         one_label_window window_start_probe
# usage: start_bench.sh [RUNS] [BUILD]   (default: 20 runs, build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build=$(realpath "${2:-$root/build/release}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
XDG_DATA_HOME=$work/xdg "$build/src/tool/capcode-tool" --jig "sim:$work/pager.bin" --repair --write \
    --production-log /dev/null >/dev/null
QT_QPA_PLATFORM=xcb XDG_DATA_HOME=$work/xdg xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/bench/window_start_probe" "$runs" \
    "$build/bench/one_label_window" :: \
    "$build/src/view/capcode-programmer" --jig "sim:$work/pager.bin" :: \
    "$build/src/view/capcode-programmer"
