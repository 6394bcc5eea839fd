#!/usr/bin/env bash
# Checks a built plug-in without running it, so it can be checked on any
# machine: the image kind of the architecture, InitPlugInLib exported by its
# undecorated name and nothing else, Windows system DLLs only as imports, and
# the version resource.
#   check-image.sh ARCH FILE.pdl      ARCH is i686 or x86-64
set -u
arch=$1 file=$2
case $arch in
  i686) triple=i686-w64-mingw32 format=pei-i386 kind="PE32 i386" ;;
  x86-64) triple=x86_64-w64-mingw32 format=pei-x86-64 kind="PE32+ AMD64" ;;
  *) echo "check-image: unknown architecture '$arch'" >&2; exit 2 ;;
esac
status=0
problem() { echo "$file: $*"; status=1; }

[ -f "$file" ] || { echo "$file: missing"; exit 1; }
dump=$("$triple-objdump" -p "$file" 2>&1)
grep -q "file format $format" <<<"$dump" || problem "not a $kind image"
grep -q '^Characteristics.*' <<<"$dump" && ! grep -q 'DLL' <<<"$dump" && problem "not a DLL"

# The export table lists [Ordinal/Name Pointer] rows as "[   0] NAME".
exports=$(sed -n 's/^\s*\[\s*[0-9]*\] \(\S*\)$/\1/p' <<<"$dump" | sort -u | tr '\n' ' ')
[ "$exports" = "InitPlugInLib " ] || problem "exports '${exports% }' instead of InitPlugInLib alone"

allowed='^(kernel32|user32|gdi32|comctl32|shell32|ole32|oleaut32|version|advapi32|msvcrt|shlwapi|comdlg32)\.dll$'
while read -r dll; do
  grep -qiE "$allowed" <<<"$dll" || problem "imports $dll, not a Windows system DLL"
  # Not one the system always takes from its own directory: a host that puts
  # the plug-in's folder first would bind a version.dll found there.
  grep -qix 'version\.dll' <<<"$dll" && problem "imports version.dll instead of loading it by its full path"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

# The version resource as the resource compiler reads it back.
rc=$("$triple-windres" -J coff -O rc -i "$file" 2>&1)
for line in 'FILEVERSION 1, 0, 0, 0' 'PRODUCTVERSION 1, 0, 0, 0' 'FILEFLAGSMASK 0x3f' \
    'FILEOS 0x4' 'FILETYPE 0x1' 'BLOCK "040904e4"' \
    'VALUE "FileDescription", "Library Information plug-in for Orvenna Harbor"' \
    'VALUE "FileVersion", "1.0.0.0"' 'VALUE "InternalName", "libinfo.pdl"' \
    'VALUE "OriginalFilename", "libinfo.pdl"' 'VALUE "ProductName", "Orvenna Harbor Plug-In"' \
    'VALUE "ProductVersion", "1.0.0"' 'VALUE "Translation", 0x409, 1252'; do
  grep -qiF "$line" <<<"$rc" || problem "version resource lacks: $line"
done

[ $status = 0 ] && echo "$file: $kind DLL, exports InitPlugInLib, system imports only, version resource as expected"
exit $status
