#!/usr/bin/env bash
# Batch workers into one throw-away local PostgreSQL: the work list saved by 1, 2 and 4
# vantrel-cli processes at once (--shard K/N, one shared manifest), each count into a database
# of its own; prints the seconds until the last worker ended and the files per second, for the
# corpus and for 20 copies of a generated table of 100,000 rows. Checks that the manifest has
# every file once.
#   scripts/bench-scale.sh [--rows ROWS] [--copies N] [WORKERS...]   (default: 100000, 20, 1 2 4)
set -euo pipefail
cd "$(dirname "$0")/.."

rows=100000
copies=20
while [ $# -gt 0 ]; do
  case $1 in
    --rows) rows=$2; shift 2 ;;
    --copies) copies=$2; shift 2 ;;
    *) break ;;
  esac
done
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(1 2 4)
corpus=${VANTREL_CORPUS:-../shared/corpus}

bench=bench-scale
. ./scripts/bench-with-postgres.sh
cli=$PWD/build-release/cli/vantrel-cli
server=${VANTREL_TEST_POSTGRES%/*}

find "$corpus/jet3" "$corpus/jet4" -name '*.mdb' | sort >"$work/corpus.list"
mkdir "$work/copies"
./build-release/tools/mkdb/vantrel-mkdb synthetic "$work/copies/records-1.mdb" --rows "$rows" >/dev/null
for ((i = 2; i <= copies; ++i)); do
  cp "$work/copies/records-1.mdb" "$work/copies/records-$i.mdb"
done
find "$work/copies" -name '*.mdb' | sort >"$work/copies.list"

run=0
measure() { # LIST NAME WORKERS: prints the line of one batch
  local list=$1 name=$2 workers=$3 files database manifest start end
  files=$(wc -l <"$list")
  database=bench_scale_$((++run))
  psql -X -q -v ON_ERROR_STOP=1 "$VANTREL_TEST_POSTGRES" -c "CREATE DATABASE $database"
  manifest="$work/$database.jsonl"
  start=$(date +%s.%N)
  local pids=()
  for ((k = 1; k <= workers; ++k)); do
    # Files that hold nothing end with status 1, which is expected here.
    VANTREL_LOG_PATH="$work" "$cli" repair -q --jobs 1 --to "$server/$database" \
      --files-from "$list" --shard "$k/$workers" --manifest "$manifest" >/dev/null 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || true; done
  end=$(date +%s.%N)
  local lines sources
  lines=$(wc -l <"$manifest")
  sources=$(grep -o '"source":"[^"]*"' "$manifest" | sort -u | wc -l)
  [ "$lines" -eq "$files" ] && [ "$sources" -eq "$files" ] ||
    echo "bench-scale: the manifest of $name with $workers workers has $lines lines for $sources of $files files" >&2
  awk -v n="$files" -v s="$start" -v e="$end" -v w="$workers" -v name="$name" \
    'BEGIN { printf "%-22s %7d %6d %9.2f %9.2f\n", name, w, n, e - s, n / (e - s) }'
}

echo "$(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-22s %7s %6s %9s %9s\n' "files" workers count seconds "files/s"
for workers in "${counts[@]}"; do
  measure "$work/corpus.list" corpus "$workers"
done
for workers in "${counts[@]}"; do
  measure "$work/copies.list" "${copies} x ${rows} rows" "$workers"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
