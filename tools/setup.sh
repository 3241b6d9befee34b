#!/bin/sh
# Installs every Debian package the project needs to build, run and test.
# The one list of dependencies; safe to run again. Needs root (or sudo).
set -eu

packages="
  build-essential cmake pkg-config
  libtesseract-dev libleptonica-dev tesseract-ocr
  tesseract-ocr-eng tesseract-ocr-chi-sim tesseract-ocr-chi-tra
  tesseract-ocr-jpn tesseract-ocr-kor tesseract-ocr-osd
  libicu-dev libical-dev tzdata nlohmann-json3-dev libjemalloc-dev
  libecal2.0-dev libedataserver1.2-dev libebook1.2-dev libedata-cal2.0-dev
  evolution-data-server dbus dbus-daemon procps
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  python3
"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# apt-get update runs every time: a stale package list makes installs fail on fresh machines.
$sudo apt-get update -qq
if [ -n "$missing" ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi
