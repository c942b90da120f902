#!/usr/bin/env bash
# Builds the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# starts a throwaway PostgreSQL cluster, runs every test and stops the cluster
# on every way out. Extra arguments go to ctest (for example -R Config).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

"$top/scripts/deps.sh"

build=${K30418_TEST_BUILD:-$top/build-test}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DK30418_SANITIZE=ON >/dev/null
cmake --build "$build" -j"${K30418_JOBS:-$(nproc)}"

pgdir=$(mktemp -d /tmp/k30418-pg.XXXXXX)
cleanup() { "$top/tests/support/pg_cluster.sh" stop "$pgdir"; rm -rf "$pgdir"; }
trap cleanup EXIT INT TERM

# No psqlodbc_*.log in /tmp from the tests (scripts/quiet-odbc.sh says why).
. "$top/scripts/quiet-odbc.sh"
quiet_odbc "$pgdir/odbc"

export K30418_PG_PORT
K30418_PG_PORT=$("$top/tests/support/pg_cluster.sh" start "$pgdir")
export K30418_PG_HOST=127.0.0.1
export K30418_PG_SOCKET=$pgdir
export QT_QPA_PLATFORM=offscreen
# Leaks fail the tests; only the outside libraries' own leaks are suppressed.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$top/tests/support/lsan.supp:print_suppressions=0
echo "PostgreSQL test cluster on 127.0.0.1:$K30418_PG_PORT"

cd "$build"
ctest --output-on-failure -j"${K30418_JOBS:-$(nproc)}" --timeout 900 "$@"
