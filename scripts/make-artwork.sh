#!/usr/bin/env bash
# Draws the skins, the splash bitmap and the icons into data/ (they are committed; run this
# after changing tools/artwork/make_artwork.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target vantrel-make-artwork
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
QT_QPA_PLATFORM=offscreen build-release/tools/artwork/vantrel-make-artwork "$out"
mkdir -p data/skins data/icons
mv "$out"/*.bmp data/skins/
for f in "$out"/vantrel-*.png; do
  size=${f##*/vantrel-}
  size=${size%.png}
  mkdir -p "data/icons/${size}x${size}"
  mv "$f" "data/icons/${size}x${size}/vantrel.png"
done
echo "artwork written to data/skins and data/icons"
