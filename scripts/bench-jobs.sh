#!/usr/bin/env bash
# Repairs every corpus database in one run of vantrel-cli, with --jobs 1 and with --jobs 2
# (or the counts given), each several times, alternating; prints the seconds and the peak
# memory of each run, then the best time of each count and its speed-up over --jobs 1.
# The peak of a run with several jobs is the whole process's; what one job adds is about
# (peak with N jobs - peak with 1 job) / (N - 1).
#   scripts/bench-jobs.sh [--repeat R] [JOBS...]      (default: --repeat 3, jobs 1 2)
set -euo pipefail
cd "$(dirname "$0")/.."

repeat=3
if [ "${1:-}" = --repeat ]; then
  repeat=$2
  shift 2
fi
counts=("$@")
[ ${#counts[@]} -eq 0 ] && counts=(1 2)
corpus=${VANTREL_CORPUS:-../shared/corpus}
mapfile -t files < <(find "$corpus" -name '*.mdb' | sort)
[ ${#files[@]} -gt 0 ] || { echo "no corpus in $corpus" >&2; exit 1; }

./scripts/setup.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel-cli -j 2 >"$work/build.log" || {
  cat "$work/build.log"
  exit 1
}

echo "${#files[@]} files, $(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%5s %4s %9s %10s\n' jobs run seconds "peak KiB"
declare -A best
for ((r = 1; r <= repeat; ++r)); do
  for jobs in "${counts[@]}"; do
    rm -rf "$work/out" && mkdir "$work/out"
    # The log goes to the work folder, not the user's. Files that hold nothing end with
    # status 1, which is expected here.
    VANTREL_LOG_PATH="$work" /usr/bin/time -f '%e %M' -o "$work/time.txt" \
      ./build-release/cli/vantrel-cli repair --jobs "$jobs" --out "$work/out" "${files[@]}" \
      >/dev/null 2>&1 || true
    # The last line: a run that ended with status 1 has a line about it first.
    read -r seconds peak < <(tail -n 1 "$work/time.txt")
    printf '%5s %4s %9s %10s\n' "$jobs" "$r" "$seconds" "$peak"
    if [ -z "${best[$jobs]:-}" ] || awk -v a="$seconds" -v b="${best[$jobs]}" 'BEGIN { exit !(a < b) }'; then
      best[$jobs]=$seconds
    fi
  done
done
echo
printf '%5s %12s %9s\n' jobs "best seconds" speed-up
for jobs in "${counts[@]}"; do
  awk -v j="$jobs" -v t="${best[$jobs]}" -v one="${best[${counts[0]}]}" \
    'BEGIN { printf "%5s %12.2f %9.2f\n", j, t, one / t }'
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
