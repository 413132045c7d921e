#!/usr/bin/env bash
# Saves a generated table of mixed columns (memo on long-value pages, currency, numeric, GUID,
# ...) into a throw-away local PostgreSQL with vantrel-cli repair --to, and in the same run
# pipes mdb-export into psql's \copy (CSV) on the same file and server; prints seconds, rows/s
# and peak memory of each, and the ratio of their rows/s.
#   scripts/bench-postgres.sh [ROWS]      (default: 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."

bench=bench-postgres
. ./scripts/bench-with-postgres.sh
rows=${1:-1000000}
file="$work/records.mdb"
./build-release/tools/mkdb/vantrel-mkdb synthetic "$file" --rows "$rows" >/dev/null

# The peer pipeline's table, as mdbtools itself would make it, in a schema of its own.
psql -X -q -v ON_ERROR_STOP=1 "$VANTREL_TEST_POSTGRES" -c "CREATE SCHEMA mdbtools" >/dev/null
mdb-schema -T Records "$file" postgres 2>/dev/null | grep -v '^SET client_encoding' |
  PGOPTIONS="-c search_path=mdbtools" psql -X -q -v ON_ERROR_STOP=1 "$VANTREL_TEST_POSTGRES" \
    >/dev/null

measure() { # NAME COMMAND...: prints the line of one pipeline, leaves rows/s in $rate
  local name=$1
  shift
  VANTREL_LOG_PATH="$work" /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >/dev/null
  read -r seconds peak <"$work/time.txt"
  rate=$(awk -v n="$rows" -v t="$seconds" 'BEGIN { printf "%.0f", n / t }')
  printf '%9d %-28s %8.2f %11d %10d\n' "$rows" "$name" "$seconds" "$rate" "$peak"
}

printf '%9s %-28s %8s %11s %10s\n' rows pipeline seconds "rows/s" "peak KiB"
measure vantrel-cli ./build-release/cli/vantrel-cli repair --to "$VANTREL_TEST_POSTGRES" \
  --overwrite yes "$file"
ours=$rate
measure mdb-export+psql bash -c "mdb-export -D '%Y-%m-%d %H:%M:%S' '$file' Records |
  PGOPTIONS='-c search_path=mdbtools' psql -X -q -v ON_ERROR_STOP=1 '$VANTREL_TEST_POSTGRES' \
    -c '\\copy records from stdin with (format csv, header)'"
theirs=$rate
for schema in records mdbtools; do
  count=$(psql -X -A -t "$VANTREL_TEST_POSTGRES" -c "SELECT count(*) FROM $schema.\"$([ $schema = records ] && echo Records || echo records)\"")
  [ "$count" -eq "$rows" ] || echo "bench-postgres: $schema holds $count rows, not $rows" >&2
done
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio (vantrel-cli / mdb-export+psql): %.2f\n", a / b }'
