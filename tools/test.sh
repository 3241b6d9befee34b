#!/bin/sh
# Installs what is needed, builds twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test on both.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZUNA_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"

status=0
ctest --test-dir build -j "$jobs" --output-on-failure || status=1

# A sanitizer finding in a child process shows as exit status 99, which no test expects.
ASAN_OPTIONS=detect_leaks=1:exitcode=99 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure || status=1
exit $status
