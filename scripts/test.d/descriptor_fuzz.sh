#!/usr/bin/env bash
# Fuzzes the HID report-descriptor parser with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer for a short fixed time (FUZZ_SECONDS, default 30). An input
# that takes longer than 10 s, or a run that does not end within a minute of its time,
# fails (both stretched by MC_TEST_TIME_FACTOR).
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
out=build/fuzz-descriptor
seconds=${FUZZ_SECONDS:-30}
cxx=${FUZZ_CXX:-clang++}
mkdir -p "$out/corpus" "$out/artifacts"
"$cxx" -std=c++20 -g -O1 -fno-omit-frame-pointer -fno-sanitize-recover=all -fsanitize=fuzzer,address,undefined \
  -Isrc -I. tests/device_link/report_descriptor_fuzz.cpp src/platform/report_descriptor.cpp \
  -o "$out/report_descriptor_fuzz"
if UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_bounded $((seconds + 60)) report_descriptor_fuzz \
    "$out/report_descriptor_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout="$(stretched 10)" \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
    "$out/corpus" tests/device_link/corpus >"$out/fuzz.log" 2>&1; then
  grep -E '^stat::number_of_executed_units' "$out/fuzz.log" || true
else
  tail -n 60 "$out/fuzz.log"
  echo "FAILED: report_descriptor (artifacts in $out/artifacts)"
  exit 1
fi
