#!/usr/bin/env bash
# Cross-builds both Windows programs and the tests with mingw-w64 and runs the tests
# under Wine (the windows-debug preset), the dialog on a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows-debug
cmake --build --preset windows-debug -j"$(nproc)"
ctest --preset windows-debug -j"$(nproc)"
