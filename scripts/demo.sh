#!/usr/bin/env bash
# Installs what is missing, builds Vantrel and repairs the damaged sample database into
# repaired/ under the working tree, then says where the repaired database is.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j 2

source=samples/sample-jet4-damaged.mdb
output=$(./build-release/cli/vantrel-cli repair --out repaired --overwrite yes "$source")
echo "$output"
folder=$(sed -n 's/^Destination folder: //p' <<<"$output")
repaired="$folder/$(basename "$source" .mdb).sqlite"
echo
echo "Repaired database: $(realpath "$repaired")"
echo "Its tables:        sqlite3 '$repaired' .tables"
sqlite3 "$repaired" .tables
