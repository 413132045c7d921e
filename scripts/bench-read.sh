#!/usr/bin/env bash
# Reads and renders generated tables with vantrel-cli and with mdb-export in the same run,
# and prints rows/s, MB/s and peak memory of each: a lean table (long, text, double, date,
# boolean, integer) and a mixed one (memo on long-value pages, currency, numeric, GUID, ...),
# at two sizes to show how the time grows.
#   scripts/bench-read.sh [ROWS...]      (default: 500000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build build-release --target vantrel-cli vantrel-mkdb -j 2 >"$work/build.log" || {
  cat "$work/build.log"
  exit 1
}
rows=("$@")
[ ${#rows[@]} -eq 0 ] && rows=(500000 1000000)

# Runs a command with its output thrown away; prints seconds and peak KiB.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null
  cat "$work/time.txt"
}

printf '%-6s %9s %-11s %8s %11s %8s %10s\n' shape rows reader seconds "rows/s" "MB/s" "peak KiB"
for shape in lean mixed; do
  for n in "${rows[@]}"; do
    file="$work/$shape-$n.mdb"
    ./build-release/tools/mkdb/vantrel-mkdb synthetic "$file" --shape "$shape" --rows "$n" >/dev/null
    mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1048576 }')
    for reader in vantrel-cli mdb-export; do
      if [ "$reader" = vantrel-cli ]; then
        read -r seconds peak < <(measure ./build-release/cli/vantrel-cli rows "$file" --table Records --format csv)
      else
        read -r seconds peak < <(measure mdb-export "$file" Records)
      fi
      awk -v s="$shape" -v n="$n" -v r="$reader" -v t="$seconds" -v m="$mb" -v p="$peak" \
        'BEGIN { printf "%-6s %9d %-11s %8.2f %11.0f %8.1f %10d\n", s, n, r, t, n / t, m / t, p }'
    done
    rm -f "$file"
  done
done
