#!/usr/bin/env bash
# Checks that each .exe imports only DLLs that every Windows has: a static build needs
# no libstdc++, libgcc or winpthread DLL beside it.
# Usage: check_imports.sh OBJDUMP EXE...
set -euo pipefail
objdump=$1
shift
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|ws2_32|setupapi|hid|msvcrt|ntdll|bcrypt|cfgmgr32)\.dll$'
status=0
for exe in "$@"; do
  dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
  [ -n "$dlls" ] || { echo "FAILED: $exe imports nothing readable"; status=1; continue; }
  while read -r dll; do
    if printf '%s\n' "$dll" | tr '[:upper:]' '[:lower:]' | grep -Eq "$system_dlls"; then
      echo "$(basename "$exe"): $dll"
    else
      echo "FAILED: $(basename "$exe") imports $dll, which Windows does not ship"
      status=1
    fi
  done <<< "$dlls"
done
exit $status
