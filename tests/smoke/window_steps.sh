# Steps the scripts that drive the real window share; sourced, with `work`
# (the script's folder), `pid` (the window's process), `wid` (its window)
# and `limit` (seconds for any one thing to happen) set, and `fail` defined.

# The screen as a photograph NAME.png in $work and in every folder given.
photograph() {
    local name=$1
    shift
    import -window root -define png:exclude-chunks=date,time "$work/$name.png"
    for folder in "$@"; do
        cp "$work/$name.png" "$folder/$name.png"
    done
}

# File > Exit by its keys; the program must end with status 0.
exit_through_file_menu() {
    xdotool windowfocus --sync "$wid"
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    local status=
    for _ in $(seq 1 $((limit * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            break
        fi
        sleep 0.1
    done
    [ -n "$status" ] || fail "the program did not end through File > Exit"
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
    pid=
}
