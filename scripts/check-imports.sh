#!/usr/bin/env bash
# Checks that a Windows executable imports from KERNEL32.dll and USER32.dll and
# from nothing else (no C runtime, no other DLL).
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u | tr '\n' ' ')
echo "imports of $exe: $dlls"
if [ "$dlls" != "KERNEL32.dll USER32.dll " ]; then
  echo "expected exactly KERNEL32.dll and USER32.dll" >&2
  exit 1
fi
headers=$("$objdump" -f -p "$exe")
if ! grep -q 'file format pei-i386' <<<"$headers"; then
  echo "not a 32-bit PE executable" >&2
  exit 1
fi
if ! grep -Eq 'Subsystem[[:space:]]+0*3[[:space:]]' <<<"$headers"; then
  echo "not a console program" >&2
  exit 1
fi
