#!/bin/bash
# A Windows deliverable is a 32-bit GUI program that imports only DLLs that Windows itself
# ships: not the display and input modules, which it loads at run time, and none of the
# compiler's own libraries.
#   check_imports.sh EXECUTABLE
set -u
dump=$(i686-w64-mingw32-objdump -p "$1") || { echo "FAIL: objdump"; exit 1; }
fail() { echo "FAIL: $*"; exit 1; }
grep -q "file format pei-i386" <<<"$dump" || fail "not a PE32 i386 image"
grep -qE "^Subsystem[[:space:]]+00000002" <<<"$dump" || fail "not the Windows GUI subsystem"
dlls=$(grep -E "DLL Name:" <<<"$dump" | awk '{print toupper($3)}' | sort -u)
allowed="KERNEL32.DLL MSVCRT.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL"
for dll in $dlls; do
  [[ " $allowed " == *" $dll "* ]] || fail "imports $dll"
done
echo "ok: $(basename "$1") is a PE32 i386 GUI program importing only:" $dlls
