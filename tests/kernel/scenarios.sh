# The scenarios the guest runs, one function each; each plugs in its own boards and fails
# (non-zero) with a message naming what differed. Sourced by guest-run.sh.

ALL_SCENARIOS=(list)

scenario_list() {
  board_up b0 ORV0001 dummy_udc.0 || return 1
  wait_nodes 1 || return 1
  ls -l /dev/hidraw*; cat /sys/class/hidraw/*/device/uevent; udevadm info /dev/hidraw0
  "${iap}" list
  "${iap}" list --json
}
