# Sourced by the scripts that connect to PostgreSQL. Debian's odbc-postgresql registers its
# drivers with CommLog=1 in /etc/odbcinst.ini, and psqlODBC then leaves a psqlodbc_*.log in /tmp
# for every process that connects: CommLog=0;Debug=0; in the connection string keeps the
# session's own trace off, but the driver writes the file anyway when the connection closes,
# by its driver-wide setting. quiet_odbc FOLDER points the driver manager at a copy of the
# driver list with those settings off, made in FOLDER (which the caller removes).
quiet_odbc() {
  local dir=$1 drivers sources
  drivers=$(odbcinst -j 2>/dev/null | sed -n 's/^DRIVERS\.*: //p' || true)
  sources=$(odbcinst -j 2>/dev/null | sed -n 's/^SYSTEM DATA SOURCES: //p' || true)
  [ -n "$drivers" ] || drivers=/etc/odbcinst.ini
  [ -n "$sources" ] || sources=/etc/odbc.ini
  [ -r "$drivers" ] || return 0
  mkdir -p "$dir"
  sed -E 's/^([[:space:]]*)(CommLog|Debug)([[:space:]]*)=.*$/\1\2\3=0/I' "$drivers" >"$dir/odbcinst.ini"
  if [ -r "$sources" ]; then cp "$sources" "$dir/odbc.ini"; fi
  unset ODBCINSTINI
  export ODBCSYSINI=$dir
}
