#!/usr/bin/env bash
# CI's fuzzing: builds the fuzz preset and runs each target for a fixed number of
# executions from its committed corpus, printing the executions done. Any crash,
# leak, sanitizer report or time-out fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

# Executions per target: about 15 s each at the rates scripts/fuzz-long.sh measured on
# this 2-core machine (config_image 62,000/s, download_session 24,000/s, settings_file
# 148,000/s, id_text 590,000/s, report_descriptor 7,400-12,000/s, trace_replay 21,000/s,
# station_files 5,000/s), so about two minutes together; the figures printed tell the time each took.
declare -A runs=(
  [config_image]=1200000
  [download_session]=500000
  [settings_file]=3000000
  [id_text]=10000000
  [report_descriptor]=300000
  [trace_replay]=400000
  [station_files]=75000
)
targets=(config_image download_session settings_file id_text report_descriptor trace_replay station_files)

cmake --preset fuzz
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]/%/_fuzz}"

work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT
for target in "${targets[@]}"; do
  mkdir -p "${work}/${target}"
  dict=()
  [ -f "fuzz/${target}.dict" ] && dict=(-dict="fuzz/${target}.dict")
  started=$(date +%s)
  # -seed fixed: the same executions every run, so a CI failure can be repeated.
  if ! "build/fuzz/fuzz/${target}_fuzz" "${work}/${target}" "fuzz/corpus/${target}" "${dict[@]}" \
      -runs="${runs[${target}]}" -seed=1 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="${work}/" >"${work}/${target}.log" 2>&1; then
    tail -40 "${work}/${target}.log"
    echo "fuzz ${target}: FAILED"
    exit 1
  fi
  done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "${work}/${target}.log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "${work}/${target}.log" | tail -1)
  echo "fuzz ${target}: ${done_runs} executions in $(( $(date +%s) - started )) s, ${cov}"
done
