#!/usr/bin/env bash
# Installs what is missing, builds both plug-ins (i686 and x86-64) and runs
# every test under the Wine of each architecture this kernel can run. The
# x86-64 tests always run; the i686 ones where the kernel runs 32-bit
# programs. Where it does not, the i686 images are still built and checked
# without running them, unless --emulate-i686 asks for the i686 tests to run
# through a CPU emulator (scripts/emulate-i686.sh).
#   bash scripts/test.sh [--emulate-i686]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_BUILD_DIR:-$root/build}
. "$root/scripts/wine-arch.sh"

fail() {
  echo "test.sh: $*" >&2
  exit 1
}

case "${1:-}" in
  "") ;;
  --emulate-i686) emulate=1 ;;
  *) echo "usage: bash scripts/test.sh [--emulate-i686]" >&2; exit 2 ;;
esac

bash "$root/scripts/bootstrap.sh" || fail "installing the build and test packages failed"
if [ -n "${emulate:-}" ]; then
  bash "$root/scripts/emulate-i686.sh" || fail "the i686 tests cannot run through an emulator"
fi
for arch in i686 x86-64; do
  cmake -S "$root" -B "$build/$arch" -G "Unix Makefiles" -DLIBINFO_ARCH=$arch >/dev/null \
    || fail "configuring the $arch build failed"
  make -C "$build/$arch" -j"$(nproc)" --no-print-directory || fail "the $arch build failed"
  "$root/scripts/check-image.sh" $arch "$build/$arch/bin/libinfo.pdl" \
    || fail "the $arch plug-in is not what a host expects"
done

ran=()
skipped=""
run_tests() {
  (cd "$build/$1" && ctest --output-on-failure --timeout 900) || fail "$1 tests failed"
  ran+=("$1")
}

run_tests x86-64
if reason=$(kernel_runs_i386); then
  echo "i686 tests run $(i686_runs_how)"
  run_tests i686
else
  skipped="i686 tests not run: $reason; the i686 images were built and checked without running them"
  skipped+=" (--emulate-i686 runs them through a CPU emulator)"
  echo "$skipped"
fi

echo
[ -n "$skipped" ] && echo "$skipped"
echo "tests ran for: ${ran[*]}"
if [[ " ${ran[*]} " == *" i686 "* ]]; then
  echo "i686 ran $(i686_runs_how)"
fi
