# Helpers of the guest's scenarios: emulated boards on dummy_hcd (configfs + FunctionFS +
# orvane_gadget), waiting on the kernel and udev, and assertions that print what differs.
# Sourced by guest-run.sh.

build=${tree}/build/debug
iap=${build}/app/cli/zentho-iap
gadget_bin=${build}/tests/kernel/orvane_gadget
window_probe=${build}/tests/kernel/kernel_window_probe
configfs=/sys/kernel/config/usb_gadget

# board_up NAME SERIAL UDC [orvane_gadget options...]: a board plugged into UDC
# (dummy_udc.0 ... dummy_udc.3), its gadget program's output in /tmp/NAME.gadget.
board_up() {
  local name=$1 serial=$2 udc=$3
  shift 3
  local g=${configfs}/${name}
  mkdir "${g}" || return 1
  echo 0x4a5d >"${g}/idVendor"
  echo 0x7310 >"${g}/idProduct"
  echo 0x0200 >"${g}/bcdUSB"
  mkdir "${g}/strings/0x409"
  echo "${serial}" >"${g}/strings/0x409/serialnumber"
  echo "Orvane" >"${g}/strings/0x409/manufacturer"
  echo "Orvane IAP board" >"${g}/strings/0x409/product"
  mkdir "${g}/configs/c.1" "${g}/functions/ffs.${name}"
  ln -s "${g}/functions/ffs.${name}" "${g}/configs/c.1/"
  mkdir -p "/tmp/ffs/${name}"
  mount -t functionfs "${name}" "/tmp/ffs/${name}" || return 1
  "${gadget_bin}" --ffs "/tmp/ffs/${name}" "$@" >"/tmp/${name}.gadget" 2>&1 &
  echo $! >"/tmp/${name}.pid"
  wait_for "descriptors of ${name}" 50 test -e "/tmp/ffs/${name}/ep1" || return 1
  board_bind "${name}" "${udc}"
}

board_bind() { echo "$2" >"${configfs}/$1/UDC"; }
board_unbind() { echo "" >"${configfs}/$1/UDC"; }

# board_down NAME: unplugged and taken apart, so the next scenario starts clean.
board_down() {
  local name=$1 g=${configfs}/$1
  [ -d "${g}" ] || return 0
  [ -n "$(cat "${g}/UDC" 2>/dev/null)" ] && board_unbind "${name}"
  kill "$(cat "/tmp/${name}.pid")" 2>/dev/null
  wait "$(cat "/tmp/${name}.pid")" 2>/dev/null
  umount "/tmp/ffs/${name}"
  rm -f "${g}/configs/c.1/ffs.${name}"
  rmdir "${g}/configs/c.1" "${g}/functions/ffs.${name}" "${g}/strings/0x409" "${g}"
}

boards_down() {
  local g
  for g in "${configfs}"/*; do
    [ -d "${g}" ] && board_down "${g##*/}"
  done
  udevadm settle -t 10
}

# wait_for WHAT TENTHS COMMAND...: polls COMMAND every 0.1 s.
wait_for() {
  local what=$1 tenths=$2 i
  shift 2
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  echo "timed out waiting for ${what}"
  return 1
}

hidraw_count() { ls /sys/class/hidraw 2>/dev/null | wc -l; }
has_nodes() { [ "$(hidraw_count)" -ge "$1" ] && udevadm settle -t 10; }
# wait_nodes N: until N hidraw nodes exist and udev has handled them.
wait_nodes() { wait_for "$1 hidraw nodes" 150 has_nodes "$1"; }

# The hidraw node of the board with serial SERIAL (its download interface's, the last).
node_of() {
  local n
  for n in /sys/class/hidraw/*; do
    [ "$(cat "${n}/device/../../serial" 2>/dev/null)" = "$1" ] && echo "/dev/${n##*/}"
  done | tail -n 1
}

# gadget_digest NAME: the SHA-256 of the last complete image the board received.
gadget_digest() { awk '$1 == "image" && $4 == "complete" { d = $5 } END { print d }' "/tmp/$1.gadget"; }

# expect_eq WHAT EXPECTED ACTUAL: shows both, control characters visible, when they differ.
expect_eq() {
  [ "$2" = "$3" ] && return 0
  echo "MISMATCH: $1"
  echo "--- expected"
  printf '%s\n' "$2" | cat -A
  echo "--- actual"
  printf '%s\n' "$3" | cat -A
  return 1
}

# json_events FILE: the JSON lines with the measured seconds taken out, for exact compares.
json_events() { sed -E 's/,"seconds":[0-9.]+//' "$1"; }

# run_scenario NAME: runs scenario_NAME with its output in $out/NAME.log; on failure the
# log, the kernel's messages, udevd's and the gadgets' go to $out/NAME.failed.
run_scenario() {
  local name=$1 log=${out}/$1.log rc
  dmesg -C
  local udev_from
  udev_from=$(wc -l </tmp/udevd.log)
  if ! declare -F "scenario_${name}" >/dev/null; then
    echo "FAIL ${name} (no such scenario)"
    return
  fi
  local start=${SECONDS}
  ("scenario_${name}") >"${log}" 2>&1
  rc=$?
  if [ "${rc}" -eq 0 ]; then
    echo "ok ${name} ($((SECONDS - start)) s)"
  else
    echo "FAIL ${name} ($((SECONDS - start)) s)"
    {
      echo "--- scenario output"
      cat "${log}"
      local f
      for f in /tmp/*.gadget; do
        [ -e "${f}" ] && { echo "--- ${f}"; cat "${f}"; }
      done
      echo "--- dmesg"
      dmesg
      echo "--- udevd (last 80 lines)"
      tail -n +"$((udev_from + 1))" /tmp/udevd.log | tail -n 80
    } >"${out}/${name}.failed"
  fi
  boards_down >/dev/null 2>&1
  rm -f /tmp/*.gadget
}
