#!/usr/bin/env bash
# Sets up a fresh machine for the two programs only, builds them (release, without the
# tests, benchmarks and fuzz targets), and downloads the example image into the built-in
# simulated device. One line per step; each step's full output goes to build/demo.log.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
mkdir -p build
log=build/demo.log
: >"$log"

# step TEXT COMMAND...: runs COMMAND with its output in the log, and says how it went.
step() {
  local text=$1 begun=$SECONDS
  shift
  printf '%-46s' "$text ..."
  echo "=== $text: $*" >>"$log"
  if "$@" >>"$log" 2>&1; then
    echo " done ($((SECONDS - begun)) s)"
  else
    echo " FAILED"
    echo "--- the last lines of $log ---" >&2
    tail -n 25 "$log" >&2
    echo "demo: \"$text\" failed; its full output is in $log" >&2
    exit 1
  fi
}

step "Installing the build dependencies" ./scripts/setup-deps.sh demo
step "Configuring the release build" cmake --preset release \
  -DZENTHO_BUILD_TESTS=OFF -DZENTHO_BUILD_BENCH=OFF -DZENTHO_BUILD_FUZZ=OFF
step "Building zentho-iap and ZenthoIAP" cmake --build --preset release -j"$(nproc)"

echo "Downloading examples/kvm-demo.bin into the simulated device:"
./build/release/app/cli/zentho-iap download --simulate --mode kvm examples/kvm-demo.bin
elapsed=$((SECONDS - started))
echo
echo "demo.sh took $((elapsed / 60)) min $((elapsed % 60)) s. The window: ./build/release/app/qt/ZenthoIAP --simulate"
