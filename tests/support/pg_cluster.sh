#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and the demo.
#   pg_cluster.sh start DIR   creates and starts a cluster in DIR, loads the Krym
#                             root and DeraRed databases, prints the port
#   pg_cluster.sh stop DIR    stops it (quietly, also when it is not running)
# initdb and the server refuse to run as root, so as root they run as postgres.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bindir" ] || { echo "no PostgreSQL server installed" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

free_port() {
  local p
  for _ in $(seq 1 200); do
    p=$(( 20000 + RANDOM % 20000 ))
    if ! (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null; then echo "$p"; return 0; fi
  done
  return 1
}

cmd=${1:-}; dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

case "$cmd" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth-local=trust --auth-host=scram-sha-256 \
      -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    port=$(free_port)
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
      -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    echo "$port" >"$dir/port"
    PGHOST=$dir PGPORT=$port "$top/db/load.sh" >"$dir/load.log" 2>&1 || { cat "$dir/load.log" >&2; exit 1; }
    echo "$port"
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
