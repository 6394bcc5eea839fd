#!/usr/bin/env bash
# scripts/run.sh asks whether the kernel runs 32-bit programs only after the
# install: on a machine where the 32-bit loader comes with the install, the
# first run already picks i686. Runs a copy of run.sh beside stand-ins: the
# install puts a marker in place, the kernel probe answers yes only once the
# marker is there, and cmake fails, which ends the run before any build.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

mkdir -p "$work/scripts" "$work/bin"
cp "$root/scripts/run.sh" "$work/scripts/run.sh"
cat >"$work/scripts/bootstrap.sh" <<'STUB'
touch "$(dirname "$0")/../installed"
STUB
cat >"$work/scripts/wine-arch.sh" <<'STUB'
kernel_runs_i386() {
  [ -e "$root/installed" ] && return 0
  echo "no 32-bit loader is installed (stand-in)"
  return 1
}
STUB
printf '#!/bin/sh\nexit 1\n' >"$work/bin/cmake"
chmod +x "$work/bin/cmake"

# check NAME EXPECTED_STATUS EXPECTED_LINE ARGS...: runs the copy on a fresh
# machine (no marker) and looks for the line in what it printed.
check() {
  local name=$1 want_status=$2 want_line=$3 out status
  shift 3
  rm -f "$work/installed"
  out=$(PATH="$work/bin:$PATH" LIBINFO_BUILD_DIR="$work/build" \
    bash "$work/scripts/run.sh" "$@" 2>&1)
  status=$?
  if [ $status != "$want_status" ] || ! grep -qxF -- "$want_line" <<<"$out"; then
    echo "run_arch_order_test: $name: expected status $want_status and the line" >&2
    echo "$want_line" >&2
    echo "but got status $status and" >&2
    echo "$out" >&2
    failed=1
  fi
}
check "no --arch" 1 "run.sh: architecture i686"
check "--arch i686" 1 "run.sh: architecture i686" --arch i686
check "--arch x86-64" 1 "run.sh: architecture x86-64" --arch x86-64
check "an unknown architecture" 2 \
  "usage: bash scripts/run.sh [--arch i686|x86-64] [--scale 100|125|150|200]" --arch arm
if [ -e "$work/installed" ]; then
  echo "run_arch_order_test: an unknown architecture: the install ran before the usage error" >&2
  failed=1
fi

[ $failed = 0 ] || exit 1
echo "run_arch_order_test: the architecture is decided after the install"
