#!/usr/bin/env bash
# Makes the Debian package from the build folder given and checks what it holds: the programs,
# the application folder (skins, manual), the desktop files, icons, the D-Bus service file, the
# manual pages, and dependencies computed from the programs. Exits 77 (skipped) when cpack or
# the Debian packaging tools are missing.
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null)
deb=$(ls "$out"/vantrel_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#')
prefix=$(sed -n 's/^set(CPACK_PACKAGING_INSTALL_PREFIX "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$prefix" ] || { echo "no install prefix in $build/CPackConfig.cmake"; exit 1; }
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
expect "$prefix"/share/vantrel/manual/index.html
expect "$prefix"/share/applications/vantrel.desktop
expect "$prefix"/share/metainfo/org.vantrel.Vantrel.metainfo.xml
expect "$prefix"/share/dbus-1/services/org.vantrel.Vantrel.service
for size in 16 24 32 48 64 128 256; do
  expect "$prefix/share/icons/hicolor/${size}x${size}/apps/vantrel.png"
done
expect "$prefix"/share/man/man1/vantrel-cli.1
expect "$prefix"/share/man/man1/vantrel.1
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
