#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 300)
# The suite again under AddressSanitizer and UndefinedBehaviorSanitizer (without the
# fuzz targets, which carry their own sanitizers, and the stress tests).
SAN="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHUMRS_FUZZ=OFF -DCMAKE_CXX_FLAGS="$SAN" >/dev/null
cmake --build build-asan -j"$(nproc)" --target humrs_tests humrs QVXHumrs
cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$(nproc)" --timeout 300 -LE fuzz -E 'CompensatoryStress'
