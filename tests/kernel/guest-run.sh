#!/bin/bash
# Runs inside the test guest, chrooted into the host's root: loads the USB gadget and HID
# modules of the guest's kernel, starts udevd, then runs the scenarios of scenarios.sh.
# Prints "ok NAME" or "FAIL NAME" for each; a failed scenario leaves its log, the
# kernel's messages and udevd's in $ZENTHO_OUT/NAME.failed.
set -u
tree=${ZENTHO_TREE}
out=${ZENTHO_OUT}
source "${tree}/tests/kernel/guest-lib.sh"
source "${tree}/tests/kernel/scenarios.sh"

kmod() { modprobe -d "${ZENTHO_MODULES}" "$@"; }
for m in configfs libcomposite usb_f_fs hid hid-generic usbhid; do
  kmod "$m" || echo "# modprobe $m failed"
done
kmod dummy_hcd num=4 || echo "# modprobe dummy_hcd failed"
mountpoint -q /sys/kernel/config || mount -t configfs none /sys/kernel/config

# The shipped rule, where udevd and `udevadm test` read rules; the host's own are hidden.
mount -t tmpfs rules /etc/udev/rules.d
cp "${tree}/resources/70-zentho-iap.rules" /etc/udev/rules.d/
# A copy the installed package left in /usr/lib (CI installs the .deb first) is emptied,
# so that the tree's rule is the only one and can be taken away.
installed=/usr/lib/udev/rules.d/70-zentho-iap.rules
[ -e "${installed}" ] && mount --bind /dev/null "${installed}"
/lib/systemd/systemd-udevd --daemon --debug >/tmp/udevd.log 2>&1 || echo "# systemd-udevd failed"

selected=${ZENTHO_SCENARIOS:-all}
[ "${selected}" = all ] && selected=$(IFS=,; echo "${ALL_SCENARIOS[*]}")
IFS=, read -r -a names <<<"${selected}"
for name in "${names[@]}"; do
  run_scenario "${name}"
done
