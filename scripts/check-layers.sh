#!/usr/bin/env bash
# Fails, naming the file and the include, when a project header is included from a folder of a
# lower layer. Layers from the bottom: run, reader, jetsql, dialects, destinations (the
# interface), the destinations themselves (destinations/sqlite, destinations/postgres, beside
# each other), salvage, display, app; the command line and the windows sit on top, beside each
# other. The display texts of values sit above the salvage, which saves values and never shows
# them.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case "$1" in
    run) echo 0 ;; reader) echo 1 ;; jetsql) echo 2 ;; dialects) echo 3 ;; destinations) echo 4 ;;
    destinations/sqlite | destinations/postgres) echo 5 ;;
    salvage) echo 6 ;; display) echo 7 ;; app) echo 8 ;;
    cli | gui) echo 9 ;; *) echo "" ;;
  esac
}

# The layer of a path: its folder, or for destinations/ the kind's own folder.
layer() {
  case "$1" in
    destinations/*/*) local rest=${1#destinations/}; echo "destinations/${rest%%/*}" ;;
    *) echo "${1%%/*}" ;;
  esac
}

failures=0
for folder in run reader jetsql dialects destinations salvage display app cli gui; do
  [ -d "$folder" ] || continue
  while IFS=: read -r file line include; do
    own=$(layer "$file")
    target=$(layer "$include")
    theirs=$(rank "$target")
    [ -n "$theirs" ] || continue
    if [ "$target" != "$own" ] && [ "$theirs" -ge "$(rank "$own")" ]; then
      echo "$file:$line: includes \"$include\" ($target is not below $own)"
      failures=$((failures + 1))
    fi
  done < <(grep -rnE --include='*.h' --include='*.cpp' \
             '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$folder" |
           sed -E 's/^([^:]+):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1:\2:\3/')
done

if [ "$failures" -ne 0 ]; then
  echo "$failures include(s) point up a layer"
  exit 1
fi
echo "every include points down a layer or stays in its folder"
