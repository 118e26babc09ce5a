#!/usr/bin/env bash
# Runs zentho-iap.exe under Wine and checks its exit code and one line of its output.
# Usage: check_exe.sh WINE_RUN PREFIX EXE EXPECTED_CODE EXPECTED_TEXT ARGUMENTS...
set -uo pipefail
wine_run=$1 prefix=$2 exe=$3 expected=$4 text=$5
shift 5
output=$("$wine_run" --prefix "$prefix" "$exe" "$@" 2>&1)
code=$?
printf '%s\n' "$output"
if [ "$code" -ne "$expected" ]; then
  echo "FAILED: exit code $code, expected $expected"
  exit 1
fi
if [ -n "$text" ] && ! printf '%s\n' "$output" | tr -d '\r' | grep -qF -- "$text"; then
  echo "FAILED: no line with: $text"
  exit 1
fi
echo "PASSED: exit code $code"
