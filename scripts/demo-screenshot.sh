#!/usr/bin/env bash
# Runs ZenthoIAP --simulate under Xvfb, presses Connect and Download on the example
# firmware (its path handed over through setup.dat) and saves a screenshot of the result.
# Usage: scripts/demo-screenshot.sh [path/to/ZenthoIAP] [out.png]
set -euo pipefail
cd "$(dirname "$0")/.."

app=${1:-}
if [ -z "$app" ]; then
  for candidate in build/gui/app/qt/ZenthoIAP build/debug/app/qt/ZenthoIAP build/release/app/qt/ZenthoIAP; do
    if [ -x "$candidate" ]; then app=$candidate; break; fi
  done
fi
[ -n "$app" ] && [ -x "$app" ] || { echo "ZenthoIAP not found; build it or pass its path" >&2; exit 2; }
out=${2:-docs/screenshot-demo.png}
firmware=$(realpath examples/kvm-demo.bin)

work=$(mktemp -d)
source scripts/lib/x-display.sh
x_display_pick 97
export XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/ZenthoIAP" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '%s\r\n' "$firmware" > "$XDG_CONFIG_HOME/ZenthoIAP/setup.dat"

x_display_start 1280x800x24

"$app" --simulate >"$work/app.log" 2>&1 &
app_pid=$!
title="ZenthoIAP Ver.1.0.0"
for _ in $(seq 100); do xwininfo -name "$title" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

# The window's place and size; the controls' places follow from its dialog units.
read -r left top width height < <(xwininfo -name "$title" |
  awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2}
       END{print x, y, w, h}')

python3 - "$left" "$top" "$width" "$height" <<'PY'
import ctypes, sys, time
left, top, width, height = map(int, sys.argv[1:])
# The window is 595 x 271 dialog units; a unit is a quarter of the average character
# width across and an eighth of the character height down.
char_w = round(width * 4 / 595)
char_h = round(height * 8 / 271)
def at(x, y):
    return left + (x * char_w + 2) // 4, top + (y * char_h + 4) // 8
x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
display = ctypes.c_void_p(x11.XOpenDisplay(None))
def click(x, y):
    xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
    xtst.XTestFakeButtonEvent(display, 1, True, 0)
    xtst.XTestFakeButtonEvent(display, 1, False, 0)
    x11.XFlush(display)
    time.sleep(0.5)
click(*at(197 + 39, 157 + 16))   # Connect
click(*at(209 + 22, 121 + 14))   # Download
xtst.XTestFakeMotionEvent(display, -1, 5, 5, 0)  # the pointer out of the picture
x11.XFlush(display)
PY

# The demo device takes 1 ms a USB packet: a few seconds cover the example and the tones.
sleep 4
import -window root "$work/root.png"
convert "$work/root.png" -crop "${width}x${height}+${left}+${top}" +repage "$out"
echo "screenshot: $out"
echo "--- debug trace ---"
cat "$work/app.log"
