#!/usr/bin/env bash
# Takes the README's pictures of the windows (main window, preview with a table's rows and with
# a query's SQL, saving dialog, end dialog) from the running windows on a virtual display
# (Xvfb), driven over the sample databases (copied into a neutral folder first, so that no
# developer's path shows) in the project's skins, into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --target vantrel-screenshots -j 2
xvfb-run -a -s "-screen 0 1280x1024x24" \
  build-release/gui/vantrel-screenshots docs/screenshots samples data/skins
ls docs/screenshots
