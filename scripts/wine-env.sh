#!/usr/bin/env bash
# Brings up (or down) what the Windows programs need for one run:
#   wine-env.sh up|down WINE_DIR
# up: an Xvfb display when none is present, a private 32-bit prefix (created
# once), and a persistent wineserver so each program starts fast.
set -u
action=$1 dir=$2
export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES=mscoree,mshtml=
mkdir -p "$dir"

start_display() {
  rm -f "$dir/display" "$dir/xvfb.pid"
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && { echo ":$n" >"$dir/display"; return 0; }
      sleep 0.1
    done
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

make_prefix() {
  [ -f "$WINEPREFIX/.libinfo-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  wineboot -i >"$dir/wineboot.log" 2>&1
  # No window manager under Xvfb: unmanaged windows avoid a stall on every hide.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$dir/wineboot.log" 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$dir/wineboot.log" 2>&1
  # Wine's own fonts (MS Sans Serif, the caption-button symbols) are not
  # picked up from the system's copy here; give the prefix its own.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.libinfo-ready"
}

case $action in
  up)
    start_display || exit 1
    [ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
    make_prefix
    wineserver -p >"$dir/wineserver.log" 2>&1
    # Start the prefix's own services now, with output to files, not to a test's pipe.
    wine cmd /c exit >"$dir/warmup.log" 2>&1 </dev/null
    ;;
  down)
    wineserver -k >/dev/null 2>&1
    if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null; fi
    rm -f "$dir/display" "$dir/xvfb.pid"
    ;;
  *) echo "usage: wine-env.sh up|down WINE_DIR" >&2; exit 2 ;;
esac
exit 0
