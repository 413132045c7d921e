#!/usr/bin/env bash
# The heavy hostile cases, timed with the release build: files of many one-row tables (the
# destination's DDL must grow with the tables, not with tables x columns), a sparse file far
# beyond Jet's largest (only the pages the format allows are read), and one very large memo
# (memory should stay near the memo's size). Prints seconds, seconds per table and per gigabyte
# of the source's size, and the peak memory of each command that reads the memo against the
# memo's size. It reports; it asserts nothing.
#   scripts/bench-hostile.sh [TABLES...]      (default: 2000 5000 10000)
#   VANTREL_BENCH_MEMO=CHARACTERS             the large memo's length (default 260000000)
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
cli=./build-release/cli/vantrel-cli
mkdb=./build-release/tools/mkdb/vantrel-mkdb
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(2000 5000 10000)

# Wall and CPU seconds (user and system) of a command: on a shared machine the CPU seconds
# are the figure to compare.
seconds_of() {
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  read -r wall user system <"$work/time"
  echo "$wall $(echo "$user + $system" | bc -l)"
}

printf '%8s %10s %12s %18s\n' tables seconds "CPU seconds" "CPU ms per table"
for n in "${counts[@]}"; do
  spec="$work/tables.json"
  {
    echo '{"format": "jet4", "tables": ['
    for ((i = 1; i <= n; i++)); do
      [ "$i" -gt 1 ] && echo ','
      printf '{"name": "T%d", "columns": [{"name": "A", "type": "long"}, {"name": "B", "type": "text", "size": 20}], "rows": [[%d, "x"]]}' "$i" "$i"
    done
    echo ']}'
  } >"$spec"
  "$mkdb" make "$spec" "$work/tables.mdb" >/dev/null
  rm -rf "$work/out" && mkdir "$work/out"
  read -r s cpu < <(seconds_of "$cli" repair --out "$work/out" --overwrite yes "$work/tables.mdb")
  printf '%8d %10.2f %12.2f %18.3f\n' "$n" "$s" "$cpu" "$(echo "$cpu * 1000 / $n" | bc -l)"
done

sparse="$work/sparse.mdb"
echo '{"format": "jet4", "tables": [{"name": "Kept", "columns": [{"name": "A", "type": "long"}], "rows": [[1]]}]}' >"$work/one.json"
"$mkdb" make "$work/one.json" "$sparse" >/dev/null
truncate -s 300G "$sparse"
rm -rf "$work/out" && mkdir "$work/out"
read -r s cpu < <(seconds_of "$cli" repair --out "$work/out" --overwrite yes "$sparse")
printf 'sparse file of 300 GB: %.2f s (CPU %.2f s), %.4f s per GB of its size\n' "$s" "$cpu" \
  "$(echo "$s / 300" | bc -l)"

# One memo of many characters (ASCII, as most long texts are), saved to SQLite and, when a
# throw-away server can be started, to PostgreSQL, and printed by rows and table.
memo_chars=${VANTREL_BENCH_MEMO:-260000000}
memo="$work/memo.mdb"
printf '{"format": "jet4", "tables": [{"name": "Big", "columns": [{"name": "Id", "type": "long"}, {"name": "Body", "type": "memo", "compressed": true}], "rows": [[1, {"repeat": "abcdefghij", "count": %d}]]}]}' \
  "$((memo_chars / 10))" >"$work/memo.json"
"$mkdb" make "$work/memo.json" "$memo" >/dev/null
rm "$work/memo.json"
memo_mb=$(echo "$memo_chars / 1048576" | bc -l)

peak_of() {  # label, then the command: its peak resident memory, in MB and per memo size
  local label=$1 kb
  shift
  kb=$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1)
  printf '%-26s %8.0f MB %6.2f x the memo\n' "$label" "$(echo "$kb / 1024" | bc -l)" \
    "$(echo "$kb / 1024 / $memo_mb" | bc -l)"
}

printf 'memo of %d characters (%.0f MB), file of %.0f MB\n' "$memo_chars" "$memo_mb" \
  "$(echo "$(stat -c %s "$memo") / 1048576" | bc -l)"
rm -rf "$work/out" && mkdir "$work/out"
peak_of "repair to SQLite" "$cli" repair --out "$work/out" --overwrite yes "$memo"
rm -rf "$work/out"
peak_of "rows --format tsv" "$cli" rows "$memo" --table Big --format tsv
peak_of "table (as the preview)" "$cli" table "$memo" Big
pg_exports=$(./scripts/pg-test-server.sh start)
if [ -n "$pg_exports" ]; then
  eval "$pg_exports"
  trap 'scripts/pg-test-server.sh stop "$VANTREL_TEST_POSTGRES_DIR" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
  peak_of "repair to PostgreSQL" "$cli" repair --to "$VANTREL_TEST_POSTGRES" --overwrite yes "$memo"
fi
