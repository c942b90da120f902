#!/usr/bin/env bash
# Builds the program and runs it once from a fresh folder.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK30418_TESTS=OFF >/dev/null
cmake --build "$top/build" -j"$(nproc)"
run=$top/demo-run
mkdir -p "$run"
cp "$top/build/k30418" "$run/"
"$run/k30418" NTSERVICE
echo "The program ran from $run."
