#!/usr/bin/env bash
# Builds and runs every test with CTest, in the debug build and under AddressSanitizer
# + UBSan and ThreadSanitizer. Name presets to run fewer: ./scripts/test.sh debug
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(debug asan tsan)

for preset in "${presets[@]}"; do
  echo "=== ${preset} ==="
  cmake --preset "${preset}"
  cmake --build --preset "${preset}" -j"$(nproc)"
  ctest --preset "${preset}" -j"$(nproc)"
done
