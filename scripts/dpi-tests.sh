#!/usr/bin/env bash
# Runs the DPI test program once per screen scale in the build tree's prefix:
#   dpi-tests.sh WINE_DIR ARCH PROGRAM
# The prefix has one DPI for all its programs (scripts/wine-dpi.sh sets it
# before each run). Aware runs at 96, 120, 144 and 192 DPI, then an unaware
# one at 144, which must keep the 96-DPI layout. The prefix is put back to
# 96 DPI on every way out.
set -u
dir=$1 arch=$2 program=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-arch.sh"
wine_select "$arch" || exit 2

set_dpi() {
  "$here/wine-dpi.sh" "$dir" "$arch" "$1"
}

restore() {
  set_dpi 96 || echo "dpi-tests: the prefix could not be put back to 96 DPI" >&2
  "$WINESERVER" -p >/dev/null 2>&1
}
trap restore EXIT

failed=()
run() {
  local name=$1; shift
  echo "== $name"
  "$here/wine-run.sh" "$dir" "$arch" "$program" --gtest_brief=1 "$@" || failed+=("$name")
}

for dpi in 96 120 144 192; do
  set_dpi $dpi || { echo "dpi-tests: setting $dpi DPI failed" >&2; exit 1; }
  run "aware at $dpi DPI" --expect-dpi=$dpi
done
set_dpi 144 || { echo "dpi-tests: setting 144 DPI failed" >&2; exit 1; }
run "unaware at 144 DPI" --expect-dpi=96 --unaware

if [ ${#failed[@]} -gt 0 ]; then
  echo "dpi-tests: failed: ${failed[*]}" >&2
  exit 1
fi
echo "dpi-tests: every scale passed"
