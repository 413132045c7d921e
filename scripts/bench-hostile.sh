#!/usr/bin/env bash
# The heavy hostile cases, timed with the release build: files of many one-row tables (the
# destination's DDL must grow with the tables, not with tables x columns) and a sparse file far
# beyond Jet's largest (only the pages the format allows are read). Prints seconds, seconds per
# table and per gigabyte of the source's size.
#   scripts/bench-hostile.sh [TABLES...]      (default: 2000 5000 10000)
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

seconds_of() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

printf '%8s %10s %14s\n' tables seconds "ms per table"
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
  s=$(seconds_of "$cli" repair --out "$work/out" --overwrite yes "$work/tables.mdb")
  printf '%8d %10.2f %14.3f\n' "$n" "$s" "$(echo "$s * 1000 / $n" | bc -l)"
done

sparse="$work/sparse.mdb"
echo '{"format": "jet4", "tables": [{"name": "Kept", "columns": [{"name": "A", "type": "long"}], "rows": [[1]]}]}' >"$work/one.json"
"$mkdb" make "$work/one.json" "$sparse" >/dev/null
truncate -s 300G "$sparse"
rm -rf "$work/out" && mkdir "$work/out"
s=$(seconds_of "$cli" repair --out "$work/out" --overwrite yes "$sparse")
printf 'sparse file of 300 GB: %.2f s, %.3f s per GB of its size\n' "$s" "$(echo "$s / 300" | bc -l)"
