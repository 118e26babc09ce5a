#!/bin/sh
# Builds the benchmarks with the release preset and runs each one, printing its figures.
# Arguments are passed to bench_timing_model (e.g. --per-packet-us 500 --image-kib 128).
set -eu
cd "$(dirname "$0")/.."

cmake --preset release -DZENTHO_BUILD_BENCH=ON
# The benchmarks alone: the tests are not needed to measure.
cmake --build --preset release -j2 --target benchmarks

# Benchmarks that open a window draw off screen unless a platform is chosen.
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export QT_QPA_PLATFORM

status=0
while IFS= read -r bench; do
  echo
  case "$(basename "$bench")" in
    bench_timing_model) "$bench" "$@" || status=1 ;;
    *) "$bench" || status=1 ;;
  esac
done < build/release/bench/bench-list.txt
exit "$status"
