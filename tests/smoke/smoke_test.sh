#!/usr/bin/env bash
# Starts the real program on a virtual X display, waits for its window,
# photographs each page (Settings, Hardware, Addresses/Folders), then ends the
# program through File > Exit and checks that it exits cleanly. Run by CTest
# under xvfb-run. The photographs go to every folder given: the build folder
# and docs/, so the README's pictures show the window as built.
# usage: smoke_test.sh PROGRAM FOLDER...
set -euo pipefail
program=$1
shift

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

wid=$(timeout 60 xdotool search --sync --onlyvisible --name "Capcode Programmer" | head -n 1)
if [ -z "$wid" ]; then
    echo "the main window did not appear" >&2
    exit 1
fi
sleep 1
xdotool windowfocus --sync "$wid" 2>/dev/null || true

# The window opens on Settings; Ctrl+Tab moves to the next page.
for page in settings hardware addresses-folders; do
    first=$1
    import -window "$wid" -define png:exclude-chunks=date,time "$first/$page.png"
    for folder in "${@:2}"; do
        cp "$first/$page.png" "$folder/$page.png"
    done
    xdotool key --window "$wid" ctrl+Tab
    sleep 0.5
done

# File > Exit through the keyboard: Alt+F opens the File menu, X is Exit's accelerator.
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key --window "$wid" --clearmodifiers alt+f
sleep 0.5
xdotool key x

for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not end through File > Exit" >&2
    exit 1
fi
trap - EXIT
wait "$pid"
echo "window shown, pages photographed into $*, ended through File > Exit"
