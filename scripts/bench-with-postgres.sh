# Sourced by the benchmarks that save into PostgreSQL, after `cd` to the repository and with
# `bench` set to the script's name: installs what is missing, starts a throw-away local server
# (stopped at exit), makes $work (removed at exit) and a release vantrel-cli and vantrel-mkdb.
./scripts/setup.sh
work=$(mktemp -d)
chmod 755 "$work"
eval "$(./scripts/pg-test-server.sh start)"
if [ -z "${VANTREL_TEST_POSTGRES:-}" ]; then
  echo "$bench: no PostgreSQL server to measure against" >&2
  exit 1
fi
trap '"$PWD/scripts/pg-test-server.sh" stop "$VANTREL_TEST_POSTGRES_DIR"; rm -rf "$work"' EXIT
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel-cli vantrel-mkdb -j 2 >"$work/build.log" || {
  cat "$work/build.log"
  exit 1
}
