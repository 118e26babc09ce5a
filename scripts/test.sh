#!/usr/bin/env bash
# Builds and runs every test with CTest, in the debug build, under AddressSanitizer
# + UBSan and ThreadSanitizer, and cross-built for Windows under Wine ("windows").
# Name presets to run fewer: ./scripts/test.sh debug
# Installs the test dependencies that are missing first (scripts/setup-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(debug asan tsan windows)

./scripts/setup-deps.sh

for preset in "${presets[@]}"; do
  echo "=== ${preset} ==="
  if [ "${preset}" = windows ]; then
    ./scripts/windows-test.sh
    continue
  fi
  begun=$SECONDS
  cmake --preset "${preset}"
  cmake --build --preset "${preset}" -j"$(nproc)"
  built=$SECONDS
  ctest --preset "${preset}" -j"$(nproc)"
  echo "${preset}: build $((built - begun)) s, tests $((SECONDS - built)) s"
  if [ "${preset}" = debug ]; then
    # CTest hides what passing tests print; its log of the run keeps the fault matrices' counts.
    grep -o 'fault matrix: .*' "build/${preset}/Testing/Temporary/LastTest.log" || true
  fi
done
