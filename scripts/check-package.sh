#!/usr/bin/env bash
# Makes the Debian package from the build folder given and checks what it holds: the programs,
# the application folder (skins), the manual, copyright and changelog in /usr/share/doc, the
# desktop files, the MIME package, icons, the D-Bus service file, the gzipped manual pages, the
# shell completions, and dependencies computed from the programs; then lintian, when it is installed, with no
# error or warning allowed (and, for a build with VANTREL_HARDENING, no missing hardening).
# Exits 77 (skipped) when cpack or the Debian packaging tools are missing, or when the build is
# configured for another prefix than /usr (after checking that cpack refuses it).
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
configured=$(sed -n 's/^set(CPACK_VANTREL_CONFIGURED_PREFIX "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
if [ "$configured" != /usr ]; then
  if (cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null 2>&1); then
    echo "cpack made a package from a build configured for $configured"
    exit 1
  fi
  echo "skipped: the build is configured for $configured, and cpack refuses it as it should"
  exit 77
fi
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null)
deb=$(ls "$out"/vantrel_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#')
prefix=/usr
missing=0
expect() {
  if ! grep -qxF "$1" <<<"$contents"; then
    echo "missing from the package: $1"
    missing=1
  fi
}
expect "$prefix"/bin/vantrel-cli
expect "$prefix"/bin/vantrel
expect "$prefix"/share/vantrel/Vantrel-Access1.bmp
expect "$prefix"/share/vantrel/Skin2.bmp
expect "$prefix"/share/vantrel/Flash.bmp
expect "$prefix"/share/doc/vantrel/manual/index.html
expect "$prefix"/share/doc/vantrel/copyright
expect "$prefix"/share/doc/vantrel/changelog.gz
expect "$prefix"/share/bash-completion/completions/vantrel-cli
expect "$prefix"/share/zsh/vendor-completions/_vantrel-cli
expect "$prefix"/share/fish/vendor_completions.d/vantrel-cli.fish
expect "$prefix"/share/applications/vantrel.desktop
expect "$prefix"/share/metainfo/org.vantrel.Vantrel.metainfo.xml
expect "$prefix"/share/mime/packages/vantrel.xml
expect "$prefix"/share/dbus-1/services/org.vantrel.Vantrel.service
for size in 16 24 32 48 64 128 256; do
  expect "$prefix/share/icons/hicolor/${size}x${size}/apps/vantrel.png"
done
expect "$prefix"/share/man/man1/vantrel-cli.1.gz
expect "$prefix"/share/man/man1/vantrel.1.gz
# Nothing of the tests or the tools goes into the package.
if grep -E 'mkdb|_tests|fuzz|/include/' <<<"$contents"; then
  echo "the package holds files that are not Vantrel's"
  missing=1
fi
# The bus starts the program where the package puts it.
service=$(dpkg-deb --fsys-tarfile "$deb" |
  tar -xO ".$prefix/share/dbus-1/services/org.vantrel.Vantrel.service" 2>/dev/null || true)
if ! grep -qxF "Exec=$prefix/bin/vantrel --automation" <<<"$service"; then
  echo "the D-Bus service file does not start $prefix/bin/vantrel: $service"
  missing=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
for library in libsqlite3 libqt6widgets6 libstdc++6; do
  if ! grep -q "$library" <<<"$depends"; then
    echo "the package does not depend on $library: $depends"
    missing=1
  fi
done
[ "$missing" -eq 0 ] || exit 1
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
if ! command -v lintian >/dev/null; then
  echo "lintian is not installed: the package's lintian check is skipped"
  exit 0
fi
# As root, lintian wants to be told that it is meant.
lintian_report=$(lintian --allow-root --display-info --fail-on error,warning "$deb") || {
  echo "lintian: $lintian_report"
  exit 1
}
if grep -qx 'VANTREL_HARDENING:BOOL=ON' "$build/CMakeCache.txt" && grep -q 'hardening-' <<<"$lintian_report"; then
  echo "lintian finds hardening missing: $lintian_report"
  exit 1
fi
echo "lintian: no error or warning${lintian_report:+; $(wc -l <<<"$lintian_report") notes}"
