#!/usr/bin/env bash
# Fails, naming the file and the include, when a project header is included from a folder of a
# lower layer. Layers from the bottom: run, reader, jetsql, dialects, salvage, display, app; the
# command line and the windows sit on top, beside each other. The display texts of values sit
# above the salvage, which saves values and never shows them.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case "$1" in
    run) echo 0 ;; reader) echo 1 ;; jetsql) echo 2 ;; dialects) echo 3 ;; salvage) echo 4 ;;
    display) echo 5 ;;
    app) echo 6 ;; cli | gui) echo 7 ;; *) echo "" ;;
  esac
}

failures=0
for folder in run reader jetsql dialects salvage display app cli gui; do
  [ -d "$folder" ] || continue
  own=$(rank "$folder")
  while IFS=: read -r file line include; do
    target=${include%%/*}
    theirs=$(rank "$target")
    [ -n "$theirs" ] || continue
    if [ "$target" != "$folder" ] && [ "$theirs" -ge "$own" ]; then
      echo "$file:$line: includes \"$include\" ($target is not below $folder)"
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
