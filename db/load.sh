#!/usr/bin/env bash
# Loads an empty Krym root schema and a DeraRed database into the PostgreSQL
# server named by PGHOST/PGPORT, as its superuser postgres.
#   load.sh                       the login QALDBA, QALROOT and DERARED
#   load.sh facility NAME [TITLE] one more facility database NAME (upper case); with
#                                 a TITLE it is also listed in QALROOT's Facility table
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
psql_=(psql -X -q -v ON_ERROR_STOP=1 -U postgres)
run() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "${psql_[@]}" "$@"; else "${psql_[@]}" "$@"; fi; }

if [ "${1:-}" = facility ]; then
  name=$2
  run -d postgres -c "CREATE DATABASE \"$name\" OWNER \"QALDBA\""
  run -d "$name" -f "$here/krym/postgresql/facility.sql"
  if [ -n "${3:-}" ]; then
    # psql quotes the values itself; it does so only for statements read from input.
    run -d QALROOT -v name="$name" -v title="$3" <<<"INSERT INTO facility (filename, name) VALUES (:'name', :'title')"
  fi
  exit 0
fi

password=$(cat "$here/krym/postgresql/schema_password")
run -d postgres -c "CREATE ROLE \"QALDBA\" LOGIN SUPERUSER PASSWORD '$password'"
run -d postgres -c "CREATE DATABASE \"QALROOT\" OWNER \"QALDBA\""
[ -f "$here/krym/postgresql/root.sql" ] && run -d QALROOT -f "$here/krym/postgresql/root.sql"
run -d postgres -c "CREATE DATABASE \"DERARED\" OWNER \"QALDBA\""
[ -f "$here/derared/postgresql/derared.sql" ] && run -d DERARED -f "$here/derared/postgresql/derared.sql"
exit 0
