#!/usr/bin/env bash
# Runs the dialog driver against ZenthoIAP.exe on a virtual X display under Wine, in a
# Wine virtual desktop, and takes the screenshot (title bar included) when the driver
# says the window shows a finished download.
# Usage: run_dialog_test.sh WINE_RUN PREFIX DRIVER_EXE ZENTHOIAP_EXE SCREENSHOT_PNG
set -euo pipefail
wine_run=$1 prefix=$2 driver=$3 program=$4 shot=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

run() {
  # In Wine's virtual desktop, which draws the windows' frames and title bars: Xvfb has
  # no window manager to draw them.
  "$wine_run" --prefix "$prefix" explorer /desktop=ZenthoIAP,1280x800 \
    "$driver" "$(winpath "$program")" "$work" &
  local driver_pid=$!
  for _ in $(seq 1 1200); do
    [ -f "$work/ready" ] || ! kill -0 "$driver_pid" 2>/dev/null && break
    sleep 0.1
  done
  if [ -f "$work/ready" ]; then
    geometry=$(tr -d '\r\n' < "$work/ready")
    import -window root -crop "$geometry" +repage "$shot" || echo "screenshot failed"
    touch "$work/shot-done"
  fi
  wait "$driver_pid" || true
  # The desktop's explorer does not pass the driver's exit code on: it leaves its verdict.
  [ "$(cat "$work/verdict" 2>/dev/null)" == PASSED ]
}

export wine_run prefix driver program shot work
exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c "$(declare -f run winpath); run"
