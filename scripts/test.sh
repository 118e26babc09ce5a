#!/usr/bin/env bash
# Builds and runs every test with CTest, in the debug build, under AddressSanitizer
# + UBSan and ThreadSanitizer, and cross-built for Windows under Wine ("windows").
# Name presets to run fewer: ./scripts/test.sh debug
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(debug asan tsan windows)

for preset in "${presets[@]}"; do
  echo "=== ${preset} ==="
  if [ "${preset}" = windows ]; then
    ./scripts/windows-test.sh
    continue
  fi
  cmake --preset "${preset}"
  cmake --build --preset "${preset}" -j"$(nproc)"
  ctest --preset "${preset}" -j"$(nproc)"
  if [ "${preset}" = debug ]; then
    # CTest hides what passing tests print: run the fault matrices again to show their counts.
    ctest --preset debug -R 'FaultMatrix|hidraw_umockdev_test' --verbose | grep -o 'fault matrix: .*'
  fi
done
