#!/usr/bin/env bash
# Builds the program and runs it. Arguments go to the program (for example --simulate).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --runtime
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMC_BUILD_TESTS=OFF -DMC_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build/release
exec build/release/bin/OVK_DOvaru "$@"
