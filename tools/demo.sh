#!/bin/sh
# Installs what is needed, builds, and runs both programs on the bundled samples.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null

echo "\$ zuna-ocr samples/screenshot.png"
build/ocr/zuna-ocr samples/screenshot.png
