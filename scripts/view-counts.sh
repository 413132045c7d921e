#!/usr/bin/env bash
# Prints, for each database given (every .mdb of the corpus when none), how many of its saved
# queries become views in SQLite and in PostgreSQL, runs every PostgreSQL view once, and ends
# with the totals and PostgreSQL's share of SQLite's views.
#   scripts/view-counts.sh [FILE...]
# The PostgreSQL server is the one $VANTREL_TEST_POSTGRES names (scripts/pg-test-server.sh
# start prints it); vantrel-cli is build-asan's unless $VANTREL_CLI names another.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${VANTREL_CLI:-build-asan/cli/vantrel-cli}
url=${VANTREL_TEST_POSTGRES:?start a server first: eval "\$(scripts/pg-test-server.sh start)"}
corpus=${VANTREL_CORPUS:-../shared/corpus}
if [ "$#" -eq 0 ]; then
  mapfile -t files < <(find "$corpus" -name '*.mdb' | sort)
else
  files=("$@")
fi

work=$(mktemp -d)
export VANTREL_LOG_PATH="$work"
trap 'rm -rf "$work"' EXIT

printf '%-48s %7s %7s %10s %5s\n' file queries sqlite postgresql runs
total_sqlite=0
total_postgres=0
total_queries=0
for file in "${files[@]}"; do
  stem=$(basename "$file" .mdb)
  schema="views_$$_$RANDOM"
  "$cli" repair -q --overwrite yes --out "$work/$stem" "$file" >/dev/null 2>&1 || true
  "$cli" repair -q --overwrite yes --one-schema --to "$url" "$file" >/dev/null 2>&1 || true
  saved=$(find "$work/$stem" -name '*.sqlite' | head -n 1)
  [ -n "$saved" ] || continue
  queries=$(sqlite3 "$saved" "SELECT count(*) FROM MSysVantrelQueries" 2>/dev/null || echo 0)
  sqlite_views=$(sqlite3 "$saved" "SELECT count(*) FROM sqlite_master WHERE type = 'view'")
  # --one-schema names the schema after the run's folder: the newest repair_ schema.
  schema=$(psql "$url" -Atc "SELECT nspname FROM pg_namespace WHERE nspname LIKE 'repair\_%'
                             ORDER BY oid DESC LIMIT 1")
  postgres_views=0
  runs=0
  while IFS= read -r view; do
    [ -n "$view" ] || continue
    postgres_views=$((postgres_views + 1))
    if psql "$url" -Atqc "SELECT count(*) FROM \"$schema\".\"${view//\"/\"\"}\"" >/dev/null 2>&1; then
      runs=$((runs + 1))
    fi
  done < <(psql "$url" -Atc "SELECT viewname FROM pg_views WHERE schemaname = '$schema'")
  psql "$url" -qc "DROP SCHEMA \"$schema\" CASCADE" >/dev/null 2>&1
  [ "$queries" -gt 0 ] || continue
  printf '%-48s %7s %7s %10s %5s\n' "$stem" "$queries" "$sqlite_views" "$postgres_views" "$runs"
  total_queries=$((total_queries + queries))
  total_sqlite=$((total_sqlite + sqlite_views))
  total_postgres=$((total_postgres + postgres_views))
done
share=$((total_sqlite > 0 ? total_postgres * 100 / total_sqlite : 100))
printf '%-48s %7s %7s %10s\n' total "$total_queries" "$total_sqlite" "$total_postgres"
echo "PostgreSQL views: $share % of SQLite's"
