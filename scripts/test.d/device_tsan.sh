#!/usr/bin/env bash
# The device link and the settings download under ThreadSanitizer: concurrent senders,
# the simulated mouse's blocked reads and its removal while threads use it; downloads
# started together, the download and save workers, profile reloads of the input
# listener during a download, and the desktop-settings tool runner.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
jobs=$(nproc)
[ "$jobs" -gt 4 ] && jobs=4
cmake -S . -B build/tsan-device -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMC_CORE_ONLY=ON \
  -DMC_BUILD_BENCHMARKS=OFF -DMC_SANITIZE=thread >/dev/null
cmake --build build/tsan-device -j "$jobs" --target device_link_tests download_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
run_gtest_bounded 120 device_link_tests build/tsan-device/tests/device_link_tests
run_gtest_bounded 120 download_tests build/tsan-device/tests/download_tests --gtest_filter='DownloadFlowTest.*:RunCommand.*'
