# The scenarios the guest runs, one function each; each plugs in its own boards and fails
# (non-zero) with a message naming what differed. Sourced by guest-run.sh.

ALL_SCENARIOS=(list download interrupt_out board_faults hang unplug_cli unplug_window composite
               station permissions)

kvm_file=${tree}/examples/kvm-demo.bin
config_file=${tree}/examples/config-demo.txt

# One board on the first controller, its node waited for.
one_board() { board_up b0 ORV0001 dummy_udc.0 "$@" && wait_nodes 1; }

# expect_run WHAT EXIT OUTFILE COMMAND...: runs COMMAND with stdout in OUTFILE and stderr
# in OUTFILE.err, and checks its exit code.
expect_run() {
  local what=$1 code=$2 file=$3 rc=0
  shift 3
  "$@" >"${file}" 2>"${file}.err" || rc=$?
  [ "${rc}" -eq "${code}" ] && return 0
  echo "MISMATCH: exit code of ${what}: expected ${code}, got ${rc}"
  echo "--- stdout"; cat "${file}"; echo "--- stderr"; cat "${file}.err"
  return 1
}

# The JSON events of a session that passed, file of SIZE bytes sent in BLOCKS blocks.
pass_events() {
  local device=$1 mode=$2 file=$3 size=$4 blocks=$5 k
  cat <<EOF
{"event":"start","device":"${device}","vid":"4a5d","pid":"7310","mode":"${mode}","file":"${file}"}
{"event":"log","device":"${device}","text":"\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n"}
{"event":"log","device":"${device}","text":"\r\nRuntime file is loaded. File size: ${size} bytes.\r\n"}
{"event":"progress","device":"${device}","bytes":0,"total":${size}}
{"event":"log","device":"${device}","text":"Start Runtime Transferring...\r\n"}
{"event":"log","device":"${device}","text":"Chip Revision : 1\r\n"}
EOF
  for ((k = 1; k <= blocks; k++)); do
    echo "{\"event\":\"progress\",\"device\":\"${device}\",\"bytes\":$((size * k / blocks)),\"total\":${size}}"
  done
  cat <<EOF
{"event":"progress","device":"${device}","bytes":${size},"total":${size}}
{"event":"log","device":"${device}","text":"--- Runtime firmware is transmitted successfully ---\r\n\r\n"}
{"event":"result","device":"${device}","ok":true,"bytes":${size},"total":${size}}
{"event":"summary","devices":1,"passed":1,"failed":0}
EOF
}

scenario_list() {
  one_board || return 1
  local node
  node=$(node_of ORV0001)
  expect_eq "the board's node" /dev/hidraw0 "${node}" || return 1
  expect_run list 0 /tmp/list.out "${iap}" list || return 1
  expect_eq "list" "/dev/hidraw0  4a5d:7310  ready  port 1-1  serial ORV0001" "$(cat /tmp/list.out)" || return 1
  expect_run "list --json" 0 /tmp/list.json "${iap}" list --json || return 1
  expect_eq "list --json" \
    '{"path":"/dev/hidraw0","vid":"4a5d","pid":"7310","openable":true,"port":"1-1","serial":"ORV0001"}' \
    "$(cat /tmp/list.json)"
}

# kvm, bootloader and config in turn on one board: exact events, and the board holds the
# file's bytes (its SHA-256 against the file's, or the built configuration image's).
scenario_download() {
  one_board || return 1
  local mode file size blocks want
  "${iap}" config build "${config_file}" -o /tmp/config.bin >/dev/null || return 1
  for mode in kvm bootloader config; do
    file=${kvm_file} size=3000 blocks=3 want=$(sha256sum <"${kvm_file}")
    if [ "${mode}" = config ]; then
      file=${config_file} size=$(stat -c %s "${config_file}") blocks=1 want=$(sha256sum </tmp/config.bin)
    fi
    expect_run "download ${mode}" 0 /tmp/dl.json "${iap}" download --mode "${mode}" "${file}" --json || return 1
    expect_eq "events of ${mode}" "$(pass_events /dev/hidraw0 "${mode}" "${file}" "${size}" "${blocks}")" \
      "$(json_events /tmp/dl.json)" || return 1
    expect_eq "the board's digest after ${mode}" "${want%% *}" "$(gadget_digest b0)" || return 1
  done
  expect_run "download kvm (text)" 0 /tmp/dl.txt "${iap}" download --mode kvm "${kvm_file}" || return 1
  expect_eq "text log of kvm" "
--- Start to transmit Runtime firmware to Orvane device ---

Runtime file is loaded. File size: 3000 bytes.
Start Runtime Transferring...
Chip Revision : 1
--- Runtime firmware is transmitted successfully ---" "$(cat /tmp/dl.txt)"
}


# The JSON events of a session up to its first acknowledged ACKED blocks (of BLOCKS);
# the file is ${file}.
head_events() {
  local device=$1 size=$2 blocks=$3 acked=$4 revision=${5:-1} k
  cat <<EOF
{"event":"start","device":"${device}","vid":"4a5d","pid":"7310","mode":"kvm","file":"${file}"}
{"event":"log","device":"${device}","text":"\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n"}
{"event":"log","device":"${device}","text":"\r\nRuntime file is loaded. File size: ${size} bytes.\r\n"}
{"event":"progress","device":"${device}","bytes":0,"total":${size}}
{"event":"log","device":"${device}","text":"Start Runtime Transferring...\r\n"}
{"event":"log","device":"${device}","text":"Chip Revision : ${revision}\r\n"}
EOF
  for ((k = 1; k <= acked; k++)); do
    echo "{\"event\":\"progress\",\"device\":\"${device}\",\"bytes\":$((size * k / blocks)),\"total\":${size}}"
  done
}

log_event() { printf '{"event":"log","device":"/dev/hidraw0","text":"%s"}\n' "$1"; }
failed_event() { printf '{"event":"exchange-failed","device":"/dev/hidraw0","reason":"%s"}\n' "$1"; }
fail_tail() {
  log_event '\r\nBurn fail\r\n'
  echo "{\"event\":\"result\",\"device\":\"/dev/hidraw0\",\"ok\":false,\"bytes\":$1,\"total\":$2}"
  echo '{"event":"summary","devices":1,"passed":0,"failed":1}'
}

quirk_note="zentho-iap: /dev/hidraw0: The device's interface has an interrupt OUT endpoint, so Linux sends the output report there and not as SET_REPORT on the control pipe. If the device takes it only as SET_REPORT, set the usbhid quirk 0x4a5d:0x7310:0x40000 (install resources/zentho-iap-usbhid.conf in /etc/modprobe.d, then reload usbhid or reboot)"

# An interrupt OUT endpoint: Linux sends the output report there. A board that takes it
# passes; one that only listens to SET_REPORT fails with the note naming the quirk, and
# passes once usbhid has the quirk.
scenario_interrupt_out() {
  local file=${kvm_file}
  one_board --interrupt-out take || return 1
  expect_run "download, reports taken on the endpoint" 0 /tmp/dl.json \
    "${iap}" download --mode kvm "${kvm_file}" --json || return 1
  expect_eq "its events" "$(pass_events /dev/hidraw0 kvm "${kvm_file}" 3000 3)" "$(json_events /tmp/dl.json)" || return 1
  boards_down

  one_board --interrupt-out ignore || return 1
  expect_run "download, reports ignored" 1 /tmp/dl.json \
    "${iap}" download --mode kvm "${kvm_file}" --json --ack-timeout 1000 || return 1
  expect_eq "its events" "$(head_events /dev/hidraw0 3000 3 0
    log_event 'Get status timeout, block number = 0\r\n'
    fail_tail 0 3000)" "$(json_events /tmp/dl.json)" || return 1
  expect_eq "the quirk note" "${quirk_note}" "$(cat /tmp/dl.json.err)" || return 1
  boards_down

  kmod -r usbhid && kmod usbhid quirks=0x4a5d:0x7310:0x40000 || return 1
  local result=0
  one_board --interrupt-out ignore &&
    expect_run "download with the quirk" 0 /tmp/dl.json "${iap}" download --mode kvm "${kvm_file}" --json &&
    expect_eq "its events" "$(pass_events /dev/hidraw0 kvm "${kvm_file}" 3000 3)" "$(json_events /tmp/dl.json)" &&
    expect_eq "the board's digest" "$(sha256sum <"${kvm_file}" | cut -d' ' -f1)" "$(gadget_digest b0)" || result=1
  boards_down
  kmod -r usbhid && kmod usbhid || result=1
  return "${result}"
}

# What the board answers, table-driven: gadget options, exit code, expected events.
scenario_board_faults() {
  local file=${kvm_file} stalled
  stalled=$(for i in 1 2 3 4; do
    failed_event 'HIDIOCSOUTPUT: Broken pipe'
    log_event 'DNLOAD FAIL, block number = 2, left len : 0\r\n'
  done)
  local -a options=("--stall-at 2" "--state8-at 1" "--revision 0x20" "--revision 0x05")
  local -a codes=(1 1 0 1)
  local -a wants=(
    "$(head_events /dev/hidraw0 3000 3 2; echo "${stalled}"; fail_tail 2000 3000)"
    "$(head_events /dev/hidraw0 3000 3 1; log_event 'Download failed at GET_STATUS\r\n'; fail_tail 1000 3000)"
    "$(pass_events /dev/hidraw0 kvm "${kvm_file}" 3000 3 | sed 's/Chip Revision : 1/Chip Revision : 2/')"
    "$(head_events /dev/hidraw0 3000 3 0 0; log_event '\r\nChip Revision wrong!!\r\n'; fail_tail 0 3000)"
  )
  local i
  for i in "${!options[@]}"; do
    # shellcheck disable=SC2086
    one_board ${options[i]} || return 1
    expect_run "download, board ${options[i]}" "${codes[i]}" /tmp/dl.json \
      "${iap}" download --mode kvm "${kvm_file}" --json || return 1
    expect_eq "events, board ${options[i]}" "${wants[i]}" "$(json_events /tmp/dl.json)" || return 1
    boards_down
  done
}

# A board that takes block 1 and then answers nothing: the kernel gives up on the status
# read after usbhid's 5 s control timeout (ETIMEDOUT), and the session ends at the ack
# bound (5 s) instead of trying again: one exchange's timeout past the bound at most.
scenario_hang() {
  local file=${kvm_file}
  one_board --hang-at 1 || return 1
  expect_run "download from a board that hangs" 1 /tmp/dl.json "${iap}" download --mode kvm "${kvm_file}" --json || return 1
  expect_eq "its events" "$(head_events /dev/hidraw0 3000 3 1
    failed_event 'HIDIOCGINPUT: Connection timed out'
    log_event 'Get status fail, block number = 1\r\n'
    log_event 'Get status timeout, block number = 1\r\n'
    fail_tail 1000 3000)" "$(json_events /tmp/dl.json)" || return 1
  local seconds
  seconds=$(sed -n 's/.*"event":"result".*"seconds":\([0-9]*\).*/\1/p' /tmp/dl.json)
  [ "${seconds}" -lt 12 ] || { echo "the session took ${seconds} s, past 5 s + 5 s"; return 1; }
}

# The reasons a removal can give while the kernel takes the device down, made one.
removal_reasons() {
  sed -E 's/"reason":"(HIDIOC[A-Z]+): (No such device|Protocol error|Cannot send after transport endpoint shutdown)"/"reason":"\1: <removal>"/'
}

# A board unplugged (its UDC unbound) while the host waits for block 20's status.
unplug_setup() {
  head -c 200000 /dev/urandom >/tmp/big.bin
  rm -f /tmp/mark
  one_board --hang-at 20 --mark-at 20 /tmp/mark
}

scenario_unplug_cli() {
  local file=/tmp/big.bin
  unplug_setup || return 1
  "${iap}" download --mode kvm /tmp/big.bin --json >/tmp/dl.json 2>/tmp/dl.json.err &
  local pid=$! rc=0 i
  wait_for "block 20" 300 test -e /tmp/mark || return 1
  board_unbind b0
  wait "${pid}" || rc=$?
  echo "the kernel's reasons:"
  grep -o '"reason":"[^"]*"' /tmp/dl.json
  expect_eq "exit code" 1 "${rc}" || return 1
  expect_eq "its events" "$(head_events /dev/hidraw0 200000 196 20
    for i in 1 2 3 4; do
      failed_event 'HIDIOCGINPUT: <removal>'
      log_event 'Get status fail, block number = 14\r\n'
    done
    fail_tail 20408 200000)" "$(json_events /tmp/dl.json | removal_reasons)"
}

scenario_unplug_window() {
  unplug_setup || return 1
  expect_run "the window's logic" 0 /tmp/window.log \
    "${window_probe}" /tmp/big.bin /tmp/mark "${configfs}/b0/UDC" || return 1
  cat /tmp/window.log.err
  local log unplugged=$'--- Device Unpluged---\r\n\r\n' fails="" i
  log=$(cat /tmp/window.log; echo .)
  expect_eq "one unplug line" 1 "$(grep -c -- '--- Device Unpluged---' /tmp/window.log)" || return 1
  for i in 1 2 3 4; do fails+=$'Get status fail, block number = 14\r\n'; done
  # The unplug line comes from the window's thread, the session's lines from the worker:
  # the line is counted once above, the rest compared in order.
  expect_eq "the window's log" \
    $'\r\n--- Start to transmit Runtime firmware to Orvane device ---\r\n\r\nRuntime file is loaded. File size: 200000 bytes.\r\nStart Runtime Transferring...\r\nChip Revision : 1\r\n'"${fails}"$'\r\nBurn fail\r\n.' \
    "${log/"${unplugged}"/}"
}

# The station's records, one line each: port, serial, node, result, failure; sorted.
records() {
  python3 -c '
import json, sys
rows = [json.loads(line) for line in open(sys.argv[1])]
print("\n".join(sorted("%s %s %s %s %s" % (r["port"], r["serial"], r["device"], r["result"], r["failure"]) for r in rows)))
' "$1"
}

# A composite board, keyboard first: the keyboard's node is passed over everywhere.
scenario_composite() {
  local file=${kvm_file}
  board_up b0 ORV0001 dummy_udc.0 --keyboard-first || return 1
  wait_nodes 2 || return 1
  expect_run list 0 /tmp/list.out "${iap}" list || return 1
  expect_eq list "/dev/hidraw0  4a5d:7310  not the download interface  port 1-1  serial ORV0001
/dev/hidraw1  4a5d:7310  ready  port 1-1  serial ORV0001" "$(cat /tmp/list.out)" || return 1
  expect_run download 0 /tmp/dl.json "${iap}" download --mode kvm "${kvm_file}" --json || return 1
  expect_eq "download's events" "$(pass_events /dev/hidraw1 kvm "${kvm_file}" 3000 3)" "$(json_events /tmp/dl.json)" || return 1
  rm -f /tmp/rec.json
  expect_run station 0 /tmp/station.out "${iap}" station --mode kvm "${kvm_file}" --limit 1 --record /tmp/rec.json || return 1
  expect_eq "station's records" "1-1 ORV0001 /dev/hidraw1 pass None" "$(records /tmp/rec.json)"
}

# Four boards on four controllers, bound one after another; the second is unplugged while
# its status is awaited, and plugged back as a fresh board. A udev monitor beside the
# station tells whether udevd announced every arrival under this load.
scenario_station() {
  head -c 60000 /dev/urandom >/tmp/fw.bin
  rm -f /tmp/mark1 /tmp/rec.json
  udevadm monitor --udev --subsystem-match=hidraw >/tmp/monitor.log 2>&1 &
  local monitor=$!
  "${iap}" station --mode kvm /tmp/fw.bin --limit 4 --record /tmp/rec.json >/tmp/station.out 2>&1 &
  local station=$! rc=0 b
  board_up b0 ORV0001 dummy_udc.0 || return 1
  board_up b1 ORV0002 dummy_udc.1 --hang-at 20 --mark-at 20 /tmp/mark1 || return 1
  wait_for "block 20 on the second board" 300 test -e /tmp/mark1 || return 1
  board_down b1
  board_up b2 ORV0003 dummy_udc.2 || return 1
  board_up b3 ORV0004 dummy_udc.3 || return 1
  board_up b1 ORV0002 dummy_udc.1 || return 1
  wait_for "the station's end" 600 sh -c "! kill -0 ${station} 2>/dev/null" || return 1
  wait "${station}" || rc=$?
  sleep 0.5
  kill "${monitor}"
  cat /tmp/station.out /tmp/rec.json /tmp/monitor.log
  expect_eq "station's exit code" 0 "${rc}" || return 1
  expect_eq "station's records" "1-1 ORV0001 pass
2-1 ORV0002 pass
2-1 ORV0002 unplugged
3-1 ORV0003 pass
4-1 ORV0004 pass" "$(records /tmp/rec.json | cut -d' ' -f1,2,4 | sort)" || return 1
  for b in b0 b1 b2 b3; do
    expect_eq "digest on ${b}" "$(sha256sum </tmp/fw.bin | cut -d' ' -f1)" "$(gadget_digest "${b}")" || return 1
  done
  expect_eq "udev's hidraw add events" 5 "$(grep -c ' add .*(hidraw)' /tmp/monitor.log)" || return 1
  expect_eq "udev's hidraw remove events" 1 "$(grep -c ' remove .*(hidraw)' /tmp/monitor.log)"
}

# An unprivileged user is refused with the reason and the rule's hint; the shipped rule is
# what tags the real device for uaccess.
scenario_permissions() {
  one_board || return 1
  local hint="install the udev rule resources/70-zentho-iap.rules in /etc/udev/rules.d, then plug the device in again"
  local nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  expect_run "list as nobody" 0 /tmp/list.out "${nobody[@]}" "${iap}" list || return 1
  expect_eq "list as nobody" "/dev/hidraw0  4a5d:7310  cannot open: Permission denied (${hint})  port 1-1  serial ORV0001" \
    "$(cat /tmp/list.out)" || return 1
  expect_run "download as nobody" 3 /tmp/dl.out "${nobody[@]}" "${iap}" download --mode kvm "${kvm_file}" || return 1
  expect_eq "download as nobody" "zentho-iap: Cannot open device /dev/hidraw0 (4a5d:7310): Permission denied (${hint})
zentho-iap: no device 4a5d:7310 found" "$(cat /tmp/dl.out.err)" || return 1
  udevadm test --action=add /sys/class/hidraw/hidraw0 >/tmp/with.txt 2>&1
  mv /etc/udev/rules.d/70-zentho-iap.rules /tmp/
  udevadm test --action=add /sys/class/hidraw/hidraw0 >/tmp/without.txt 2>&1
  mv /tmp/70-zentho-iap.rules /etc/udev/rules.d/
  # TAGS keeps what the udev database had; CURRENT_TAGS is this run's.
  grep -E '^(TAGS|CURRENT_TAGS)=' /tmp/with.txt /tmp/without.txt
  expect_eq "uaccess with the rule" yes "$(grep -q '^CURRENT_TAGS=.*:uaccess:' /tmp/with.txt && echo yes || echo no)" || return 1
  expect_eq "uaccess without the rule" no "$(grep -q '^CURRENT_TAGS=.*:uaccess:' /tmp/without.txt && echo yes || echo no)" || { cat /tmp/without.txt; return 1; }
}
