#!/usr/bin/env bash
# Runs every fuzz target (or those named) for SECONDS each and prints, per target, the
# executions done and the coverage reached (edges "cov" and features "ft").
#   scripts/fuzz-long.sh 600                  # every target, ten minutes each
#   scripts/fuzz-long.sh 60 trace_replay      # one target
# Inputs that grow coverage go to build/fuzz/corpus-work/TARGET (seeded from
# fuzz/corpus/TARGET); a crash leaves its input in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz-long.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(config_image download_session settings_file id_text report_descriptor trace_replay station_files)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]/%/_fuzz}"

mkdir -p build/fuzz/artifacts
status=0
for target in "${targets[@]}"; do
  work=build/fuzz/corpus-work/${target}
  mkdir -p "${work}"
  dict=()
  [ -f "fuzz/${target}.dict" ] && dict=(-dict="fuzz/${target}.dict")
  log=build/fuzz/${target}.log
  if ! "build/fuzz/fuzz/${target}_fuzz" "${work}" "fuzz/corpus/${target}" "${dict[@]}" \
      -max_total_time="${seconds}" -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ \
      >"${log}" 2>&1; then
    status=1
    echo "${target}: FAILED (see ${log})"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "${log}" | tail -1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "${log}" | tail -1)
  echo "${target}: ${runs:-?} executions in ${seconds} s, ${cov:-no coverage line}, corpus $(ls "${work}" | wc -l) files"
done
exit ${status}
