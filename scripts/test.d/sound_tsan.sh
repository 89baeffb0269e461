#!/usr/bin/env bash
# The sound-reactive lighting under ThreadSanitizer: its worker woken and paused by the
# on/off switch and the beat, the hand-over to the restore of the normal lighting, and
# the peak meter's PulseAudio thread against a private server.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
jobs=$(nproc)
[ "$jobs" -gt 4 ] && jobs=4
cmake -S . -B build/tsan-sound -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMC_CORE_ONLY=ON \
  -DMC_BUILD_BENCHMARKS=OFF -DMC_SANITIZE=thread >/dev/null
cmake --build build/tsan-sound -j "$jobs" --target sound_tests pulse_meter_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/sound_server/tsan.supp"
run_gtest_bounded 300 sound_tests build/tsan-sound/tests/sound_tests
bash tests/sound_server/run_with_pulse.sh build/tsan-sound/tests/pulse_meter_tests
