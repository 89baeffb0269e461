#!/bin/busybox sh
# The guest's first process: mounts the kernel's file systems, loads the HID modules,
# starts systemd-udevd, runs the device tests and reports their exit status on the
# console as "VM-RESULT: <status>", then powers the guest off.
/bin/busybox --install -s /bin
export PATH=/bin:/usr/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp

for module in hid uhid hid-generic; do
  [ -f /modules/$module.ko ] && insmod /modules/$module.ko
done

# The device watcher listens on udev's channel, which only udevd feeds.
mkdir -p /run/udev
/lib/systemd/systemd-udevd --daemon
udevadm settle --timeout=60

mkdir -p /tmp/home /tmp/runtime
chmod 700 /tmp/runtime
cd /tmp
HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/runtime VM_DEVICE_PROGRAM=/vm/uhid_mouse VM_PROGRAM_DIR=/program \
  /vm/vm_device_tests --gtest_color=no
echo "VM-RESULT: $?"
poweroff -f
