#!/usr/bin/env bash
# Installs what is missing, builds Vantrel and shows what it reads in a database.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
./build/cli/vantrel-cli info ../shared/corpus/jet3/mdbtools-nwind.mdb --tdef 4 --tdef 5
