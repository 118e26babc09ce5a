#!/usr/bin/env bash
# Installs the Debian packages that are missing for a purpose (root or sudo):
#   scripts/setup-deps.sh demo   building and running the two programs (scripts/demo.sh)
#   scripts/setup-deps.sh        the same and everything the tests, the Windows cross
#                                build, the package test and fuzzing need (scripts/test.sh, CI)
set -euo pipefail

# zentho-iap and ZenthoIAP, release build.
demo_packages=(
  g++ cmake ninja-build pkg-config
  libudev-dev qt6-base-dev libasound2-dev
  nlohmann-json3-dev libcli11-dev
)
# The tests and benchmarks; the window's tests under Xvfb; the Windows build under Wine;
# the .deb (dpkg-shlibdeps), lintian and appstreamcli; fuzzing and coverage.
test_packages=(
  build-essential
  libgtest-dev libgmock-dev libbenchmark-dev
  umockdev libumockdev-dev
  xvfb imagemagick x11-utils
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest
  clang libclang-rt-dev gcovr
  lintian appstream python3 unzip locales
  chromium
  qemu-system-x86 busybox-static kmod cpio udev
)

case "${1:-test}" in
  demo) packages=("${demo_packages[@]}") ;;
  test) packages=("${demo_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: scripts/setup-deps.sh [demo|test]" >&2; exit 2 ;;
esac

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# The Windows tests run Wine in a Chinese locale (ANSI code page 936), which glibc
# must have generated; Wine falls back to code page 1252 without it.
generate_locales() {
  [ "${1:-test}" = test ] || return 0
  locale -a 2>/dev/null | grep -qx 'zh_CN.utf8' && return 0
  "${sudo_cmd[@]}" sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  generate_locales "$@"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
echo "setup-deps: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
generate_locales "$@"
