#!/usr/bin/env bash
# The threaded core under ThreadSanitizer, built once for every suite:
# - the device workers: the input listener, the macro executor and settings downloads
#   running at once (the stress test), and the listener and executor cases that exercise
#   the hand-over. The one test that measures delays to the millisecond is left out: the
#   sanitizer slows every report too much for its bounds;
# - the device link and the settings download: concurrent senders, the simulated
#   mouse's blocked reads and its removal while threads use it; downloads started
#   together, the download and save workers, profile reloads of the input listener
#   during a download, and the desktop-settings tool runner;
# - the INI layer and the settings store: concurrent writers and readers of one file,
#   DPI-level saves during the Apply save, killed writers;
# - the sound-reactive lighting and the PulseAudio meter (against a private server).
# Each test program has a deadline; a stall names the test that was running.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
out=build/tsan

cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMC_CORE_ONLY=ON -DMC_BUILD_BENCHMARKS=OFF \
  -DMC_SANITIZE=thread >/dev/null
cmake --build "$out" -j "$(nproc)" --target workers_tests device_link_tests download_tests platform_tests \
  settings_tests sound_tests pulse_meter_tests

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
run_gtest_bounded 300 workers_tests "$out/tests/workers_tests" \
  --gtest_filter='-ExecutorTest.MouseButtonEventsWaitTheirMinimumAndKeysTheirDelay'
run_gtest_bounded 120 device_link_tests "$out/tests/device_link_tests"
run_gtest_bounded 120 download_tests "$out/tests/download_tests" --gtest_filter='DownloadFlowTest.*:RunCommand.*'
run_gtest_bounded 300 platform_tests "$out/tests/platform_tests"
run_gtest_bounded 300 settings_tests "$out/tests/settings_tests"
TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$PWD/tests/sound_server/tsan.supp" \
  run_gtest_bounded 300 sound_tests "$out/tests/sound_tests"
TSAN_OPTIONS="$TSAN_OPTIONS suppressions=$PWD/tests/sound_server/tsan.supp" \
  bash tests/sound_server/run_with_pulse.sh "$out/tests/pulse_meter_tests"
