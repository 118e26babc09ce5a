#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, and passes its exit code on. The cross
# build's CTest emulator: wine-run.sh --prefix DIR program.exe [arguments...]
set -euo pipefail
if [ "${1:-}" = --prefix ]; then
  export WINEPREFIX=$2
  shift 2
fi
: "${WINEPREFIX:?wine-run.sh needs --prefix DIR or WINEPREFIX}"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts while the prefix is created.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "${WINE:-/usr/lib/wine/wine64}" "$@"
