#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs them one after the other.
#
#   scripts/fuzz.sh                        every target for 10 minutes
#   scripts/fuzz.sh --time 3600 saving     one target for an hour
#   scripts/fuzz.sh --short                the test command's short run: a fixed number of runs
#   scripts/fuzz.sh --coverage [TARGET]    what the kept inputs reach: edges and functions per file
#
# Targets: analysis, saving, query_rebuild (mutated database files), query_rows (mutated
# query-catalog rows). Long runs keep what they find in build-fuzz/fuzz/corpus/<target>; the
# short run starts from the seeds alone. Any crash, any input slower than 10 seconds or using
# more than 2 GiB is a failure: the input is kept in build-fuzz/fuzz/artifacts/ and the script
# fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=600
short=0
coverage=0
build=1
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) seconds=$2; shift 2 ;;
    --short) short=1; shift ;;
    --coverage) coverage=1; shift ;;
    --no-build) build=0; shift ;;
    analysis|saving|query_rebuild|query_rows|view_translation|name_decoding) targets+=("$1"); shift ;;
    *) echo "fuzz.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(analysis saving query_rebuild query_rows view_translation name_decoding)

# Runs for the short run: about two minutes for all four on a shared two-core machine.
declare -A short_runs=([analysis]=5000 [saving]=1200 [query_rebuild]=3000 [query_rows]=80000
                       [view_translation]=40000 [name_decoding]=80000)

out=$root/build-fuzz
if [ "$build" = 1 ]; then
  CXX=${FUZZ_CXX:-clang++} cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_FUZZERS=ON -DVANTREL_BUILD_TESTS=OFF \
    -DVANTREL_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$out" -j2 --target analysis_fuzzer saving_fuzzer query_rebuild_fuzzer \
    query_rows_fuzzer view_translation_fuzzer name_decoding_fuzzer vantrel-fuzz-seeds
fi

corpus=$(realpath -m "${VANTREL_CORPUS:-$root/../shared/corpus}")
seeds=$out/fuzz/seeds
if [ ! -d "$seeds" ] || [ fuzz/seed-database.json -nt "$seeds" ] ||
   [ "$out/fuzz/vantrel-fuzz-seeds" -nt "$seeds" ]; then
  rm -rf "$seeds"
  if [ -d "$corpus" ]; then
    "$out/fuzz/vantrel-fuzz-seeds" "$seeds" "$root" "$corpus"
  else
    "$out/fuzz/vantrel-fuzz-seeds" "$seeds" "$root"
  fi
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$out/fuzz/artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=0
for target in "${targets[@]}"; do
  inputs=()
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           "-artifact_prefix=$out/fuzz/artifacts/$target-")
  if [ "$target" = query_rows ]; then
    inputs+=("$seeds/query-rows")
  elif [ "$target" = view_translation ] || [ "$target" = name_decoding ]; then
    inputs+=("$root/fuzz/seeds/$target")
  else
    # Files beyond the limit are cut short: a cut file is one of the damages, too.
    options+=(-max_len=262144)
    inputs+=("$seeds/files")
    [ -d "$corpus" ] && inputs+=("$corpus/jet3" "$corpus/jet4")
  fi
  [ -d "$root/fuzz/regressions/$target" ] && inputs+=("$root/fuzz/regressions/$target")
  if [ "$coverage" = 1 ]; then
    # Every kept input and seed once; libFuzzer lists each function with the edges it reached.
    echo "fuzz.sh: $target" >&2
    mkdir -p "$out/fuzz/corpus/$target"
    (cd "$scratch" && "$out/fuzz/${target}_fuzzer" -runs=0 -print_coverage=1 "${options[@]}" \
      "$out/fuzz/corpus/$target" "${inputs[@]}") 2>&1 |
      awk '/^(COVERED|UNCOVERED)_FUNC/ {
             split($5, e, "/")
             file = $NF
             sub(/:[0-9]+$/, "", file)
             if (!match(file, /(reader|jetsql|dialects\/sqlite|salvage|app)\/[^\/]+$/)) next
             file = substr(file, RSTART)
             reached[file] += e[1]; edges[file] += e[2]; functions[file]++
             if ($1 == "COVERED_FUNC:") used[file]++
           }
           END { for (f in edges) printf "  %-36s edges %5d of %-5d functions %3d of %d\n",
                                         f, reached[f], edges[f], used[f], functions[f] }' | sort
    continue
  fi
  if [ "$short" = 1 ]; then
    work=$scratch/$target
    options+=("-runs=${short_runs[$target]}")
  else
    work=$out/fuzz/corpus/$target
    options+=("-max_total_time=$seconds")
  fi
  mkdir -p "$work"
  echo "fuzz.sh: $target" >&2
  log=$scratch/$target.log
  if ! (cd "$scratch" && "$out/fuzz/${target}_fuzzer" "${options[@]}" "$work" "${inputs[@]}") \
      >"$log" 2>&1; then
    failed=1
    tail -n 60 "$log" >&2
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::|Done )' "$log" >&2 || true
  [ "$short" = 1 ] || cp "$log" "$out/fuzz/$target-last.log"
done
exit $failed
