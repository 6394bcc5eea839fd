#!/usr/bin/env bash
# Lets a kernel that does not run 32-bit programs run them through a CPU
# emulator: installs qemu's user-mode i386 emulator and registers it with
# binfmt_misc, so that the kernel hands every i386 program to it. Until the
# next reboot, every script here then runs the i686 build too, and says that it
# runs under emulation. Nothing is done where the kernel runs them itself.
#   bash scripts/emulate-i686.sh
# Needs root, a binfmt_misc the machine may mount, and qemu 8 or newer: with
# older emulators each Wine process spends about a minute of CPU reserving
# its address space (measured with 7.2), so a prefix never comes up in time.
# The release's backports carry it; they are taken from the mirror the
# machine's package sources already name for the release. Any failure ends
# with one line on what failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-arch.sh"
. "$root/scripts/backports-source.sh"
binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/bin/qemu-i386-static
own_source=/etc/apt/sources.list.d/libinfo-backports
min_major=8

fail() {
  echo "emulate-i686.sh: $*" >&2
  exit 1
}

if [ -z "$(i386_emulator)" ] && kernel_runs_i386 >/dev/null; then
  echo "emulate-i686.sh: this kernel runs 32-bit programs itself; nothing to do"
  exit 0
fi

emulator_major() {
  "$emulator" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p'
}

# A release's backports carry a newer qemu than the release itself. A
# backports entry the machine already has is used as it is; otherwise one is
# written from the release's own entry.
install_emulator() {
  local codename derived kind
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || fail "cannot tell the Debian release (/etc/os-release)"
  export DEBIAN_FRONTEND=noninteractive
  rm -f "$own_source".list "$own_source".sources
  if ! apt-get indextargets --no-release-info --format '$(RELEASE) $(COMPONENT) $(TARGET_OF)' \
      | grep -qx "$codename-backports main deb"; then
    derived=$(derived_backports "$codename")
    [ -n "$derived" ] || fail "no package source of this machine serves $codename main," \
      "so there is no mirror to take $codename-backports from"
    kind=$(head -n 1 <<<"$derived")
    tail -n +2 <<<"$derived" >"$own_source.$kind"
  fi
  # Another install on the machine may hold the package lock for a while. A
  # source that fails to update need not be the backports; the install says.
  apt-get update -qq -o DPkg::Lock::Timeout=600 \
    || echo "emulate-i686.sh: apt-get update reported errors; installing anyway" >&2
  apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 \
    -t "$codename-backports" qemu-user-static >/dev/null \
    || fail "installing qemu-user-static from $codename-backports failed"
  [ "$(emulator_major)" -ge $min_major ] 2>/dev/null \
    || fail "no qemu-user-static of version $min_major or newer could be installed" \
      "(found: $("$emulator" --version 2>/dev/null | head -n 1))"
}

[ "$(emulator_major)" -ge $min_major ] 2>/dev/null || install_emulator

if [ ! -w "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null \
    || fail "cannot mount binfmt_misc on $binfmt (root is needed)"
fi
# Registered anew each time: the kernel keeps the emulator it opened when the
# entry was made (flag F), so an upgraded emulator needs a new entry.
[ -e "$binfmt/qemu-i386" ] && echo -1 >"$binfmt/qemu-i386"
# 32-bit little-endian ELF, executable or shared object, machine i386; flag P
# keeps each program's own argv[0], which Wine's loader relies on.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$emulator:FP" >"$binfmt/register" \
  || fail "binfmt_misc refused the qemu-i386 entry"

kernel_runs_i386 >/dev/null || fail "i386 programs still do not start through $emulator"
echo "emulate-i686.sh: i386 programs now run through $emulator" \
  "($("$emulator" --version | head -n 1)) until the next reboot"
