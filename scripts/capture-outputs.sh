#!/usr/bin/env bash
# Writes what every command-line verb prints for the samples, fifteen corpus databases of both
# versions and damaged copies of some of them, into OUTDIR, one file per file and verb, so that
# a change meant to keep every output can be checked with `diff -r BEFORE AFTER`. Run times,
# the run's folder name and OUTDIR itself are written as fixed words. Needs jq and sqlite3.
#
#   scripts/capture-outputs.sh OUTDIR [VANTREL_CLI]   (default: build-release/cli/vantrel-cli)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:?usage: capture-outputs.sh OUTDIR [VANTREL_CLI]}
cli=$(realpath "${2:-build-release/cli/vantrel-cli}")
corpus=${VANTREL_CORPUS:-../shared/corpus}
mkdir -p "$out"
out=$(realpath "$out")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
unset VANTREL_LOG_PATH VANTREL_FILE_PATH

corpus_files=(
  jet3/mdbtools-nwind.mdb jet3/jackcess-queryTestV1997.mdb jet3/jackcess-test2V1997.mdb
  jet3/ucanaccess-charsetGBK.mdb jet3/jackcess-overflowTestV1997.mdb
  jet3/jackcess-compIndexTestV1997.mdb jet3/jackcess-delColTestV1997.mdb
  jet4/psc-brianlockwood-Northwind.mdb jet4/jackcess-queryTestV2003.mdb
  jet4/ucanaccess-weirdObjectNames.mdb jet4/mdbtestdata-DateTestDatabase.mdb
  jet4/jackcess-fixedNumericTestV2003.mdb jet4/ucanaccess-functionsV2003.mdb
  jet4/tika-testAccess2_2000.mdb jet4/gabriellogue-Northwind.mdb
)

# Damaged copies, the same bytes every time: a run of zeros across the middle pages, a later
# page written over the catalog's, and the file cut at two thirds.
damage() {
  local source=$1 name=$2 page size
  size=$(stat -c %s "$source")
  # The format byte at 0x14: 0 for Jet 3 (pages of 2 KiB), else 4 KiB pages.
  if [ "$(od -An -tu1 -j20 -N1 "$source" | tr -d ' ')" = 0 ]; then page=2048; else page=4096; fi
  cp "$source" "$work/$name-zeroed.mdb"
  dd if=/dev/zero of="$work/$name-zeroed.mdb" bs=1 seek=$((size / 2)) count=$((page * 3 / 2)) \
    conv=notrunc status=none
  cp "$source" "$work/$name-catalog.mdb"
  dd if="$source" of="$work/$name-catalog.mdb" bs="$page" skip=5 seek=2 count=1 conv=notrunc \
    status=none
  head -c $((size * 2 / 3)) "$source" >"$work/$name-cut.mdb"
}

files=(samples/sample-jet3.mdb samples/sample-jet4.mdb samples/sample-jet3-damaged.mdb
       samples/sample-jet4-damaged.mdb)
for f in "${corpus_files[@]}"; do files+=("$corpus/$f"); done
damage samples/sample-jet3.mdb sample-jet3
damage samples/sample-jet4.mdb sample-jet4
damage "$corpus/jet3/mdbtools-nwind.mdb" nwind3
damage "$corpus/jet4/psc-brianlockwood-Northwind.mdb" nwind4
damage "$corpus/jet4/jackcess-queryTestV2003.mdb" queries4
for kind in zeroed catalog cut; do
  for name in sample-jet3 sample-jet4 nwind3 nwind4 queries4; do
    files+=("$work/$name-$kind.mdb")
  done
done

# Paths and run folders as fixed words.
normal() {
  sed -e "s#$work#WORK#g" -e "s#$out#OUT#g" -e "s#$(realpath "$corpus")#CORPUS#g" \
    -e "s#$corpus#CORPUS#g" -e 's#Repair_[0-9]*-[0-9]*-[0-9]*#Repair_H-M-S#g' \
    -e 's#repair_[0-9]*_[0-9]*_[0-9]*#repair_h_m_s#g' \
    -e 's#[0-9]\{1,2\}:[0-9]\{2\}:[0-9]\{2\}\( [AP]M\)\?#HH:MM:SS#g' \
    -e 's#"seconds":[0-9.e+-]*#"seconds":N#g'
}

run() {  # run NAME ARGS...: stdout, stderr and the exit status into NAME
  local target=$1
  shift
  {
    "$cli" "$@" 2>"$work/stderr" && echo "exit 0" || echo "exit $?"
    echo "--- stderr"
    cat "$work/stderr"
  } 2>&1 | normal >"$target"
}

for file in "${files[@]}"; do
  base=$(basename "$file" .mdb)
  dir="$out/$base"
  mkdir -p "$dir"
  run "$dir/info" info "$file"
  run "$dir/analyze" analyze "$file"
  "$cli" analyze --json "$file" 2>/dev/null >"$work/analysis.json" || true
  normal <"$work/analysis.json" >"$dir/analyze.json"
  i=0
  while IFS= read -r table; do
    i=$((i + 1))
    run "$dir/table-$i" table "$file" "$table" --limit 500
    run "$dir/table-$i.json" table "$file" "$table" --format json --limit 500
    run "$dir/rows-$i" rows "$file" --table "$table" --limit 500
  done < <(jq -r '.tables[]?.name' "$work/analysis.json")
  i=0
  while IFS= read -r query; do
    i=$((i + 1))
    run "$dir/query-$i" query "$file" "$query"
    run "$dir/query-$i.sqlite" query "$file" "$query" --sqlite
  done < <(jq -r '.queries[]?.name' "$work/analysis.json")
  i=0
  while IFS= read -r relation; do
    i=$((i + 1))
    run "$dir/relation-$i" relation "$file" "$relation"
  done < <(jq -r '.relations[]?.name' "$work/analysis.json")
  rm -rf "$work/repair"
  run "$dir/repair" repair "$file" --out "$work/repair" --overwrite yes
  for saved in "$work"/repair/Repair_*/*.sqlite; do
    [ -e "$saved" ] || continue
    sqlite3 "$saved" .dump | normal >"$dir/repair.sql"
  done
  rm -rf "$work/repair"
  run "$dir/repair.json" repair "$file" --out "$work/repair" --overwrite yes --json
  rm -rf "$work/repair"
done
echo "$(find "$out" -type f | wc -l) outputs of ${#files[@]} databases in $out"
