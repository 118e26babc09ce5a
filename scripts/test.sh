#!/usr/bin/env bash
# Builds the debug preset and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset debug
cmake --build --preset debug -j"$(nproc)"
ctest --preset debug -j"$(nproc)" "$@"
