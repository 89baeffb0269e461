#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any of them is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libxcb1-dev libhidapi-dev libudev-dev libpulse-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-roboto fonts-noto-cjk fonts-dejavu-core fonts-liberation2 fonts-thai-tlwg
  xvfb xauth dbus-daemon desktop-file-utils appstream
  qemu-system-x86 busybox-static cpio kmod zstd xz-utils udev
  pulseaudio pulseaudio-utils sox
  # the X server tests (tests/support/xdesktop.py): window managers, tray, input, window info, screenshots
  python3 openbox icewm fluxbox i3-wm trayer xdotool x11-utils imagemagick
  # the Wayland tests (tests/wayland): headless compositors (a stacking and a tiling one) and Qt's Wayland platform
  weston sway grim qt6-wayland
  # the package test (scripts/test.d/package.sh)
  lintian
)
if [ "${1:-}" = "--package" ]; then
  packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libxcb1-dev libhidapi-dev libudev-dev
            libpulse-dev fonts-roboto dpkg-dev file)
fi
if [ "${1:-}" = "--runtime" ]; then
  packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libxcb1-dev libhidapi-dev libudev-dev
            libpulse-dev fonts-roboto fonts-noto-cjk fonts-dejavu-core fonts-liberation2 fonts-thai-tlwg
            qt6-wayland)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
