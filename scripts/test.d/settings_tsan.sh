#!/usr/bin/env bash
# The INI layer and the settings store under ThreadSanitizer: concurrent writers and
# readers of one file, DPI-level saves during the Apply save, killed writers.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
jobs=$(nproc)
[ "$jobs" -gt 4 ] && jobs=4
cmake -S . -B build/tsan-settings -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMC_CORE_ONLY=ON \
  -DMC_BUILD_BENCHMARKS=OFF -DMC_SANITIZE=thread >/dev/null
cmake --build build/tsan-settings -j "$jobs" --target platform_tests settings_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
run_gtest_bounded 300 platform_tests build/tsan-settings/tests/platform_tests
run_gtest_bounded 300 settings_tests build/tsan-settings/tests/settings_tests
