#!/bin/sh
# ZenthoIAP's start options through the built program: a mistake prints the usage on
# stderr and exits 2, --help prints it on stdout and exits 0, and neither opens a window
# (offscreen, a window that opened would wait for its close and hit the test's timeout).
# usage: start_options_test.sh PATH/TO/ZenthoIAP
program=$1
failed=0
check() {
  expected_code=$1 expected_stream=$2 first_line=$3
  shift 3
  "$program" -platform offscreen "$@" >out.txt 2>err.txt
  code=$?
  if [ "$expected_stream" = err ]; then stream=err.txt; other=out.txt; else stream=out.txt; other=err.txt; fi
  if [ "$code" != "$expected_code" ] || ! grep -qxF -- "$first_line" "$stream" ||
     ! grep -q '^usage: ZenthoIAP \[--simulate\] \[--trace FILE\]$' "$stream" || grep -q usage "$other"; then
    echo "FAIL: $*: exit $code (want $expected_code)"; cat out.txt err.txt
    failed=1
  fi
}
cd "$(mktemp -d)" || exit 1
check 2 err "ZenthoIAP: --simulate takes no value: --simulate=5" --simulate=5
check 2 err "ZenthoIAP: unknown option --bogus" --simulate --bogus
check 2 err "ZenthoIAP: --trace needs a FILE" --trace
check 0 out "usage: ZenthoIAP [--simulate] [--trace FILE]" --help
exit $failed
