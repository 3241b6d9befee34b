#!/bin/sh
# Installs the plain build into a scratch prefix and makes the Debian package,
# and checks that both hold the two programs and their manual pages.
set -eu
cd "$(dirname "$0")/.."
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix" >/dev/null
for file in bin/zuna-ocr bin/zuna-calendar share/man/man1/zuna-ocr.1 share/man/man1/zuna-calendar.1; do
  [ -e "$prefix/$file" ] || { echo "install: $file missing"; exit 1; }
done
rm -f build/*.deb
(cd build && cpack -G DEB >/dev/null)
contents=$(dpkg-deb -c build/*.deb)
for file in usr/bin/zuna-ocr usr/bin/zuna-calendar usr/share/man/man1/zuna-ocr.1 usr/share/man/man1/zuna-calendar.1; do
  echo "$contents" | grep -q "\./$file\$" || { echo "package: $file missing"; exit 1; }
done
dpkg-deb -f build/*.deb Depends | grep -q tesseract-ocr-kor || { echo "package: dependencies missing"; exit 1; }
echo "package: 2 passed, 0 failed"
