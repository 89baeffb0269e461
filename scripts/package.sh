#!/usr/bin/env bash
# Builds the Debian package of the program: build/package/ovk-dovaru_<version>_<arch>.deb.
# Install it with: sudo apt install ./build/package/ovk-dovaru_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DMC_BUILD_TESTS=OFF -DMC_BUILD_BENCHMARKS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_SYSCONFDIR=/etc >/dev/null
cmake --build build/package
(cd build/package && cpack -G DEB)
ls -1 build/package/*.deb
