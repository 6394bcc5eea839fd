#!/usr/bin/env bash
# Fails unless the given PE file is a 32-bit image importing Windows system DLLs only.
set -eu
file=$1
dump=$(i686-w64-mingw32-objdump -p "$file")
grep -q 'file format pei-i386' <<<"$dump" || { echo "$file: not a PE32 i386 image"; exit 1; }
allowed='^(kernel32|user32|gdi32|comctl32|shell32|ole32|oleaut32|version|advapi32|msvcrt|shlwapi|comdlg32)\.dll$'
status=0
while read -r dll; do
  if grep -qiE "$allowed" <<<"$dll"; then echo "imports $dll"; else echo "NOT A SYSTEM DLL: $dll"; status=1; fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
exit $status
