#!/usr/bin/env bash
# Installs what is missing, builds both plug-ins (i686 and x86-64) and runs
# every test under the Wine of each architecture. The x86-64 tests always
# run; the i686 ones natively where the kernel runs 32-bit programs, and
# where it does not, through a CPU emulator this script sets up itself
# (scripts/emulate-i686.sh). Where the emulator cannot be set up, or
# --no-emulate-i686 asks for none, the i686 images are still built and
# checked without running them, and the run passes on the x86-64 tests. The
# last lines name the architectures whose tests ran and how each ran.
#   bash scripts/test.sh [--no-emulate-i686]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_BUILD_DIR:-$root/build}
. "$root/scripts/wine-arch.sh"

fail() {
  echo "test.sh: $*" >&2
  exit 1
}

emulate=1
case "${1:-}" in
  "") ;;
  --no-emulate-i686) emulate="" ;;
  # The default now; still taken from those who asked for it before.
  --emulate-i686) ;;
  *) echo "usage: bash scripts/test.sh [--no-emulate-i686]" >&2; exit 2 ;;
esac

bash "$root/scripts/bootstrap.sh" || fail "installing the build and test packages failed"
not_emulated=""
if [ -n "$emulate" ] && ! kernel_runs_i386 >/dev/null; then
  mkdir -p "$build"
  if ! bash "$root/scripts/emulate-i686.sh" >"$build/emulate-i686.log" 2>&1; then
    # Its last line is the reason; the whole account stays in the log.
    not_emulated="the CPU emulator could not be set up: $(tail -n 1 "$build/emulate-i686.log" \
      | sed 's/^emulate-i686\.sh: //') (see $build/emulate-i686.log)"
    echo "$not_emulated"
  fi
fi
for arch in i686 x86-64; do
  cmake -S "$root" -B "$build/$arch" -G "Unix Makefiles" -DLIBINFO_ARCH=$arch \
    -DLIBINFO_DEBUG_INFO=OFF >/dev/null \
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
  if [ -n "$not_emulated" ]; then
    skipped+="; $not_emulated"
  elif [ -z "$emulate" ]; then
    skipped+=" (without --no-emulate-i686 they run through a CPU emulator)"
  fi
  echo "$skipped"
fi

echo
[ -n "$skipped" ] && echo "$skipped"
echo "tests ran for: ${ran[*]}"
how="x86-64 natively"
if [[ " ${ran[*]} " == *" i686 "* ]]; then
  how+=", i686 $(i686_runs_how)"
fi
echo "how: $how"
