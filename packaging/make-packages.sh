#!/usr/bin/env bash
# Makes the two packages users install from the programs the linux and
# windows presets built (./run package builds those first):
#   build/package/orvi-upgrade_VERSION_ARCH.deb
#   build/package/orvi-upgrade-VERSION-windows-x64.zip
# VERSION is the project's, as CMake took it from project(); the .exe files
# go into the zip byte for byte as the Windows tests ran them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
here=$root/packaging
linux=$root/build/linux
windows=$root/build/windows
out=$root/build/package

fail() {
  echo "make-packages: $*" >&2
  exit 1
}

project_version() {
  [ -f "$1/CMakeCache.txt" ] || fail "$1 is not configured: run ./run package"
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}
version=$(project_version "$linux")
[ -n "$version" ] || fail "no project version in $linux/CMakeCache.txt"
[ "$(project_version "$windows")" = "$version" ] ||
  fail "build/windows was configured for version $(project_version "$windows"), build/linux for $version"
# The changelog records each release; its newest entry must be this one.
logged=$(dpkg-parsechangelog -l "$here/deb/changelog" -S Version)
[ "$logged" = "$version" ] ||
  fail "packaging/deb/changelog's newest entry is $logged; write the entry for $version"
for f in "$linux/bin/orvi-upgrade" "$linux/bin/orvi-flash" "$linux/bin/orvi-printer-sim" \
  "$windows/bin/orvi-upgrade.exe" "$windows/bin/orvi-flash.exe"; do
  [ -f "$f" ] || fail "$f is missing: run ./run package"
done

arch=$(dpkg --print-architecture)
# File times in both packages come from the changelog's entry, so the same
# sources give the same packages.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$here/deb/changelog" -S Timestamp)
rm -rf "$out"
mkdir -p "$out"

# --- The Debian package -----------------------------------------------
# dpkg-shlibdeps expects the tree where a Debian source build keeps it:
# debian/<package>/ beside debian/control.
work=$out/deb
tree=$work/debian/orvi-upgrade
mkdir -p "$tree/DEBIAN"
printf 'Source: orvi-upgrade\n\nPackage: orvi-upgrade\nArchitecture: any\n' > "$work/debian/control"

install -D -m 0755 "$linux/bin/orvi-flash" "$tree/usr/bin/orvi-flash"
install -D -m 0755 "$linux/bin/orvi-printer-sim" "$tree/usr/bin/orvi-printer-sim"
# The wizard reads l11config.bld and the firmware from the folder its own
# file lies in, so it is not on PATH: started from /usr/bin it could only
# end in "Configuration BLD file could not be found." after the printer was
# already put into its upgrade state. It is copied beside a firmware set.
install -D -m 0755 "$linux/bin/orvi-upgrade" "$tree/usr/lib/orvi-upgrade/orvi-upgrade"
# The tests ran the programs with their debugging symbols; the package
# carries the same code without them.
strip --remove-section=.comment --remove-section=.note \
  "$tree/usr/bin/orvi-flash" "$tree/usr/bin/orvi-printer-sim" "$tree/usr/lib/orvi-upgrade/orvi-upgrade"

for page in orvi-flash.1 orvi-printer-sim.1; do
  install -D -m 0644 "$here/man/$page" "$tree/usr/share/man/man1/$page"
  gzip -9n "$tree/usr/share/man/man1/$page"
done

doc=$tree/usr/share/doc/orvi-upgrade
install -D -m 0644 "$root/README.md" "$doc/README.md"
gzip -9n "$doc/README.md"
install -m 0644 "$here/deb/changelog" "$doc/changelog"
gzip -9n "$doc/changelog"
# The copyright file in the machine-readable format, its notice and text
# taken from LICENSE so that the two cannot differ.
copyright=$(sed -n 's/^Copyright (c) //p' "$root/LICENSE")
[ -n "$copyright" ] || fail "LICENSE has no copyright line"
license_text=$(sed -n '/^Permission/,$p' "$root/LICENSE" | sed 's/^$/./; s/^/ /')
awk -v c="$copyright" -v t="$license_text" \
  '{ gsub(/@COPYRIGHT@/, c); if ($0 == "@LICENSE_TEXT@") $0 = t; print }' \
  "$here/deb/copyright" > "$doc/copyright"
chmod 0644 "$doc/copyright"

depends=$(cd "$work" && dpkg-shlibdeps -O -Tdebian/substvars \
  debian/orvi-upgrade/usr/bin/orvi-flash debian/orvi-upgrade/usr/bin/orvi-printer-sim \
  debian/orvi-upgrade/usr/lib/orvi-upgrade/orvi-upgrade | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies"

find "$tree" -type d -exec chmod 0755 {} +
size=$(du -sk --apparent-size "$tree/usr" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@INSTALLED_SIZE@/$size/" \
  -e "s/@DEPENDS@/$depends/" "$here/deb/control" > "$tree/DEBIAN/control"
(cd "$tree" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) > "$tree/DEBIAN/md5sums"
chmod 0644 "$tree/DEBIAN/control" "$tree/DEBIAN/md5sums"
find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
deb=$out/orvi-upgrade_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$tree" "$deb" >/dev/null

# --- The Windows download ---------------------------------------------
# Text files with CR LF, so that every Notepad shows their lines.
stage=$out/windows
mkdir -p "$stage"
cp "$windows/bin/orvi-upgrade.exe" "$windows/bin/orvi-flash.exe" "$stage/"
sed 's/$/\r/' "$root/README.md" > "$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" > "$stage/LICENSE.txt"
# The notices of the runtime parts the static .exe files carry.
sed 's/$/\r/' "$root/packaging/windows/THIRD-PARTY-NOTICES.txt" > "$stage/THIRD-PARTY-NOTICES.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
zip=$out/orvi-upgrade-${version}-windows-x64.zip
(cd "$stage" && zip -X -q "$zip" orvi-upgrade.exe orvi-flash.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)

rm -rf "$work" "$stage"
echo "$deb"
echo "$zip"
