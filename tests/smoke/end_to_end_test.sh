#!/usr/bin/env bash
# A technician's round on a virtual pager, through the real program on a
# virtual X display and nothing but key presses and clicks: Read From Pager, capcode 1
# typed anew, Write To Pager, File > Exit. Then the pager file must hold the
# new capcode, equal what capcode-tool writes from the same settings to a copy
# of the same starting pager, and the production record must hold one
# verified write. Photographs of the progress dialog and of the window after
# the write go to every folder given. Run by CTest under xvfb-run.
# usage: end_to_end_test.sh PROGRAM TOOL FOLDER...
set -euo pipefail
program=$1
tool=$2
shift 2
new_capcode=1234567
limit=60 # seconds for any one thing to happen

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "end-to-end: $*" >&2
    exit 1
}

# A programmed pager of the start platform, and a copy for capcode-tool.
pager=$work/pager.bin
"$tool" --jig "sim:$pager" --repair --write --production-log "$work/tool.jsonl" >/dev/null
cp "$pager" "$work/copy.bin"

# The pager file is replaced in one rename after each operation: a new inode
# says that the operation has ended.
inode() { stat -c %i "$pager"; }
wait_replaced() {
    local before=$1 what=$2
    for _ in $(seq 1 $((limit * 10))); do
        if [ "$(inode)" != "$before" ]; then return 0; fi
        kill -0 "$pid" 2>/dev/null || fail "the program ended during $what"
        sleep 0.1
    done
    fail "$what did not end within $limit s"
}
source "$(dirname "$0")/window_steps.sh"

XDG_DATA_HOME=$work/xdg "$program" --jig "sim:$pager" &
pid=$!
wid=$(timeout $limit xdotool search --sync --onlyvisible --name "Virtual pager" | head -n 1)
[ -n "$wid" ] || fail "no window with 'Virtual pager' in its title"
xdotool windowfocus --sync "$wid"

before=$(inode)
xdotool key ctrl+r
wait_replaced "$before" "Read From Pager"

# A click on the Addresses/Folders tab and one into the first entry's capcode
# (places inside the window at its size for the default font, as the smoke
# test photographs it), then the capcode typed over the old one; Tab leaves
# the field, which runs its exit rule.
xdotool windowfocus --sync "$wid"
xdotool mousemove --sync --window "$wid" 15 86 click 1
sleep 0.3
xdotool mousemove --sync --window "$wid" 129 89 click 1
xdotool key ctrl+a
xdotool type --delay 20 "$new_capcode"
xdotool key Tab

before=$(inode)
xdotool key ctrl+w
# The dialog's caption follows the write: the pager's hardware configuration
# is read, the EEPROM written, then read back. Each part takes a second or
# more at a real pager's pace, longer than xdotool's half-second polls.
for caption in "Writing data to pager" "Verify data from pager"; do
    timeout $limit xdotool search --sync --onlyvisible --name "$caption" >/dev/null ||
        fail "no progress dialog captioned '$caption' during Write To Pager"
done
photograph progress-dialog "$@"
wait_replaced "$before" "Write To Pager"
# Let the window paint after the handler returned.
sleep 0.5
photograph after-write "$@"

exit_through_file_menu

# The capcode, as capcode-tool decodes it from a copy of the pager file.
cp "$pager" "$work/check.bin"
decoded=$("$tool" --jig "sim:$work/check.bin" --read --json |
    grep -A 2 '"address1": {' | sed -n 's/.*"text": "\(.*\)".*/\1/p')
[ "$decoded" = "$new_capcode" ] || fail "capcode 1 on the pager is '$decoded', not $new_capcode"

# The same settings through capcode-tool, on a copy of the starting pager.
"$tool" --jig "sim:$work/copy.bin" --read --set "address1=$new_capcode" --write \
    --production-log "$work/tool.jsonl" >/dev/null
cmp "$pager" "$work/copy.bin" || fail "the window and capcode-tool wrote different pagers"

# The window keeps its record in the production store of its data folder.
record=$work/record.jsonl
XDG_DATA_HOME=$work/xdg "$tool" record --jsonl >"$record" ||
    fail "no production store in $work/xdg/capcode-programmer"
verified=$(grep -c '"result":"Verify OK !"' "$record" || true)
[ "$verified" -eq 1 ] && [ "$(wc -l <"$record")" -eq 1 ] ||
    fail "the production record should hold one verified write: $(cat "$record")"
grep -q "\"capcode\":\"$new_capcode\"" "$record" || fail "the record does not name $new_capcode"
echo "read, capcode 1 typed, written and verified, ended through File > Exit; photographs in $*"
