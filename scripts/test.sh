#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, the core under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded core under
# ThreadSanitizer, and the fuzz targets for a short fixed time. Prints the time of each
# stage at the end, passed or not. MC_TEST_TIME_FACTOR stretches every deadline of the
# tests (see README.md).
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

stage "dependencies"
scripts/install-deps.sh

stage "build"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j "$jobs"

stage "test"
ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout "$(stretched 300)"

stage "core under ASan and UBSan"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMC_CORE_ONLY=ON -DMC_BUILD_BENCHMARKS=OFF \
  -DMC_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout "$(stretched 600)"

# Further suites (ThreadSanitizer, fuzzing), one script each.
for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  stage "$(basename "$extra" .sh)"
  bash "$extra"
done
