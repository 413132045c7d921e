#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators, and the MIME package
# gives .accdb files, by name and by content, the type the desktop entry opens. Exits 77
# (skipped) when the tools are not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in desktop-file-validate appstreamcli update-mime-database; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
desktop-file-validate data/vantrel.desktop
appstreamcli validate --no-net data/org.vantrel.Vantrel.metainfo.xml

mime=$(mktemp -d)
trap 'rm -rf "$mime"' EXIT
mkdir "$mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml data/vantrel-mime.xml "$mime/packages/"
# The database's own tool reports a package it cannot read on its error output.
problems=$(XDG_DATA_DIRS=$(dirname "$mime") update-mime-database "$mime" 2>&1)
[ -z "$problems" ] || { echo "the MIME package: $problems"; exit 1; }
grep -qx 'application/vnd.ms-access:\*\.accdb' <(cut -d: -f2- "$mime/globs2") ||
  { echo "the MIME package gives *.accdb no Access type"; exit 1; }
grep -q 'Standard ACE DB' "$mime/magic" || { echo "the MIME package has no ACE signature"; exit 1; }
grep -q '^MimeType=.*application/vnd.ms-access;' data/vantrel.desktop ||
  { echo "the desktop entry does not open application/vnd.ms-access"; exit 1; }
echo "desktop entry, metainfo and MIME package are valid"
