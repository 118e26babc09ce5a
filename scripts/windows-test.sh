#!/usr/bin/env bash
# Cross-builds both Windows programs and the tests with mingw-w64 and runs the tests
# under Wine (the windows-debug preset), the dialog on a virtual X display. Then builds
# the two release programs alone (the windows preset), packs the .zip, checks what it
# holds and runs the unpacked zentho-iap.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows-debug
cmake --build --preset windows-debug -j"$(nproc)"
ctest --preset windows-debug -j"$(nproc)"

fail() { echo "windows-test: $*" >&2; exit 1; }
# expect NAME EXPECTED ACTUAL: exact text, with a diff when it differs.
expect() {
  [ "$2" == "$3" ] || { echo "windows-test: $1 differs:" >&2; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") >&2; exit 1; }
}

echo "=== windows: release programs and the .zip ==="
version=$(sed -n 's/^project(ZenthoIAP VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
started=$SECONDS
cmake --preset windows
# The build preset names the two programs: no tests, no fuzz replayers.
cmake --build --preset windows -j"$(nproc)"
rm -f build/windows/packages/*.zip
cpack --preset windows
echo "windows-test: release build and .zip took $((SECONDS - started)) s"

zip=build/windows/packages/ZenthoIAP-${version}-win64.zip
[ -f "$zip" ] || fail "cpack made no $zip"
top=ZenthoIAP-${version}-win64
expect "the .zip's listing" "$top/LICENSE
$top/README.md
$top/ZenthoIAP.exe
$top/zentho-iap.exe" "$(unzip -Z1 "$zip" | LC_ALL=C sort)"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
# The prefix of the windows-debug tests, created above.
version_line=$(./scripts/wine-run.sh --prefix "$PWD/build/windows-debug/wineprefix" \
                 "$unpacked/$top/zentho-iap.exe" --version | tr -d '\r')
expect "the unpacked zentho-iap.exe --version" "zentho-iap ${version}" "$version_line"
