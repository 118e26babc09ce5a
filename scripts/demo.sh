#!/usr/bin/env bash
# Sets up a fresh machine, builds, and downloads the example image into the built-in
# simulated device.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-deps.sh
cmake --preset release
cmake --build --preset release -j"$(nproc)"
./build/release/app/cli/zentho-iap download --simulate --mode kvm examples/kvm-demo.bin
