#!/usr/bin/env bash
# Sets everything up and runs the whole test suite from one build, compiled by clang
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-check/): on SQLite with
# the fuzz targets' short runs, then on a private PostgreSQL server (stopped again
# however the run ends).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --packages-only
source scripts/pg_server.sh
trap pg_stop EXIT
trap "exit 130" INT TERM

elapsed() { echo "$1: $(( $(date +%s) - $2 )) s"; }

echo "== build (clang, AddressSanitizer and UndefinedBehaviorSanitizer)"
start=$(date +%s)
# -O1 with line tables only: a sanitizer report still names file and line, and the
# compiler spends less time than with -O2 and full debug information.
cmake -S . -B build-check -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" -DHUMRS_SANITIZE=ON \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build-check -j"$(nproc)"
elapsed "build" "$start"

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
status=0
echo "== tests on SQLite, and the fuzz targets"
start=$(date +%s)
(cd build-check && ctest --output-on-failure -j"$(nproc)" --timeout 300) || status=1
elapsed "SQLite suite" "$start"

echo "== tests on PostgreSQL"
pg_start
start=$(date +%s)
(cd build-check && HUMRS_TEST_BACKEND=postgresql HUMRS_TEST_PG_URL="$HUMRS_PG_URL" \
  ctest --output-on-failure -j"$(nproc)" --timeout 300 -LE fuzz) || status=1
elapsed "PostgreSQL suite" "$start"
exit "$status"
