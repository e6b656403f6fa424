#!/usr/bin/env bash
# The production station in the real window, on a virtual jig's socket (a
# folder) and driven by key presses only: a series made with capcode-tool is
# opened from the Series menu, Start on placement switched on, and five
# pagers are placed on the jig one after another, each taken off once its
# result shows; the third is damaged (its EEPROM's checksum broken), so its
# write fails. Afterwards four pagers hold their own next capcodes of the
# series, the damaged pager's capcodes went to the next one, the store has
# five records, and no write was started without a pager on the jig or twice
# for one placement. Photographs of the series, the result lines and the
# Records view go to every folder given. Run by CTest under xvfb-run.
# usage: station_test.sh PROGRAM TOOL FOLDER...
set -euo pipefail
program=$1
tool=$2
shift 2
limit=60 # seconds for any one thing to happen

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "station: $*" >&2
    [ -f "$work/window.log" ] && tail -n 20 "$work/window.log" >&2
    exit 1
}
export XDG_DATA_HOME=$work/xdg
db=$work/production.db
socket=$work/socket
mkdir -p "$socket" "$work/bench" "$work/done"

# Five programmed pagers of the start platform; the third one's EEPROM
# has a byte of its checksummed block changed, as a damaged part reads.
"$tool" --jig "sim:$work/bench/pager1.bin" --repair --write >/dev/null
"$tool" --jig "sim:$work/bench/pager1.bin" --read --save "$work/template.eep" >/dev/null
for n in 2 3 4 5; do cp "$work/bench/pager1.bin" "$work/bench/pager$n.bin"; done
printf '\x5a' | dd of="$work/bench/pager3.bin" bs=1 seek=16 conv=notrunc status=none
cmp -s "$work/bench/pager1.bin" "$work/bench/pager3.bin" && fail "pager 3 was not damaged"

# The series: every entry stepping by one from its own capcode.
sets=()
for entry in 1 2 3 4 5 6 7 8; do
    sets+=(--set "address$entry=$((entry * 100000))" --set "autoinc$entry=1")
done
"$tool" series create line --load "$work/template.eep" "${sets[@]}" --db "$db" >/dev/null

source "$(dirname "$0")/window_steps.sh"
title() { xdotool getwindowname "$wid"; }
wait_title() {
    local text=$1
    for _ in $(seq 1 $((limit * 10))); do
        if title | grep -qF -- "$text"; then return 0; fi
        kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for '$text'"
        sleep 0.1
    done
    fail "the title never showed '$text': $(title)"
}

"$program" --jig "sim:$socket" --db "$db" >"$work/window.log" 2>&1 &
pid=$!
wid=$(timeout $limit xdotool search --sync --onlyvisible --name "Virtual pager" | head -n 1)
[ -n "$wid" ] || fail "no window with 'Virtual pager' in its title"
xdotool windowfocus --sync "$wid"

# Series > Open series..., the first (only) series, Open.
xdotool key alt+s
sleep 0.5
xdotool key o
timeout $limit xdotool search --sync --onlyvisible --name "Open series" >/dev/null ||
    fail "no Open series dialog"
sleep 0.3
xdotool key Return
wait_title "Series line: written 0, failed 0, next 100000 200000"
# The Addresses/Folders tab (a click at its place, as the end-to-end test
# does), to show the locked capcode fields.
xdotool windowfocus --sync "$wid"
xdotool mousemove --sync --window "$wid" 15 86 click 1
sleep 0.5
photograph series-open "$@"

# Series > Start on placement.
xdotool key alt+s
sleep 0.5
xdotool key s
wait_title "place a pager"

# Each pager placed once the station waits for one, taken off once its
# result shows; what the title says is kept for the checks below.
for n in 1 2 3 4 5; do
    wait_title "place a pager"
    mv "$work/bench/pager$n.bin" "$socket/"
    wait_title "take the pager off"
    # Written plus failed grows by one with each pager.
    sum=
    for _ in $(seq 1 $((limit * 10))); do
        sum=$(title | sed -n 's/.*written \([0-9]*\), failed \([0-9]*\).*/\1+\2/p')
        if [ -n "$sum" ] && [ $((sum)) -eq "$n" ]; then break; fi
        sleep 0.1
    done
    [ -n "$sum" ] && [ $((sum)) -eq "$n" ] || fail "pager $n: no result within $limit s: $(title)"
    sleep 0.5
    case $n in
    1) photograph result-verified "$@" ;;
    3) photograph result-failed "$@" ;;
    esac
    mv "$socket/pager$n.bin" "$work/done/"
done
wait_title "Series line: written 4, failed 1"

# Series > Records...
xdotool key alt+s
sleep 0.5
xdotool key r
timeout $limit xdotool search --sync --onlyvisible --name "^Records$" >/dev/null ||
    fail "no Records view"
sleep 0.5
photograph records-view "$@"
xdotool key Escape
sleep 0.3

exit_through_file_menu

# Five records of the series, in the order the pagers were placed: four
# verified, the third failed.
"$tool" record --series line --jsonl --db "$db" >"$work/records.jsonl"
[ "$(wc -l <"$work/records.jsonl")" -eq 5 ] || fail "not five records: $(cat "$work/records.jsonl")"
results=$(sed -n 's/.*"result":"\([^"]*\)".*/\1/p' "$work/records.jsonl" | tr '\n' '|')
[ "${results//[^|]/}" = "|||||" ] || fail "results: $results"
[ "$(echo "$results" | cut -d'|' -f3)" != "Verify OK !" ] || fail "pager 3 did not fail: $results"
for f in 1 2 4 5; do
    [ "$(echo "$results" | cut -d'|' -f$f)" = "Verify OK !" ] || fail "pager $f failed: $results"
done

# Each verified pager holds its own next capcodes: 1 the first, 2 the
# second, 4 the third pager's (given back by the damaged one), 5 the fourth.
capcode1() {
    cp "$1" "$work/check.bin"
    "$tool" --jig "sim:$work/check.bin" --read --json |
        grep -A 2 '"address1": {' | sed -n 's/.*"text": "\(.*\)".*/\1/p'
}
declare -A want=([1]=0100000 [2]=0100001 [4]=0100002 [5]=0100003)
for n in 1 2 4 5; do
    got=$(capcode1 "$work/done/pager$n.bin")
    [ "$got" = "${want[$n]}" ] || fail "pager $n holds capcode 1 '$got', not ${want[$n]}"
done
# The damaged pager's record names the capcodes the fourth pager got.
sed -n 3p "$work/records.jsonl" | grep -q '"capcode":"0100002"' ||
    fail "the damaged pager's attempt did not have 0100002: $(sed -n 3p "$work/records.jsonl")"
"$tool" series show line --db "$db" | grep -q "next capcodes: 100004 200004" ||
    fail "the series' next capcodes: $("$tool" series show line --db "$db")"
# No write without a pager on the jig: every record is one of the five.
echo "five pagers placed and taken off: four verified with their own capcodes, one failed; photographs in $*"
