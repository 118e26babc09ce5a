#!/usr/bin/env bash
# Runs zentho-iap and the window's logic against emulated Orvane boards on a real Linux
# USB stack: Debian 12's kernel under QEMU (TCG), dummy_hcd, usbhid, hidraw and udevd,
# with the boards served by tests/kernel/orvane_gadget over FunctionFS. One boot runs
# every scenario of tests/kernel/scenarios.sh; the last line reads "N passed, N failed".
#   ./scripts/kernel-test.sh [SCENARIO...]     (names as in scenarios.sh; none: all)
# Needs what scripts/setup-deps.sh installs; downloads the kernel package (not installed)
# into build/kernel. Builds the debug preset's programs it runs, with ccache when present.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$(pwd)
work=${tree}/build/kernel
mkdir -p "${work}"
started=$(date +%s)

# --- the programs under test -------------------------------------------------------------
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
[ -f build/debug/CMakeCache.txt ] || cmake --preset debug "${launcher[@]}" >/dev/null
cmake --build --preset debug -j"$(nproc)" --target zentho-iap orvane_gadget kernel_window_probe

# --- the kernel: whatever linux-image-amd64 depends on today -----------------------------
resolve_kernel() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}
package=$(resolve_kernel)
if [ -z "${package}" ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  package=$(resolve_kernel)
fi
[ -n "${package}" ] || { echo "kernel-test: linux-image-amd64 has no kernel dependency" >&2; exit 1; }
kdir=${work}/${package}
release=${package#linux-image-}
if [ ! -f "${kdir}/vmlinux" ]; then
  rm -rf "${kdir}" && mkdir -p "${kdir}"
  (cd "${kdir}" && apt-get download -q "${package}" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  dpkg-deb -x "${kdir}"/"${package}"_*.deb "${kdir}/root"
  rm -f "${kdir}"/"${package}"_*.deb
  # Under TCG the bzImage's own decompressor costs seconds: boot the ELF inside it.
  python3 - "${kdir}/root/boot/vmlinuz-${release}" "${kdir}/vmlinux.part" <<'EOF'
import lzma, sys
image = open(sys.argv[1], 'rb').read()
start = image.find(b'\xfd7zXZ\x00')
if start < 0:
    sys.exit('no xz stream in ' + sys.argv[1])
open(sys.argv[2], 'wb').write(lzma.LZMADecompressor(format=lzma.FORMAT_XZ).decompress(image[start:]))
EOF
  depmod -b "${kdir}/root" "${release}"
  mv "${kdir}/vmlinux.part" "${kdir}/vmlinux"
fi

# --- the initramfs: busybox, the 9p modules, our init -------------------------------------
initramfs=${work}/initramfs
rm -rf "${initramfs}" && mkdir -p "${initramfs}"/{bin,modules,host,out,proc,sys,dev}
cp /bin/busybox "${initramfs}/bin/busybox"
moddir=${kdir}/root/lib/modules/${release}
for m in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci netfs fscache \
         9pnet 9pnet_virtio 9p; do
  path=$(modinfo -b "${kdir}/root" -k "${release}" -n "${m}")
  cp "${path}" "${initramfs}/modules/${m}.ko"
done
cp tests/kernel/guest-init.sh "${initramfs}/init"
chmod +x "${initramfs}/init"
(cd "${initramfs}" && find . | cpio -o -H newc --quiet) >"${work}/initramfs.cpio"

# --- the boot ------------------------------------------------------------------------------
out=${work}/out
rm -rf "${out}" && mkdir -p "${out}"
console=${work}/console.log
accel=tcg
# KVM only where it really runs a guest; a nested /dev/kvm that cannot is left alone.
if [ "${ZENTHO_KERNEL_TEST_KVM:-0}" = 1 ] && [ -w /dev/kvm ]; then accel=kvm; fi
scenarios=$(IFS=,; echo "${*:-all}")
echo "kernel-test: ${package}, ${accel}, scenarios: ${scenarios}"
timeout 420 qemu-system-x86_64 -accel "${accel}" -m 512 -smp 1 -display none -no-reboot -nodefaults \
  -serial stdio -kernel "${kdir}/vmlinux" -initrd "${work}/initramfs.cpio" \
  -append "console=ttyS0 quiet panic=-1 zentho.tree=${tree} zentho.modules=${kdir}/root zentho.scenarios=${scenarios}" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="${tree}",mount_tag=tree,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="${out}",mount_tag=out,security_model=none \
  </dev/null | tee "${console}" | grep --line-buffered -E '^(ok|FAIL|#) ' || true

passed=$(grep -c '^ok ' "${console}" || true)
failed=$(grep -c '^FAIL ' "${console}" || true)
if ! grep -q '^guest done' "${console}"; then
  echo "kernel-test: the guest did not finish; its console is in ${console}:"
  tail -n 60 "${console}"
  failed=$((failed + 1))
fi
for log in "${out}"/*.failed; do
  [ -e "${log}" ] || continue
  echo "=== guest log of ${log##*/} ==="
  cat "${log}"
done
echo "kernel-test: $(($(date +%s) - started)) s"
echo "${passed} passed, ${failed} failed"
[ "${failed}" -eq 0 ]
