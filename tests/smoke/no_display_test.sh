#!/usr/bin/env bash
# --version and --help print and exit 0 with no display to open: the window's
# platform plug-in would abort the program if it tried.
# usage: no_display_test.sh PROGRAM
set -euo pipefail
program=$1
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 30 "$program" "$@"; }
version=$(run --version)
[[ $version == "capcode-programmer "[0-9]* ]] ||
    { echo "--version printed '$version'" >&2; exit 1; }
help=$(run --help)
grep -q -- "--jig <JIG>" <<<"$help" || { echo "--help does not show --jig: $help" >&2; exit 1; }
grep -q -- "sim-usb:FILE" <<<"$help" || { echo "--help does not name the jig words" >&2; exit 1; }
echo "--version: $version; --help lists --jig"
