#!/usr/bin/env bash
# Runs the device tests (vm_device_tests) in a guest kernel that has /dev/uhid: boots
# Debian's own kernel under qemu with software emulation (the host's KVM cannot run a
# normal guest kernel), from an initramfs with busybox, the uhid device program, the
# tests with their shared libraries, the factory settings and systemd-udevd, and reads
# the result back from the serial console.
#
# Usage: tests/vm/run_vm.sh <build folder>
# Exit: 0 passed, 1 failed, 77 qemu cannot run on this host.
# The kernel package is downloaded once (apt-get download, unpacked, not installed) and
# kept in $VM_CACHE_DIR, by default /var/cache/mouseconfig-vm (or ~/.cache when that
# cannot be written). GTEST_FILTER, when set, is passed on to the tests.
set -euo pipefail

build=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
source "$(dirname "$0")/../support/deadline.sh"
limit=${VM_TIME_LIMIT:-$(stretched 170)}  # seconds for the whole guest run

qemu=$(command -v qemu-system-x86_64 || true)
if [ -z "$qemu" ] || ! "$qemu" -version >/dev/null 2>&1; then
  echo "qemu-system-x86_64 is not available"
  exit 77
fi

cache=${VM_CACHE_DIR:-/var/cache/mouseconfig-vm}
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
  cache=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/mouseconfig-vm
  mkdir -p "$cache"
fi

# --- the kernel: the package the linux-image-amd64 metapackage names now -----------
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}'
}
package=$(kernel_package)
if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
  apt-get -o DPkg::Lock::Timeout=600 update -qq >/dev/null
  package=$(kernel_package)
fi
if [ -z "$package" ]; then
  # No package list to ask: take the newest kernel already in the cache.
  package=$(ls -1d "$cache"/linux-image-* 2>/dev/null | sort -V | tail -n 1 | xargs -r basename)
fi
[ -n "$package" ] || { echo "no linux-image-*-amd64 package can be found"; exit 1; }
version=${package#linux-image-}
kdir=$cache/$package
# Runs at the same time on one machine share the cache: one of them fills it.
exec 9>"$cache/lock"
flock 9
if [ ! -e "$kdir/ready" ]; then
  echo "Downloading $package into $cache"
  rm -rf "$kdir"
  mkdir -p "$kdir/modules"
  (cd "$kdir" && apt-get -o APT::Sandbox::User=root download "$package" >/dev/null)
  dpkg-deb -x "$kdir"/*.deb "$kdir/unpacked"
  # Of the package the guest needs only the kernel and the HID modules: hid (which
  # carries hidraw), uhid and hid-generic. Modules may come compressed; busybox's insmod
  # takes plain ones.
  mv "$kdir/unpacked/boot/vmlinuz-$version" "$kdir/vmlinuz"
  for module in hid uhid hid-generic; do
    file=$(find "$kdir/unpacked/lib/modules/$version" -name "$module.ko*" | head -n 1)
    case $file in
      "") ;;  # built into the kernel
      *.ko.xz) xz -dc "$file" >"$kdir/modules/$module.ko" ;;
      *.ko.zst) zstd -qdc "$file" >"$kdir/modules/$module.ko" ;;
      *) cp "$file" "$kdir/modules/$module.ko" ;;
    esac
  done
  # The kernel unpacked from its xz-compressed image boots a few seconds faster under
  # emulation; without it the compressed image is booted.
  offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$kdir/vmlinuz" | head -n 1 | cut -d: -f1 || true)
  if [ -n "$offset" ]; then
    tail -c +$((offset + 1)) "$kdir/vmlinuz" | xz -dc --single-stream >"$kdir/vmlinux" 2>/dev/null || true
    [ "$(head -c 4 "$kdir/vmlinux" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] || rm -f "$kdir/vmlinux"
  fi
  rm -rf "$kdir/unpacked" "$kdir"/*.deb
  # Kernels of earlier runs are no longer needed.
  find "$cache" -mindepth 1 -maxdepth 1 -name 'linux-image-*' ! -name "$package" -exec rm -rf {} +
  touch "$kdir/ready"
fi
flock -u 9
kernel=$kdir/vmlinux
[ -e "$kernel" ] || kernel=$kdir/vmlinuz

# --- the initramfs -------------------------------------------------------------------
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fs=$work/root
mkdir -p "$fs"/{bin,dev,proc,sys,run,tmp,etc,modules,vm,lib/systemd,program}

cp /bin/busybox "$fs/bin/busybox"
cp "$here/guest_init.sh" "$fs/init"
chmod +x "$fs/init"
cp "$build/vm/vm_device_tests" "$build/vm/uhid_mouse" "$fs/vm/"
cp -L /usr/bin/udevadm "$fs/bin/udevadm"
ln -s /bin/udevadm "$fs/lib/systemd/systemd-udevd"

# Shared libraries at the paths the binaries look for them.
for binary in "$fs/vm/vm_device_tests" "$fs/vm/uhid_mouse" /usr/bin/udevadm; do
  ldd "$binary" | grep -o '/[^ ]*' | while read -r lib; do
    mkdir -p "$fs$(dirname "$lib")"
    [ -e "$fs$lib" ] || cp -L "$lib" "$fs$lib"
  done
done

cp "$kdir"/modules/*.ko "$fs/modules/" 2>/dev/null || true

# The factory settings and macro files of the program folder (no images).
(cd "$build/bin" && find skins -type f \( -name '*.ini' -o -name '*.dat' \) \
   \( -path 'skins/config/*' -o -path 'skins/1_INI_EN/*' \) -exec cp --parents {} "$fs/program/" \;)

initrd=$work/initrd.cpio
(cd "$fs" && find . | cpio -o -H newc --quiet >"$initrd")

# --- the run ---------------------------------------------------------------------------
log=$work/console.log
append="console=ttyS0 panic=-1 quiet loglevel=3"
[ -n "${GTEST_FILTER:-}" ] && append="$append GTEST_FILTER=$GTEST_FILTER"
[ -n "${MC_TEST_TIME_FACTOR:-}" ] && append="$append MC_TEST_TIME_FACTOR=$MC_TEST_TIME_FACTOR"
echo "Booting $package under qemu (software emulation, at most ${limit}s)"
started=$(date +%s)
set +e
timeout --kill-after=10 "$limit" "$qemu" -accel tcg,thread=multi -cpu max -smp 2 -m 1024 \
  -nographic -no-reboot -monitor none -serial stdio -nic none \
  -kernel "$kernel" -initrd "$initrd" -append "$append" </dev/null >"$log" 2>&1
qemu_status=$?
set -e
tr -d '\r' <"$log" >"$log.txt"
cat "$log.txt"
echo "Guest run took $(( $(date +%s) - started ))s"
echo "vm: $(grep -c '^\[       OK \]' "$log.txt") passed, $(grep -c '^\[  FAILED  \] .* ([0-9]* ms)$' "$log.txt") failed"
if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
  echo "The guest did not finish within ${limit}s"
  gtest_stall_report vm_device_tests "$log.txt" 2>&1
  exit 1
fi
if grep -q '^VM-RESULT: 0' "$log.txt"; then exit 0; fi
echo "The device tests failed in the guest"
exit 1
