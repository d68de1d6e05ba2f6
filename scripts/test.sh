#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite on SQLite, then on a
# private PostgreSQL server (stopped again however the run ends), then once more
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/pg_server.sh
trap pg_stop EXIT
trap "exit 130" INT TERM

status=0
echo "== tests on SQLite"
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 300) || status=1

echo "== tests on PostgreSQL"
pg_start
start=$(date +%s)
(cd build && HUMRS_TEST_BACKEND=postgresql HUMRS_TEST_PG_URL="$HUMRS_PG_URL" \
  ctest --output-on-failure -j"$(nproc)" --timeout 300 -LE fuzz) || status=1
echo "PostgreSQL suite: $(( $(date +%s) - start )) s"

# The suite again under AddressSanitizer and UndefinedBehaviorSanitizer (without the
# fuzz targets, which carry their own sanitizers, and the stress tests).
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
SAN="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHUMRS_FUZZ=OFF -DCMAKE_CXX_FLAGS="$SAN" >/dev/null
cmake --build build-asan -j"$(nproc)" --target humrs_tests humrs QVXHumrs
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$(nproc)" --timeout 300 -LE fuzz -E 'CompensatoryStress') || status=1
exit "$status"
