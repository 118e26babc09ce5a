#!/usr/bin/env bash
# Builds the .deb, installs it with apt, and runs the installed programs from /usr/bin:
# the CLI against the simulated device, the window under Xvfb (it appears, and closing
# it writes setup.dat into the user's config folder); then lintian on the package.
# Needs root (or sudo) for apt; CI calls it from .ci/run.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
fail() { echo "package-test: $*" >&2; exit 1; }
# expect NAME EXPECTED ACTUAL: exact text, with a diff when it differs.
expect() {
  [ "$2" == "$3" ] || { echo "package-test: $1 differs:" >&2; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") >&2; exit 1; }
}

version=$(sed -n 's/^project(ZenthoIAP VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

echo "=== package: build ==="
cmake --preset package
cmake --build --preset package -j"$(nproc)"
rm -f build/package/packages/*.deb
cpack --preset package
deb=$(ls build/package/packages/zentho-iap_"${version}"_*.deb)

echo "=== package: install ${deb} ==="
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "./${deb}"

for file in /usr/bin/zentho-iap /usr/bin/ZenthoIAP /usr/lib/udev/rules.d/70-zentho-iap.rules \
            /usr/share/applications/org.example.ZenthoIAP.desktop \
            /usr/share/metainfo/org.example.ZenthoIAP.metainfo.xml \
            /usr/share/bash-completion/completions/zentho-iap \
            /usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/zentho-iap.png \
            /usr/share/man/man1/zentho-iap.1.gz /usr/share/man/man1/ZenthoIAP.1.gz \
            /usr/share/doc/zentho-iap/{README.md,LICENSE,copyright,changelog.gz,zentho-iap-usbhid.conf}; do
  [ -f "$file" ] || fail "the package did not install $file"
done
expect "the installed udev rule" "$(cat resources/70-zentho-iap.rules)" \
  "$(cat /usr/lib/udev/rules.d/70-zentho-iap.rules)"
# The man page carries the installed tool's own help.
zcat /usr/share/man/man1/zentho-iap.1.gz | grep -q '^Download an image into the device(s)$' ||
  fail "the man page lacks the download verb's help"

echo "=== package: AppStream metadata and bash completion ==="
appstreamcli validate --no-net /usr/share/metainfo/org.example.ZenthoIAP.metainfo.xml ||
  fail "the installed AppStream metadata is not valid"
# completions LINE: the words bash offers with the cursor at the end of LINE.
completions() {
  bash -c 'source /usr/share/bash-completion/completions/zentho-iap
           read -ra COMP_WORDS <<<"$1"
           [[ $1 == *" " ]] && COMP_WORDS+=("")
           COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
           _zentho_iap
           echo "${COMPREPLY[*]}"' completions "$1"
}
expect "completing \"zentho-iap st\"" "station" "$(completions "zentho-iap st")"
expect "completing \"zentho-iap download --mode \"" "kvm bootloader config" \
  "$(completions "zentho-iap download --mode ")"
expect "completing \"zentho-iap config \"" "check build" "$(completions "zentho-iap config ")"

echo "=== package: the installed zentho-iap ==="
expect "command -v zentho-iap" "/usr/bin/zentho-iap" "$(command -v zentho-iap)"
expect "zentho-iap --version" "zentho-iap ${version}" "$(/usr/bin/zentho-iap --version)"
expect "zentho-iap list --simulate" "sim:0  4a5d:7310  ready  port 1-1  serial SIM0001" "$(/usr/bin/zentho-iap list --simulate)"
download=$(/usr/bin/zentho-iap download --mode kvm examples/kvm-demo.bin --simulate)
expect "the simulated download" "
--- Start to transmit Runtime firmware to Orvane device ---

Runtime file is loaded. File size: 3000 bytes.
Start Runtime Transferring...
Chip Revision : 1
--- Runtime firmware is transmitted successfully ---" "$download"

echo "=== package: the installed ZenthoIAP under Xvfb ==="
work=$(mktemp -d)
source scripts/lib/x-display.sh
x_display_pick 77
# A fresh user: the settings file must land in the default ~/.config.
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
unset XDG_CONFIG_HOME
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
settings=$HOME/.config/ZenthoIAP/setup.dat

x_display_start 1024x768x24 || fail "no X display"

(cd "$work" && exec /usr/bin/ZenthoIAP --simulate) >"$work/app.log" 2>&1 &
app_pid=$!
title="ZenthoIAP Ver.1.0.0"
window=""
for _ in $(seq 300); do
  window=$(xwininfo -name "$title" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || fail "ZenthoIAP ended before its window appeared"
  sleep 0.1
done
[ -n "$window" ] || fail "no window named \"$title\" appeared"
echo "window \"$title\" is $window"
[ ! -e "$settings" ] || fail "$settings exists before the window was closed"

# The close button: the window manager's WM_DELETE_WINDOW message, sent the way one would.
python3 - "$window" <<'PY'
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 17)]
display = ctypes.c_void_p(x11.XOpenDisplay(None))
window = int(sys.argv[1], 16)
event = ClientMessage()
event.type = 33  # ClientMessage
event.window = window
event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.format = 32
event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                           ctypes.c_void_p]
x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x11.XFlush(display)
x11.XCloseDisplay(display)
PY

for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "ZenthoIAP did not end after its window was closed"; fi
status=0
wait "$app_pid" || status=$?
app_pid=""
expect "ZenthoIAP's exit status" 0 "$status"
[ -f "$settings" ] || fail "closing the window did not write $settings"
expect "setup.dat" "$(printf '?????\r\n' | od -An -tx1)" "$(od -An -tx1 "$settings")"

echo "=== package: lintian ==="
# Errors fail the test; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "package-test: passed"
