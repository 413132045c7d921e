#!/usr/bin/env bash
# Makes the sample databases in samples/ from samples/sample.json with vantrel-mkdb: a
# healthy Jet 4 and Jet 3 database, where everything went (a manifest each), and a damaged
# copy of each. The same description always gives the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target vantrel-mkdb -j 2
mkdb=./build/tools/mkdb/vantrel-mkdb

for format in jet4 jet3; do
  healthy=samples/sample-$format.mdb
  manifest=samples/sample-$format.manifest.json
  "$mkdb" make samples/sample.json "$healthy" --format "$format" --manifest "$manifest"
  # The damage: the catalog's definition (page 2) overwritten, the version field garbled,
  # and two of the data pages of the table Readings zeroed.
  "$mkdb" damage "$healthy" "samples/sample-$format-damaged.mdb" --manifest "$manifest" \
    --fill-page 2:0xFF --set-byte 0x14:0x4A --zero-data-pages Readings:1:2
done
