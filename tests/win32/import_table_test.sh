#!/usr/bin/env bash
# tonegen.exe must start on a bare Windows: its import table may name system
# DLLs only, no runtime of the toolchain (libstdc++, libgcc, libwinpthread)
# and no dsound.dll, which the test signals load at run time if at all.
# Usage: import_table_test.sh OBJDUMP PROGRAM.exe
set -euo pipefail
objdump=$1
program=$2

mapfile -t dlls < <("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
if [ ${#dlls[@]} -eq 0 ]; then
  echo "no imports found in $program"
  exit 1
fi

system='^(kernel32|user32|gdi32|winmm|comctl32|shell32|advapi32|ole32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$'
failed=0
for dll in "${dlls[@]}"; do
  if [[ ${dll,,} =~ $system ]]; then
    echo "system DLL: $dll"
  else
    echo "not a system DLL: $dll"
    failed=1
  fi
done
exit $failed
