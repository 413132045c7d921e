#!/usr/bin/env bash
# The largest file: generates a Jet 4 database just under the format's 2 GB limit (one mixed
# table of 5,250,000 rows, memos on long-value pages), then times vantrel-cli analyze and
# vantrel-cli repair on it and prints the seconds and the peak memory of each; the peak must
# stay under 200 MB (204,800 KiB). Needs about 4.5 GB free in the work folder (the source and
# its destination), which is removed at the end.
#   scripts/bench-large.sh [ROWS]      (default: 5250000, about 2,133,000,000 bytes)
set -euo pipefail
cd "$(dirname "$0")/.."

rows=${1:-5250000}
limit_kib=204800
./scripts/setup.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
free_kib=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -lt $((rows * 900 / 1024)) ]; then
  echo "not enough free space in $work: $free_kib KiB" >&2
  exit 1
fi
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel-cli vantrel-mkdb -j 2 >"$work/build.log" || {
  cat "$work/build.log"
  exit 1
}

file="$work/large.mdb"
/usr/bin/time -f '%e %M' -o "$work/time.txt" \
  ./build-release/tools/mkdb/vantrel-mkdb synthetic "$file" --rows "$rows" >/dev/null
read -r seconds peak <"$work/time.txt"
echo "generated $(stat -c %s "$file") bytes, $rows rows in $seconds s"

printf '%-8s %9s %10s %s\n' step seconds "peak KiB" "under 200 MB"
status=0
for step in analyze repair; do
  if [ "$step" = analyze ]; then
    command=(./build-release/cli/vantrel-cli analyze "$file")
  else
    command=(./build-release/cli/vantrel-cli repair --out "$work/out" "$file")
  fi
  # The log goes to the work folder, not the user's.
  VANTREL_LOG_PATH="$work" /usr/bin/time -f '%e %M' -o "$work/time.txt" "${command[@]}" \
    >"$work/$step.txt"
  read -r seconds peak <"$work/time.txt"
  verdict=yes
  [ "$peak" -lt "$limit_kib" ] || { verdict=NO; status=1; }
  printf '%-8s %9s %10s %s\n' "$step" "$seconds" "$peak" "$verdict"
done
saved=$(find "$work/out" -name '*.sqlite')
echo "saved $(sqlite3 "$saved" 'SELECT count(*) FROM Records') of $rows rows into $(stat -c %s "$saved") bytes"
exit $status
