#!/usr/bin/env bash
# The real device path against a kernel HID device: hidapi, hidraw, libudev and the
# udev watcher under a guest kernel that has /dev/uhid (tests/vm/run_vm.sh). Skipped
# only when this host cannot run qemu at all.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=$(nproc)
[ "$jobs" -gt 4 ] && jobs=4
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target vm_device_tests uhid_mouse skins_data
status=0
tests/vm/run_vm.sh "$build" || status=$?
if [ "$status" -eq 77 ]; then
  echo "vm: skipped, this host cannot run qemu"
  exit 0
fi
exit "$status"
