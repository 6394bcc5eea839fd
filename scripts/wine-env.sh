#!/usr/bin/env bash
# Brings up (or down) what the Windows programs of one architecture need:
#   wine-env.sh up|down WINE_DIR ARCH
# up: an Xvfb display when none is present, a private prefix of the
# architecture (created once), and a persistent wineserver so each program
# starts fast. Every step is bounded in time and a failure says what failed.
set -u
action=$1 dir=$2 arch=$3
. "$(dirname "$0")/wine-arch.sh"
wine_select "$arch" || exit 2
export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
mkdir -p "$dir"

fail() {
  echo "wine-env ($arch): $*" >&2
  [ "$action" = up ] && stop_display
  exit 1
}

stop_display() {
  if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null; fi
  rm -f "$dir/display" "$dir/xvfb.pid"
}

start_display() {
  # Brought up twice, the directory keeps its display instead of leaving
  # the first one running with nobody to take it down.
  if [ -f "$dir/display" ] && [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null
  then
    return 0
  fi
  stop_display
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 2048x1536x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && { echo ":$n" >"$dir/display"; return 0; }
      sleep 0.1
    done
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
  done
  fail "could not start Xvfb (see $dir/xvfb.log)"
}

# Wine's own reason when it cannot start at all, in one line.
wine_reason() {
  grep -v '^\s*$' "$1" 2>/dev/null | tail -n 1
}

make_prefix() {
  [ -f "$WINEPREFIX/.libinfo-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  timeout 300 "$WINE" wineboot -i >"$dir/wineboot.log" 2>&1 \
    || fail "Wine ($WINE) could not create the prefix $WINEPREFIX: $(wine_reason "$dir/wineboot.log")"
  # No window manager under Xvfb: unmanaged windows avoid a stall on every hide.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$dir/wineboot.log" 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$dir/wineboot.log" 2>&1
  # Wine's own fonts (MS Sans Serif, the caption-button symbols) are not
  # picked up from the system's copy here; give the prefix its own.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  timeout 120 "$WINESERVER" -w
  touch "$WINEPREFIX/.libinfo-ready"
}

case $action in
  up)
    start_display
    [ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
    make_prefix
    # Fails harmlessly when the prefix's server already runs; the next
    # program is the real check that Wine works.
    "$WINESERVER" -p >"$dir/wineserver.log" 2>&1
    # Start the prefix's own services now, with output to files, not to a test's pipe.
    timeout 120 "$WINE" cmd /c exit >"$dir/warmup.log" 2>&1 </dev/null \
      || fail "Wine ($WINE) could not run a program: $(wine_reason "$dir/warmup.log")"
    ;;
  down)
    "$WINESERVER" -k >/dev/null 2>&1
    stop_display
    ;;
  *) echo "usage: wine-env.sh up|down WINE_DIR ARCH" >&2; exit 2 ;;
esac
exit 0
