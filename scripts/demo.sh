#!/usr/bin/env bash
# Installs what is missing and builds Vantrel. With a display, opens the windows (vantrel)
# with the damaged sample database listed: press Repair. Without one, repairs the damaged
# sample on the command line into repaired/ under the working tree and says where the
# repaired database is.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel vantrel-cli -j 2

source=samples/sample-jet4-damaged.mdb
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Opening the windows with $source listed; press Repair."
  exec ./build-release/gui/vantrel "$source"
fi

output=$(./build-release/cli/vantrel-cli repair --out repaired --overwrite yes "$source")
echo "$output"
folder=$(sed -n 's/^Destination folder: //p' <<<"$output")
repaired="$folder/$(basename "$source" .mdb).sqlite"
echo
echo "Repaired database: $(realpath "$repaired")"
echo "Its tables:        sqlite3 '$repaired' .tables"
sqlite3 "$repaired" .tables
