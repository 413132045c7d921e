#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators. Exits 77 (skipped) when
# the validators are not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
desktop-file-validate data/vantrel.desktop
appstreamcli validate --no-net data/org.vantrel.Vantrel.metainfo.xml
echo "desktop entry and metainfo are valid"
