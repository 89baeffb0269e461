#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, the core under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded core under
# ThreadSanitizer, and the fuzz targets for a short fixed time. Prints the time of each
# stage at the end, passed or not. MC_TEST_TIME_FACTOR stretches every deadline of the
# tests (see README.md). Every stage has a deadline of its own, far above its usual time:
# a stall fails with the name of the stage and of the command that stalled (and the test
# programs the further suites run name the test).
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/support/deadline.sh
jobs=$(nproc)

stage_name=""
stage_start=$SECONDS
stage_times=()
end_stage() {
  [ -n "$stage_name" ] && stage_times+=("$(printf '  %-28s %5d s' "$stage_name" $((SECONDS - stage_start)))")
  stage_name=""
}
stage() {
  end_stage
  stage_name=$1
  stage_start=$SECONDS
  echo "== $1"
}
summary() {
  local status=$?
  end_stage
  echo "== time of each stage ($(cut -d' ' -f1-3 /proc/loadavg) load at the end)"
  printf '%s\n' "${stage_times[@]}"
  printf '  %-28s %5d s\n' "total" "$SECONDS"
  exit "$status"
}
trap summary EXIT

# bounded SECONDS COMMAND...: the command with a deadline (run_bounded), named by the
# stage and the command.
bounded() {
  local seconds=$1
  shift
  run_bounded "$seconds" "stage '$stage_name': $*" "$@"
}

stage "dependencies"
# In the foreground: apt may ask for the sudo password on the terminal.
run_bounded --foreground 1800 "stage 'dependencies': scripts/install-deps.sh" scripts/install-deps.sh

stage "build"
bounded 300 cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
bounded 900 cmake --build build/test -j "$jobs"

stage "test"
bounded 900 ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout "$(stretched 300)"

stage "core under ASan and UBSan"
bounded 300 cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMC_CORE_ONLY=ON -DMC_BUILD_BENCHMARKS=OFF \
  -DMC_SANITIZE=address,undefined >/dev/null
bounded 900 cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 bounded 900 ctest --test-dir build/asan --output-on-failure -j "$jobs" \
  --timeout "$(stretched 600)"

# Further suites (ThreadSanitizer, fuzzing, the kernel HID device, install, package), one
# script each; their test programs have deadlines of their own well inside the stage's.
for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  stage "$(basename "$extra" .sh)"
  bounded 900 bash "$extra"
done
