#!/bin/sh
# A throwaway PostgreSQL server for tests, in a folder of its own:
#   pg_cluster.sh start DIR   makes the cluster, starts it on 127.0.0.1 and a
#                             free port, prints its URL (user ccp, password in
#                             DIR/password) and keeps DIR/port
#   pg_cluster.sh stop DIR    stops it and removes DIR
# The server refuses to run as root, so as root it runs as the postgres user.
set -eu
cmd=$1
dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/initdb" ] || { echo "pg_cluster.sh: no PostgreSQL server installed" >&2; exit 1; }
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}
case $cmd in
start)
    if [ -d "$dir/data" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
        rm -rf "$dir"
    fi
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres "$dir"
    fi
    echo "pw-$(od -An -N8 -tx8 /dev/urandom | tr -d ' ')" > "$dir/password"
    chmod 644 "$dir/password"
    as_owner "$bin/initdb" -D "$dir/data" -U ccp --auth=scram-sha-256 \
        --pwfile="$dir/password" --no-sync >"$dir/initdb.log" 2>&1
    for try in 1 2 3 4 5 6 7 8; do
        port=$(( 20000 + $(od -An -N2 -tu2 /dev/urandom | tr -d ' ') % 20000 ))
        if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
            -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir \
                -c fsync=off -c max_connections=60" start >/dev/null 2>&1; then
            echo "$port" > "$dir/port"
            echo "postgresql://ccp@127.0.0.1:$port/postgres" | tee "$dir/url"
            exit 0
        fi
    done
    echo "pg_cluster.sh: the server did not start; see $dir/server.log" >&2
    exit 1
    ;;
stop)
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
esac
