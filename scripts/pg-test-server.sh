#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests and benchmarks.
#
#   eval "$(scripts/pg-test-server.sh start)"   # prints the exports that name it
#   scripts/pg-test-server.sh stop "$VANTREL_TEST_POSTGRES_DIR"
#
# start makes a cluster in a new temporary folder, listening only on 127.0.0.1 at a free port
# and on a Unix socket in that folder, with a role "vantrel_test" that logs in with a password
# (kept in a password file there, which libpq reads through PGPASSFILE), and a database of the
# same name. It prints the exports: VANTREL_TEST_POSTGRES (the URL, without the password),
# PGPASSFILE and VANTREL_TEST_POSTGRES_DIR. When the server cannot be started (no package),
# it says why on standard error, prints nothing and exits 0: the tests then skip themselves.
# The server runs as the `postgres` account when started by root (PostgreSQL refuses root).
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)

unavailable() {
  echo "pg-test-server: no test server: $*" >&2
  exit 0
}

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=postgres --regid=postgres --init-groups -- "$@"
  else
    "$@"
  fi
}

start() {
  [ -n "$bindir" ] && [ -x "$bindir/initdb" ] || unavailable "PostgreSQL is not installed"
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    unavailable "no postgres account to run the server as"
  fi
  local dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-pg.XXXXXX")
  chmod 755 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir"
  local password
  password=$(head -c 18 /dev/urandom | od -An -tx1 | tr -d ' \n')
  printf '%s\n' "$password" >"$dir/password"
  chmod 600 "$dir/password"
  [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir/password"
  if ! as_server_user "$bindir/initdb" -D "$dir/data" -U postgres --auth-local=peer \
    --auth-host=scram-sha-256 --pwfile="$dir/password" -E UTF8 --locale=C.UTF-8 \
    >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    unavailable "initdb failed"
  fi
  # Local connections as the server's own account need no password; everyone else needs one.
  cat >"$dir/data/pg_hba.conf" <<HBA
local all postgres peer
local all all scram-sha-256
host all all 127.0.0.1/32 scram-sha-256
HBA
  local port started=""
  for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    if as_server_user "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
      -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=40" \
      >/dev/null 2>&1; then
      started=yes
      break
    fi
  done
  if [ -z "$started" ]; then
    tail -n 20 "$dir/server.log" >&2 || true
    as_server_user rm -rf "$dir/data" 2>/dev/null || true
    rm -rf "$dir"
    unavailable "the server did not start"
  fi
  local role_password
  role_password=$(head -c 18 /dev/urandom | od -An -tx1 | tr -d ' \n')
  as_server_user "$bindir/psql" -X -q -h "$dir" -p "$port" -U postgres -d postgres \
    -v ON_ERROR_STOP=1 >/dev/null <<SQL
CREATE ROLE vantrel_test LOGIN CREATEDB PASSWORD '$role_password';
CREATE DATABASE vantrel_test OWNER vantrel_test;
SQL
  # The password file of the tests' user: libpq finds the password there, never in the URL.
  printf '127.0.0.1:%s:*:vantrel_test:%s\n%s:%s:*:vantrel_test:%s\n' \
    "$port" "$role_password" "$dir" "$port" "$role_password" >"$dir/pgpass"
  chmod 600 "$dir/pgpass"
  echo "$port" >"$dir/port"
  echo "export VANTREL_TEST_POSTGRES_DIR='$dir'"
  echo "export PGPASSFILE='$dir/pgpass'"
  echo "export VANTREL_TEST_POSTGRES='postgresql://vantrel_test@127.0.0.1:$port/vantrel_test'"
}

stop() {
  local dir=${1:-}
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  if [ -d "$dir/data" ]; then
    as_server_user "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  *)
    echo "usage: $0 start | stop DIR" >&2
    exit 2
    ;;
esac
