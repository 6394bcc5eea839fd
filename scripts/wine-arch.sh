# Sourced by the Wine scripts: picks the Wine of one architecture.
#   wine_select ARCH    ARCH is i686 or x86-64
# Sets and exports WINEARCH, WINELOADER and WINESERVER, and WINE, the loader
# to call. The /usr/bin/wine wrapper always picks the 32-bit loader when it is
# installed, so both loaders are called directly. Where i386 programs run
# through an emulator, the 64-bit server serves the 32-bit programs (an
# emulated server is refused access to other processes' memory), and
# LIBINFO_CPU_EMULATOR names the emulator for the tests to read.
# Every Wine process gets the C.UTF-8 locale, whatever the caller's: Wine
# turns Windows file names into Unix ones through the locale's character
# set, and in the POSIX locale (a clean environment, no LANG) a name outside
# ASCII cannot be created at all. LC_ALL, because it overrides every other
# locale variable the caller may have set.
wine_select() {
  unset LIBINFO_CPU_EMULATOR
  export LC_ALL=C.UTF-8
  case $1 in
    i686)
      export WINEARCH=win32 WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32
      local emulator
      emulator=$(i386_emulator)
      if [ -n "$emulator" ]; then
        export WINESERVER=/usr/lib/wine/wineserver64 LIBINFO_CPU_EMULATOR=$emulator
      fi ;;
    x86-64)
      export WINEARCH=win64 WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    *)
      echo "unknown architecture '$1' (expected i686 or x86-64)" >&2
      return 2 ;;
  esac
  export WINELOADER=$WINE
}

# The emulator binfmt_misc hands i386 programs to, if one is registered and
# enabled (scripts/emulate-i686.sh registers one); prints nothing otherwise.
i386_emulator() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    # 32-bit little-endian ELF (7f 'E' 'L' 'F' 01 01) for machine i386 (03 00).
    grep -qx enabled "$entry" 2>/dev/null \
      && grep -q '^magic 7f454c460101.*0300$' "$entry" 2>/dev/null \
      && sed -n 's/^interpreter //p' "$entry" && return 0
  done
  return 0
}

# How i686 programs run here, for the scripts to say: natively or through
# the emulator.
i686_runs_how() {
  local emulator
  emulator=$(i386_emulator)
  if [ -n "$emulator" ]; then
    echo "under CPU emulation ($emulator through binfmt_misc): fit to test, not to time"
  else
    echo "natively"
  fi
}

# Whether this kernel runs 32-bit (i386) programs. Runs a tiny i386 program,
# the 32-bit dynamic loader, under a time limit; anything but its normal
# answer means no. Prints the reason on failure. A shell falls back to reading
# a file it cannot execute as a script, so the program's answer is checked,
# not only its exit status.
kernel_runs_i386() {
  local loader=/lib/ld-linux.so.2 answer
  if [ ! -e "$loader" ]; then
    echo "no 32-bit loader is installed ($loader)"
    return 1
  fi
  answer=$(timeout 10 "$loader" --version 2>&1 </dev/null | head -n 1) || true
  case $answer in
    ld.so*) return 0 ;;
  esac
  if dmesg 2>/dev/null | grep -q '32-bit emulation disabled'; then
    echo "this kernel does not run 32-bit programs (ia32 emulation is off)"
  else
    echo "this kernel does not run 32-bit programs (an i386 program failed to start)"
  fi
  return 1
}

# The architectures whose programs this kernel runs, into the array ARCHES
# (x86-64 always, i686 first where the kernel runs 32-bit programs); where
# i686 cannot run, I686_REASON says why.
runnable_arches() {
  I686_REASON=""
  if I686_REASON=$(kernel_runs_i386); then
    ARCHES=(i686 x86-64)
  else
    ARCHES=(x86-64)
  fi
}
