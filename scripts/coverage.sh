#!/usr/bin/env bash
# Builds the coverage preset, runs every test once, and prints the line and branch
# coverage of transfer/, device/ and app/window/ (gcovr). Branches that only C++
# exception handling or the compiler adds are left out: no test can take them.
#   scripts/coverage.sh            # build, test, report
#   scripts/coverage.sh --report   # report on the last run only
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/coverage

if [ "${1:-}" != "--report" ]; then
  cmake --preset coverage
  cmake --build --preset coverage -j"$(nproc)"
  find "${build}" -name '*.gcda' -delete
  ctest --preset coverage -j"$(nproc)"
fi

for folder in transfer device app/window; do
  summary=$(gcovr -r . --object-directory "${build}" --filter "${folder}/" \
    --exclude-unreachable-branches --exclude-throw-branches --print-summary -o /dev/null)
  lines=$(sed -n 's/^lines: *//p' <<<"${summary}")
  branches=$(sed -n 's/^branches: *//p' <<<"${summary}")
  printf '%-12s lines %s   branches %s\n' "${folder}/" "${lines}" "${branches}"
done
if [ "${ZENTHO_COVERAGE_DETAIL:-0}" = 1 ]; then
  gcovr -r . --object-directory "${build}" --filter 'transfer/' --filter 'device/' \
    --filter 'app/window/' --exclude-unreachable-branches --exclude-throw-branches --txt
fi
