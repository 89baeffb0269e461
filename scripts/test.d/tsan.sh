#!/usr/bin/env bash
# The Qt-free core under ThreadSanitizer, with the tests of the device workers: the
# input listener, the macro executor and settings downloads running at once (the
# stress test), and the listener and executor cases that exercise the hand-over.
# The one test that measures delays to the millisecond is left out: the sanitizer
# slows every report too much for its bounds.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
jobs=$(nproc)
[ "$jobs" -gt 4 ] && jobs=4
out=build/tsan

cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMC_CORE_ONLY=ON -DMC_BUILD_BENCHMARKS=OFF \
  -DMC_SANITIZE=thread >/dev/null
cmake --build "$out" -j "$jobs" --target mc_platform mc_keys mc_profile mc_device mc_sim workers_tests

TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
  run_gtest_bounded 300 workers_tests "$out/tests/workers_tests" \
  --gtest_filter='-ExecutorTest.MouseButtonEventsWaitTheirMinimumAndKeysTheirDelay'
