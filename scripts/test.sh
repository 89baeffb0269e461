#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, the core under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded core under
# ThreadSanitizer, and the fuzz targets for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout 300

echo "== core under ASan and UBSan"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMC_CORE_ONLY=ON -DMC_BUILD_BENCHMARKS=OFF \
  -DMC_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 600

# Further suites (ThreadSanitizer, fuzzing), one script each.
for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $(basename "$extra" .sh)"
  bash "$extra"
done
