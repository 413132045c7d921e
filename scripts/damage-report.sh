#!/usr/bin/env bash
# Damages the damage suite's written databases and every corpus database in every kind, and
# writes docs/damage-report.md: per kind, the share of the healthy files' rows that Vantrel
# and mdbtools get back. Takes several minutes. Options go to the program (--variants N,
# --corpus DIR, --kind PART to keep only the kinds whose name holds PART).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target vantrel-damage-report
mkdir -p docs
./build/tests/damage/vantrel-damage-report docs/damage-report.md "$@"
