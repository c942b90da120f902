#!/usr/bin/env bash
# The main job from end to end on this machine: builds the program, starts a demo
# Krym and DeraRed (PostgreSQL in demo-run/pg), writes a configuration that points
# at them, runs the program in service mode until its first import has gone to
# sleep, then shows what it wrote into Krym and where its log is. Leaves nothing
# running.
#
#   scripts/demo.sh             the demo as above
#   scripts/demo.sh --desktop   then opens the desktop program on the demo Krym and
#                               DeraRed; the databases stop when its window closes
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

desktop=false
for arg in "$@"; do
  case "$arg" in
    --desktop) desktop=true ;;
    *) echo "usage: $0 [--desktop]" >&2; exit 2 ;;
  esac
done
if $desktop && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "--desktop needs a display (DISPLAY or WAYLAND_DISPLAY) to open the window on" >&2
  exit 2
fi

"$top/scripts/deps.sh"

echo "== Building"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK30418_TESTS=OFF >/dev/null
cmake --build "$top/build" -j"${K30418_JOBS:-$(nproc)}" >/dev/null

run=$top/demo-run
pgdir=$run/pg
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  "$top/tests/support/pg_cluster.sh" stop "$pgdir"
}
trap cleanup EXIT INT TERM

# A fresh installation folder each time: program, help pages, no configuration yet.
"$top/tests/support/pg_cluster.sh" stop "$pgdir" 2>/dev/null || true
rm -rf "$run"
mkdir -p "$run"
cmake --install "$top/build" --prefix "$run" >/dev/null

# No psqlodbc_*.log in /tmp from the demo's connections (scripts/quiet-odbc.sh says why).
. "$top/scripts/quiet-odbc.sh"
quiet_odbc "$run/odbc"

echo "== Starting the demo Krym and DeraRed"
port=$("$top/tests/support/pg_cluster.sh" start "$pgdir")
export PGHOST=$pgdir PGPORT=$port
psql_() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- psql -X -q -v ON_ERROR_STOP=1 -U postgres "$@"; else psql -X -q -v ON_ERROR_STOP=1 -U postgres "$@"; fi; }
"$top/db/load.sh" facility NORTH "North Plant"
"$top/db/load.sh" facility SOUTH "South Plant"
psql_ -d QALROOT -f "$top/db/demo/root.sql"
psql_ -d NORTH -f "$top/db/demo/north.sql"
psql_ -d SOUTH -f "$top/db/demo/south.sql"
psql_ -d DERARED -f "$top/db/demo/derared.sql"
echo "PostgreSQL on 127.0.0.1:$port (databases QALROOT, NORTH, SOUTH, DERARED)"

# Only the settings that differ from the defaults; the program adds the rest.
# It holds the DeraRed password in clear: readable by its owner only, from its first byte on.
password=$(cat "$top/db/krym/postgresql/schema_password")
(umask 077 && cat >"$run/k30418.xml") <<XML
<?xml version="1.0"?>
<qalconfigurationxml>
  <spec version="1" encrypted="False"/>
  <data>
    <OPTIONS><LOG_VERBOSITY>1</LOG_VERBOSITY></OPTIONS>
    <VORNKRYM>
      <VORNKRYM_CONNECTION_DBTYPE>2</VORNKRYM_CONNECTION_DBTYPE>
      <VORNKRYM_CONNECTION_PROVIDER>PostgreSQL Unicode</VORNKRYM_CONNECTION_PROVIDER>
      <VORNKRYM_CONNECTION_DATASOURCE>127.0.0.1</VORNKRYM_CONNECTION_DATASOURCE>
      <VORNKRYM_CONNECTION_CUSTOMIZATIONS>Port=$port;CommLog=0;Debug=0;</VORNKRYM_CONNECTION_CUSTOMIZATIONS>
      <G2_SERVER_INTERFACE_ID>7</G2_SERVER_INTERFACE_ID>
    </VORNKRYM>
    <K30418>
      <SOURCEPROVIDER>PostgreSQL Unicode</SOURCEPROVIDER>
      <SOURCEDBTYPE>2</SOURCEDBTYPE>
      <SOURCEDS>127.0.0.1</SOURCEDS>
      <SOURCEDB>DERARED</SOURCEDB>
      <SOURCEUSERID>QALDBA</SOURCEUSERID>
      <SOURCEPASSWORD>$password</SOURCEPASSWORD>
      <SOURCECUSTOMIZATION>Port=$port;CommLog=0;Debug=0;</SOURCECUSTOMIZATION>
      <ADDNOTESTOLOGBOOK>TRUE</ADDNOTESTOLOGBOOK>
      <LOGBOOKID>1</LOGBOOKID>
    </K30418>
  </data>
</qalconfigurationxml>
XML
# The demo's transactions are 1001 to 1010: as if everything before them had been imported.
# (From 0, ids 1 to 1000 would be missing below them, and the service would watch them for a day
# in case one is a transaction still on its way.)
start_last_id() { printf 'LASTIDIMPORTED=1000\r\n' >"$run/DeraRed.ini"; }
start_last_id

echo "== Running k30418 NTSERVICE"
( cd "$run" && QT_QPA_PLATFORM=offscreen exec ./k30418 NTSERVICE ) &
program_pid=$!
for _ in $(seq 1 120); do
  log=$(cat "$run/k30418.log_handle" 2>/dev/null | tr -d '\r' || true)
  if [ -n "$log" ] && grep -q "Going to Sleep mode" "$log" 2>/dev/null; then break; fi
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 1
done
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=

values_query="
SELECT v.varid, v.name, v.vartype, to_char(d.datestamp, 'YYYY-MM-DD HH24:MI') AS slot,
       d.curvalue, d.textvalue, d.audituser, d.status
FROM vardesc v
JOIN (SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM datatbl
      UNION ALL SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM datadd4
      UNION ALL SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM dataddh
      UNION ALL SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM datadd3
      UNION ALL SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM dataddf
      UNION ALL SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM datadd5
      UNION ALL SELECT varid, datestamp, curvalue, textvalue, audituser, status FROM datadd1) d
  ON d.varid = v.varid
ORDER BY v.varid, d.datestamp"
for f in NORTH SOUTH; do
  echo
  echo "== Values now stored in Krym facility $f"
  psql_ -d "$f" -P pager=off -c "$values_query"
  echo "== Logbook entries of $f"
  psql_ -d "$f" -P pager=off -c "SELECT lbid, to_char(datestamp, 'YYYY-MM-DD') AS day, to_char(timestamp, 'HH24:MI') AS time, comment, audituser FROM logbookentries ORDER BY id"
done
echo "== Last imported transaction id"
cat "$run/DeraRed.ini"
echo
log=$(tr -d '\r' <"$run/k30418.log_handle")
echo "== The service's log: $log"
# The run's outline, with the lines that say why a write was skipped (a lock date or a higher
# approval level), not the engine's internal bookkeeping.
tr -d '\r' <"$log" |
  grep -E "Processing facility|Loaded|Skipped|disallowed interface to write|late-commit watch|Import|Last Id|Sleep|stopped by" |
  grep -v "lngLastTransIdImported" || true
echo

if $desktop; then
  echo "== The desktop program on the demo Krym and DeraRed (PostgreSQL on 127.0.0.1:$port)"
  echo "Close its window (or File > Exit) to end the demo."
  # The service run has moved the last imported id past every demo transaction; back at the start,
  # the window's imports read them all again (interactive and test imports never save the id).
  start_last_id
  echo "DeraRed.ini is back at its starting id: $(tr -d '\r' <"$run/DeraRed.ini")"
  # In the background and waited for, so that an interrupted demo ends the program (in order)
  # and stops the databases at once.
  ( cd "$run" && exec ./k30418 ) &
  program_pid=$!
  wait "$program_pid" || true
  program_pid=
  echo
fi
echo "Demo finished; the installation folder is $run (the database is stopped)."
