#!/usr/bin/env bash
# The Win32 build in a Chinese locale, where Wine's ANSI code page is 936: ZenthoIAP.exe,
# run from a folder named in Chinese, downloads a firmware file named in Chinese, writes
# setup.dat beside itself at the close and reads it back at the next start, byte for byte
# (the dialog driver's checks); then zentho-iap.exe downloads the same file.
# Usage: run_codepage_test.sh WINE_RUN PREFIX DRIVER_EXE ZENTHOIAP_EXE CLI_EXE
set -euo pipefail
wine_run=$1 prefix=$2 driver=$3 program=$4 cli=$5
fail() { echo "FAILED: $*"; exit 1; }
# Without the locale Wine falls back to code page 1252 and the test would prove nothing.
locale -a | grep -qx 'zh_CN.utf8' || fail "the zh_CN.UTF-8 locale is not generated (scripts/setup-deps.sh does it)"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
work=$top/固件工具
mkdir "$work"
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

run() {
  "$wine_run" --prefix "$prefix" "$driver" "$(winpath "$program")" "$(winpath "$work")" 固件.bin &
  local driver_pid=$!
  # No screenshot here: the driver only waits to hear that it was taken.
  for _ in $(seq 1 1200); do
    [ -f "$work/ready" ] || ! kill -0 "$driver_pid" 2>/dev/null && break
    sleep 0.1
  done
  [ -f "$work/ready" ] && touch "$work/shot-done"
  wait "$driver_pid"
}
export wine_run prefix driver program work
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "$(declare -f run winpath); run" || fail "the dialog driver"

# Every name the programs made is the Chinese one, not a mangled spelling beside it.
expected=$(printf '%s\n' ZenthoIAP.exe ready setup.dat shot-done verdict window.trace 固件.bin | LC_ALL=C sort)
listed=$(cd "$work" && ls -A | LC_ALL=C sort)
[ "$listed" == "$expected" ] || fail "the folder holds [$listed], expected [$expected]"
# setup.dat holds the path in code page 936 and CR LF.
printf '%s\r\n' "$(winpath "$work/固件.bin")" | iconv -f UTF-8 -t GBK | cmp - "$work/setup.dat" \
  || fail "setup.dat is not the path in code page 936"

output=$("$wine_run" --prefix "$prefix" "$cli" download --simulate --mode kvm "$(winpath "$work/固件.bin")" 2>&1) \
  || fail "zentho-iap.exe download: $output"
printf '%s\n' "$output"
for line in "File size: 2148 bytes." "--- Runtime firmware is transmitted successfully ---"; do
  printf '%s\n' "$output" | tr -d '\r' | grep -qF -- "$line" || fail "zentho-iap.exe printed no line with: $line"
done
echo "PASSED"
