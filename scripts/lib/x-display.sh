# A private X display for the scripts that run the window, and the clean-up of the
# program and the display when the script ends. Source it after setting `work` (a
# temporary folder the clean-up removes); the program's output goes to $work/app.log
# and its pid to app_pid.
xvfb_pid=""
app_pid=""

x_display_cleanup() {
  local status=$?
  # On failure the program's own output tells why.
  [ "$status" -ne 0 ] && [ -f "$work/app.log" ] && sed "s/^/ZenthoIAP: /" "$work/app.log" >&2
  [ "$status" -ne 0 ] && [ -s "$work/xvfb.log" ] && sed "s/^/Xvfb: /" "$work/xvfb.log" >&2
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap x_display_cleanup EXIT

# Exports DISPLAY as the first free display number from $1 up.
x_display_pick() {
  local number=$1
  while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
  export DISPLAY=:$number
}

# Starts Xvfb on DISPLAY with the screen $1 (e.g. 1280x800x24); fails when it does not
# answer within ten seconds. -noreset: without it the server resets when the probe below
# disconnects, its last client, and a program connecting during that reset is refused.
x_display_start() {
  Xvfb "$DISPLAY" -screen 0 "$1" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
  return 1
}
