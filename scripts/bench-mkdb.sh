#!/usr/bin/env bash
# Times vantrel-mkdb writing one generated Jet 4 table (mixed columns, memos on
# long-value pages) of 1,000,000 and of 2,000,000 rows, and prints the wall time and the
# peak memory of each run: the time should stay under a minute for a million rows, and the
# memory should not grow with the row count.
#   scripts/bench-mkdb.sh [ROWS...]      (default: 1000000 2000000)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel-mkdb -j 2

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
rows=("$@")
[ ${#rows[@]} -eq 0 ] && rows=(1000000 2000000)
printf '%12s %10s %12s %14s\n' rows seconds "peak KiB" "file MiB"
for n in "${rows[@]}"; do
  /usr/bin/time -v -o "$out/time.txt" ./build-release/tools/mkdb/vantrel-mkdb synthetic \
    "$out/bench.mdb" --rows "$n" >/dev/null
  elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out/time.txt")
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$out/time.txt")
  size=$(( $(stat -c %s "$out/bench.mdb") / 1048576 ))
  printf '%12s %10s %12s %14s\n' "$n" "$elapsed" "$peak" "$size"
  rm -f "$out/bench.mdb"
done
