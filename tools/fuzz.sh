#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 20) from the committed seed corpus. A crash, hang or sanitizer report fails
# the run and leaves the input as crash-*/timeout-* in build-fuzz/findings.
# usage: tools/fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-20}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZUNA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$(nproc)"
mkdir -p build-fuzz/findings
status=0
for target in request ics ics_rules image text config; do
  work=$(mktemp -d)
  echo "fuzz_$target: $seconds s"
  # New inputs go to the scratch folder; the committed seeds stay as they are.
  if ! (cd build-fuzz/findings &&
        ../tests/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
          -max_len=65536 -print_final_stats=1 "$work" "../../tests/fuzz/corpus/$target" \
          > "fuzz_$target.log" 2>&1); then
    echo "fuzz_$target FAILED: see build-fuzz/findings/fuzz_$target.log"
    tail -30 "build-fuzz/findings/fuzz_$target.log"
    status=1
  fi
  grep -E "stat::number_of_executed_units|cov:" "build-fuzz/findings/fuzz_$target.log" | tail -2 || true
  rm -rf "$work"
done
exit $status
