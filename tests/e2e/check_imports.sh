#!/bin/bash
# A Windows deliverable is a GUI program of the build's architecture (i686: PE32, x86_64:
# PE32+) that imports only DLLs that Windows itself ships: not the display and input
# modules, which it loads at run time, and none of the compiler's own libraries.
#   check_imports.sh EXECUTABLE i686|x86_64
set -u
fail() { echo "FAIL: $*"; exit 1; }
case "${2:-}" in
  i686) format=pei-i386 kind="PE32 i386" ;;
  x86_64) format=pei-x86-64 kind="PE32+ x86-64" ;;
  *) fail "usage: check_imports.sh EXECUTABLE i686|x86_64" ;;
esac
dump=$("$2-w64-mingw32-objdump" -p "$1") || fail "objdump"
grep -q "file format $format" <<<"$dump" || fail "not a $kind image"
grep -qE "^Subsystem[[:space:]]+00000002" <<<"$dump" || fail "not the Windows GUI subsystem"
dlls=$(grep -E "DLL Name:" <<<"$dump" | awk '{print toupper($3)}' | sort -u)
allowed="KERNEL32.DLL MSVCRT.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL"
for dll in $dlls; do
  [[ " $allowed " == *" $dll "* ]] || fail "imports $dll"
done
echo "ok: $(basename "$1") is a $kind GUI program importing only:" $dlls
