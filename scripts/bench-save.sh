#!/usr/bin/env bash
# Saves a generated table of mixed columns (memo on long-value pages, currency, numeric, GUID,
# ...) into SQLite with vantrel-cli repair, and in the same run pipes mdb-export into the
# sqlite3 shell's CSV import; prints seconds, rows/s and peak memory of each, and the CPU
# seconds (user and system, all threads), which a busy machine does not inflate as it does the
# elapsed time.
#   scripts/bench-save.sh [ROWS...]      (default: 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel-cli vantrel-mkdb -j 2 >"$work/build.log" || {
  cat "$work/build.log"
  exit 1
}
rows=("$@")
[ ${#rows[@]} -eq 0 ] && rows=(1000000)

printf '%9s %-28s %8s %11s %10s %8s\n' rows pipeline seconds "rows/s" "peak KiB" "cpu s"
for n in "${rows[@]}"; do
  file="$work/records.mdb"
  ./build-release/tools/mkdb/vantrel-mkdb synthetic "$file" --rows "$n" >/dev/null
  for pipeline in vantrel-cli mdb-export+sqlite3; do
    rm -rf "$work/out" && mkdir "$work/out"
    if [ "$pipeline" = vantrel-cli ]; then
      command=(./build-release/cli/vantrel-cli repair --out "$work/out" --overwrite yes "$file")
    else
      command=(bash -c "mdb-export '$file' Records | sqlite3 '$work/out/records.sqlite' '.import --csv /dev/stdin Records'")
    fi
    # The log goes to the work folder, not the user's.
    VANTREL_LOG_PATH="$work" /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "${command[@]}" >/dev/null
    read -r seconds peak user system <"$work/time.txt"
    awk -v n="$n" -v p="$pipeline" -v t="$seconds" -v m="$peak" -v u="$user" -v s="$system" \
      'BEGIN { printf "%9d %-28s %8.2f %11.0f %10d %8.2f\n", n, p, t, n / t, m, u + s }'
  done
done
