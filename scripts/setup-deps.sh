#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (root or sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libudev-dev umockdev libumockdev-dev
  qt6-base-dev libasound2-dev
  nlohmann-json3-dev libcli11-dev
  xvfb imagemagick x11-utils
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest
  clang libclang-rt-dev gcovr
  lintian python3 unzip
  chromium
  qemu-system-x86 busybox-static kmod cpio udev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
