#!/usr/bin/env bash
# Sets the screen scale of the build tree's prefix:
#   wine-dpi.sh WINE_DIR ARCH DPI      (96 = 100 %, 120, 144, 192 = 200 %)
# The prefix has one DPI for all its programs, read when its server starts:
# the value is written to the registry and the running server ended, so the
# next program starts one that reads it.
set -u
dir=$1 arch=$2 dpi=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-arch.sh"
wine_select "$arch" || exit 2
export WINEPREFIX=$dir/prefix
case $dpi in
  ''|*[!0-9]*) echo "wine-dpi.sh: '$dpi' is no DPI" >&2; exit 2 ;;
esac

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]\r\n"LogPixels"=dword:%08x\r\n' \
  "$dpi" "$dpi" >"$reg"
"$here/wine-run.sh" "$dir" "$arch" regedit /s "$reg" >/dev/null 2>&1 \
  || { echo "wine-dpi.sh: regedit could not write $dpi DPI into $WINEPREFIX" >&2; exit 1; }
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
exit 0
