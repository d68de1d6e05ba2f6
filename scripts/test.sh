#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite twice: on SQLite, then
# on a private PostgreSQL server that is stopped again however the run ends.
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
  ctest --output-on-failure -j"$(nproc)" --timeout 300) || status=1
echo "PostgreSQL suite: $(( $(date +%s) - start )) s"
exit "$status"
