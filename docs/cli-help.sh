#!/usr/bin/env bash
# Writes docs/cli-help.txt, the help of every zentho-iap verb, from a built binary:
#   docs/cli-help.sh build/debug/app/cli/zentho-iap
set -euo pipefail
binary=${1:?usage: docs/cli-help.sh PATH-TO-zentho-iap}
out="$(dirname "$0")/cli-help.txt"
{
  first=1
  for verb in "" "list " "download " "station " "config " "config check " "config build " "job " "job create " "report "; do
    [ $first -eq 1 ] || echo
    first=0
    echo "\$ zentho-iap ${verb}--help"
    # shellcheck disable=SC2086
    "$binary" $verb--help
  done
} >"$out"
