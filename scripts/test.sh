#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
# -O1 with line tables: quick to build, fast enough to run, readable sanitizer reports.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1" \
  -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# A throw-away PostgreSQL server for the tests of that destination, stopped however this ends;
# without one they report themselves skipped.
pg_server="$PWD/scripts/pg-test-server.sh"
eval "$("$pg_server" start)"
trap '"$pg_server" stop "${VANTREL_TEST_POSTGRES_DIR:-}"' EXIT
(cd build-asan && ctest --output-on-failure -j "$(nproc)")

# The fuzz targets build with clang in build-fuzz/; a fixed number of runs each.
./scripts/fuzz.sh --short
