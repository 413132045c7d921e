#!/usr/bin/env bash
# Installs, only when missing, every Debian package that the build, the tests,
# the benchmarks and the fuzzers need. Safe to run again; needs root or sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  libsqlite3-dev sqlite3
  libpq-dev postgresql libssl-dev zlib1g-dev
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  mdbtools libcli11-dev libfmt-dev nlohmann-json3-dev
  xvfb xauth time ccache
  desktop-file-utils appstream help2man dbus imagemagick dpkg-dev lintian
  clang libclang-rt-14-dev libfuzzer-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    run_as_root=(sudo)
  else
    echo "setup: missing packages (${missing[*]}) and no root rights to install them" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update -qq
"${run_as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
