#!/usr/bin/env bash
# How the import's time and peak memory grow with the backlog: the built program, in service
# mode in an installation folder of its own, imports one prepared backlog under /usr/bin/time -v
# and is stopped once its run has ended.
#   bench/growth.sh PROGRAM one N          one daily variable with N answers
#   bench/growth.sh PROGRAM many V F A     V variables in F facilities (intervals in turn:
#                                          day, 4 hours, hour, 30, 15, 5 minutes, minute),
#                                          A answers each
# The cluster is the one PGHOST (its socket folder) and PGPORT name, as tests/support/pg_cluster.sh
# starts it; the databases and the collector made here are dropped at the end. Prints one line:
# the work, the run's own elapsed seconds (its session statistics), the wall time of the whole
# process, its peak resident memory, and the load at the start.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/.." && pwd)
program=$(realpath "$1"); shift
kind=$1; shift
: "${PGHOST:?socket folder of the cluster}" "${PGPORT:?port of the cluster}"

psql_() { psql -X -q -v ON_ERROR_STOP=1 -U postgres "$@"; }
tag=$(printf 'G%06d' $((RANDOM * 32 + RANDOM % 32)))
collector=$((500000 + RANDOM))
folder=$(mktemp -d /tmp/k30418-growth.XXXXXX)
facilities=()
cleanup() {
  for f in "${facilities[@]}"; do psql_ -d postgres -c "DROP DATABASE IF EXISTS \"$f\" WITH (FORCE)" || true; done
  psql_ -d postgres -c "DROP DATABASE IF EXISTS \"${tag}D\" WITH (FORCE)" || true
  psql_ -d QALROOT -c "DELETE FROM facility WHERE filename LIKE '${tag}F%'; DELETE FROM g2_server WHERE interface_id = $collector" || true
  rm -rf "$folder"
}
trap cleanup EXIT
# No psqlodbc_*.log in /tmp from the program's connections (scripts/quiet-odbc.sh says why).
. "$top/scripts/quiet-odbc.sh"
quiet_odbc "$folder/odbc"

case "$kind" in
  one) variables=1; nfac=1; answers=$1; work="1 daily variable, $answers answers" ;;
  many) variables=$1; nfac=$2; answers=$3; work="$variables variables in $nfac facilities, $answers answers each" ;;
  *) echo "usage: $0 PROGRAM one N | many V F A" >&2; exit 2 ;;
esac
per=$((variables / nfac))

psql_ -d QALROOT -c "INSERT INTO g2_server (interface_id, name, enabled, override_audituser, collector_dateadjust,
  collector_qaltimezoneid, lu_id, lu_version) VALUES ($collector, 'Growth', -1, NULL, 0, 0, 30418, '1.0.8')"
for ((f = 0; f < nfac; f++)); do
  name="${tag}F$(printf '%02d' $f)"
  facilities+=("$name")
  "$top/db/load.sh" facility "$name" "Growth $f" >/dev/null
  # Varids are unique over all facilities: the DeraRed question names the varid alone.
  psql_ -d "$name" -c "INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2000-01-01 00:00:00');
    INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval, g2_interface_id, g2_enabled)
    SELECT v, v, 'Growth ' || v, (ARRAY['P','4','H','3','F','5','1'])[CASE WHEN $variables = 1 THEN 1 ELSE (v - 1) % 7 + 1 END],
           'bar', 2, 0, $collector, -1
      FROM generate_series($((f * per + 1)), $(((f + 1) * per))) v"
done

# DeraRed: one route point per variable, one question each; answer k of a variable falls on day
# k % 3650 after 2001-01-01 at 08:00 plus the point's number in minutes (a slot of its own for
# every answer of an interval variable while k < 3650).
psql_ -d postgres -c "CREATE DATABASE \"${tag}D\" OWNER \"QALDBA\""
psql_ -d "${tag}D" -f "$top/db/derared/postgresql/derared.sql" >/dev/null
psql_ -d "${tag}D" -c "INSERT INTO tbl_routes_points_questions (route_id, point_id, question_id, seqno, external_id,
    external_id_logbook) SELECT 1, v, 1, 1, v, 0 FROM generate_series(1, $variables) v;
  INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, guard, notes, missed_point,
    question_id1, answer1)
  SELECT k * $variables + v, 1, v, date '2001-01-01' + (k % 3650), timestamp '1899-12-30 08:00' + (v % 600) * interval '1 minute',
         'GROWTH', '', 'N', 1, (k % 1000)::text || '.5'
    FROM generate_series(0, $((answers - 1))) k, generate_series(1, $variables) v;
  ANALYZE"

password=$(cat "$top/db/krym/postgresql/schema_password")
port="Port=$PGPORT;CommLog=0;Debug=0;"
cat >"$folder/k30418.xml" <<EOF
<?xml version="1.0"?>
<qalconfigurationxml><spec version="1" encrypted="False"/><data><OPTIONS><LOG_VERBOSITY>0</LOG_VERBOSITY></OPTIONS><VORNKRYM><VORNKRYM_CONNECTION_DBTYPE>2</VORNKRYM_CONNECTION_DBTYPE><VORNKRYM_CONNECTION_PROVIDER>PostgreSQL Unicode</VORNKRYM_CONNECTION_PROVIDER><VORNKRYM_CONNECTION_DATASOURCE>127.0.0.1</VORNKRYM_CONNECTION_DATASOURCE><VORNKRYM_CONNECTION_CUSTOMIZATIONS>$port</VORNKRYM_CONNECTION_CUSTOMIZATIONS><G2_SERVER_INTERFACE_ID>$collector</G2_SERVER_INTERFACE_ID></VORNKRYM><K30418><SOURCEPROVIDER>PostgreSQL Unicode</SOURCEPROVIDER><SOURCEDBTYPE>2</SOURCEDBTYPE><SOURCEDS>127.0.0.1</SOURCEDS><SOURCEDB>${tag}D</SOURCEDB><SOURCEUSERID>QALDBA</SOURCEUSERID><SOURCEPASSWORD>$password</SOURCEPASSWORD><SOURCECUSTOMIZATION>$port</SOURCECUSTOMIZATION><ADDNOTESTOLOGBOOK>FALSE</ADDNOTESTOLOGBOOK></K30418></data></qalconfigurationxml>
EOF
printf 'LASTIDIMPORTED=0\r\n' >"$folder/DeraRed.ini"
cp "$program" "$folder/k30418"

load=$(cut -d' ' -f1 /proc/loadavg)
start=$(date +%s.%N)
(cd "$folder" && exec /usr/bin/time -v -o "$folder/time.txt" ./k30418 NTSERVICE >"$folder/stdout.txt" 2>&1) &
runner=$!
log=""
until [ -n "$log" ] && grep -qE "Import was successful\.|Import terminated with error" "$log" 2>/dev/null; do
  kill -0 $runner 2>/dev/null || break
  sleep 0.5
  [ -s "$folder/k30418.log_handle" ] && log=$(tr -d '\r\n' <"$folder/k30418.log_handle")
done
end=$(date +%s.%N)
# The program is the child of the time process the runner became.
child=$(pgrep -P $runner || true)
[ -n "$child" ] && kill -TERM $child 2>/dev/null || true
wait $runner || true
outcome=$(grep -oE "Import was successful\.|Import terminated with error\(s\)\." "$log" | tail -n 1)
elapsed=$(grep -E "# Seconds Elapsed" "$log" | tail -n 1 | awk '{print $NF}')
writes=$(grep -E "# of Logical Write Transactions" "$log" | tail -n 1 | awk '{print $NF}')
rss=$(awk -F': ' '/Maximum resident set size/ {printf "%.0f", $2 / 1024}' "$folder/time.txt")
printf '%s | run %s s | wall %.1f s | peak RSS %s MiB | %s logical writes | %s | load %s\n' \
  "$work" "$elapsed" "$(echo "$end - $start" | bc)" "$rss" "$writes" "$outcome" "$load"
