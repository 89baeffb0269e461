#!/usr/bin/env bash
# Builds the Debian package of the program: build/package/ovk-dovaru_<version>_<arch>.deb.
# Install it with: sudo apt install ./build/package/ovk-dovaru_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
# Debian's build flags with every hardening feature (fortified functions, stack
# protector, read-only relocations bound at start); given on every configure, since
# CMake takes the flags of the environment only into a new build folder.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DMC_BUILD_TESTS=OFF -DMC_BUILD_BENCHMARKS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_SYSCONFDIR=/etc \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build/package
(cd build/package && cpack -G DEB)
ls -1 build/package/*.deb
