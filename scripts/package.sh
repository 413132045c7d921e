#!/usr/bin/env bash
# Builds the release programs with Debian's hardening flags and makes the Debian package
# vantrel_VERSION_ARCH.deb in build-release/ (install it with
# `apt install ./build-release/vantrel_*.deb`), then checks it (scripts/check-package.sh, with
# lintian when it is installed).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVANTREL_HARDENING=ON -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-release
(cd build-release && cpack -G DEB)
./scripts/check-package.sh build-release
ls build-release/vantrel_*.deb
