#!/usr/bin/env bash
# Fails, naming the file and the include, when a project header is included from a folder of a
# lower layer. Layers from the bottom: run, reader, jetsql, destinations (the interface), the
# destinations themselves (destinations/sqlite, destinations/postgres, beside each other),
# salvage, queries, app; the command line and the windows sit on top, beside each other.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case "$1" in
    run) echo 0 ;; reader) echo 1 ;; jetsql) echo 2 ;; destinations) echo 3 ;;
    destinations/sqlite | destinations/postgres) echo 4 ;;
    salvage) echo 5 ;; queries) echo 6 ;; app) echo 7 ;;
    cli | gui) echo 8 ;; *) echo "" ;;
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
for folder in run reader jetsql destinations salvage queries app cli gui; do
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
