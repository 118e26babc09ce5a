#!/bin/busybox sh
# /init of the test guest: mounts the host's root (read-only) and the output folder over
# 9p, then runs tests/kernel/guest-run.sh from the host's tree in a chroot, and powers off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci netfs fscache \
         9pnet 9pnet_virtio 9p; do
  insmod /modules/$m.ko || echo "# insmod $m failed"
done
arg() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" /proc/cmdline; }
opts=trans=virtio,version=9p2000.L,msize=262144
mount -t 9p -o ro,$opts,cache=loose hostroot /host || echo "# mounting the host failed"
mount -t 9p -o $opts out /out
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
mount -t devtmpfs dev /host/dev
mount -t tmpfs tmp /host/tmp
mount -t tmpfs run /host/run
mount --bind /out /host/mnt
# The tree again at its own path: a clone under /tmp would be hidden by the tmpfs above.
tree=$(arg zentho.tree)
mkdir -p "/host$tree" 2>/dev/null
mount -t 9p -o ro,$opts,cache=loose tree "/host$tree" || echo "# mounting the tree failed"
# udevadm's settle and monitor refuse to work in a chroot unless told it is meant.
chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp SYSTEMD_IGNORE_CHROOT=1 \
  ZENTHO_TREE="$tree" ZENTHO_MODULES="$(arg zentho.modules)" ZENTHO_OUT=/mnt \
  ZENTHO_SCENARIOS="$(arg zentho.scenarios)" /bin/bash "$tree/tests/kernel/guest-run.sh"
echo "guest done"
poweroff -f
