#!/usr/bin/env bash
# Soak of the version reader: malformed resources of every kind the tests
# know and random mutations of real resources from the system directory,
# each read against guard pages on both sides of the copy, for every
# architecture this kernel runs:
#   bash scripts/soak.sh [COUNT] [SEED]     10,000 shapes and a new seed by default
# Prints the counts per kind (listed, refused, faulted). A fault prints the
# seed and the shape that replays it, and fails the run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-arch.sh"
build_root=${LIBINFO_BUILD_DIR:-$root/build}
count=${1:-10000}
seed=${2:-$(( $(date +%s%N) % 4294967296 ))}

fail() {
  echo "soak.sh: $*" >&2
  exit 1
}

bash "$root/scripts/bootstrap.sh" || fail "installing the packages failed"
runnable_arches
[ -n "$I686_REASON" ] && echo "soak.sh: i686 not soaked: $I686_REASON"

status=0
for arch in "${ARCHES[@]}"; do
  build=$build_root/$arch
  cmake -S "$root" -B "$build" -G "Unix Makefiles" -DLIBINFO_ARCH=$arch >/dev/null \
    || fail "configuring the $arch build failed"
  make -C "$build" -j"$(nproc)" --no-print-directory robustness_tests >/dev/null \
    || fail "the $arch build failed"
  "$root/scripts/wine-env.sh" up "$build/wine" $arch || fail "Wine ($arch) could not be brought up"
  echo "soak.sh: $arch, $count shapes, seed $seed"
  (cd "$build/bin" && "$root/scripts/wine-run.sh" "$build/wine" $arch robustness_tests.exe \
    --soak "$count" "$seed")
  rc=$?
  "$root/scripts/wine-env.sh" down "$build/wine" $arch
  if [ $rc != 0 ]; then
    echo "soak.sh: $arch FAILED (exit $rc); replay with: bash scripts/soak.sh $count $seed" >&2
    status=1
  fi
done
exit $status
