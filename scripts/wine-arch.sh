# Sourced by the Wine scripts: picks the Wine of one architecture.
#   wine_select ARCH    ARCH is i686 or x86-64
# Sets and exports WINEARCH, WINELOADER and WINESERVER, and WINE, the loader
# to call. The /usr/bin/wine wrapper always picks the 32-bit loader when it is
# installed, so both loaders are called directly.
wine_select() {
  case $1 in
    i686)
      export WINEARCH=win32 WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
    x86-64)
      export WINEARCH=win64 WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    *)
      echo "unknown architecture '$1' (expected i686 or x86-64)" >&2
      return 2 ;;
  esac
  export WINELOADER=$WINE
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
