#!/usr/bin/env bash
# Installs what is missing (scripts/bootstrap.sh), builds the plug-in and the
# stand-in host of one architecture, then runs the host with the plug-in under
# the Wine of that architecture:
#   bash scripts/run.sh [--arch i686|x86-64] [--scale 100|125|150|200]
# Without --arch: i686 where the kernel runs 32-bit programs, x86-64
# otherwise, decided once the install is done. With a display (DISPLAY set)
# the host's window opens there and the script ends when it is closed.
# Without one, the host runs on a private Xvfb and opens the library window;
# once the window shows the scanned list, a screenshot is saved and its path
# printed. --scale sets the screen scale the host and the plug-in run at (the
# prefix goes back to 100 % afterwards).
# Any failure exits non-zero and says what failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-arch.sh"
window_seconds=90  # start-up and the scan of the system directory

fail() {
  echo "run.sh: $*" >&2
  exit 1
}

usage() {
  echo "usage: bash scripts/run.sh [--arch i686|x86-64] [--scale 100|125|150|200]" >&2
  exit 2
}
arch="" scale=100
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arch=${2:-}; [ -n "$arch" ] || usage; shift 2 ;;
    --scale) scale=${2:-}; shift 2 || usage ;;
    *) usage ;;
  esac
done
case $scale in
  100|125|150|200) dpi=$((96 * scale / 100)) ;;
  *) usage ;;
esac
case $arch in
  i686|x86-64|"") ;;
  *) usage ;;
esac

# Wine and the 32-bit loader come with the packages, so whether this kernel
# runs 32-bit programs is only asked once they are installed: asked before,
# a fresh machine would find no loader and take x86-64 on its first run.
bash "$root/scripts/bootstrap.sh" || fail "installing the packages failed"
if [ -z "$arch" ]; then
  if reason=$(kernel_runs_i386); then
    arch=i686
  else
    arch=x86-64
    echo "run.sh: running the x86-64 plug-in: $reason"
  fi
fi
if [ $arch = i686 ] && ! reason=$(kernel_runs_i386); then
  fail "cannot run the i686 plug-in: $reason (try --arch x86-64)"
fi
echo "run.sh: architecture $arch"

build=${LIBINFO_BUILD_DIR:-$root/build}/$arch
wine_dir=$build/wine
cmake -S "$root" -B "$build" -G "Unix Makefiles" -DLIBINFO_ARCH=$arch >/dev/null \
  || fail "configuring the $arch build failed"
make -C "$build" -j"$(nproc)" --no-print-directory libinfo plughost || fail "the build failed"
"$root/scripts/check-image.sh" $arch "$build/bin/libinfo.pdl" || fail "the plug-in is not usable"

"$root/scripts/wine-env.sh" up "$wine_dir" $arch || fail "Wine ($arch) could not be brought up"
finish() {
  [ $dpi = 96 ] || "$root/scripts/wine-dpi.sh" "$wine_dir" $arch 96 \
    || echo "run.sh: the prefix could not be put back to 100 %" >&2
  "$root/scripts/wine-env.sh" down "$wine_dir" $arch
}
trap finish EXIT
if [ $dpi != 96 ]; then
  "$root/scripts/wine-dpi.sh" "$wine_dir" $arch $dpi || fail "setting the screen to $scale % failed"
  echo "run.sh: screen scale $scale % ($dpi DPI)"
fi
host=$build/bin/plughost.exe

if [ ! -f "$wine_dir/display" ]; then
  "$root/scripts/wine-run.sh" "$wine_dir" $arch "$host" || fail "plughost.exe ended with status $?"
  exit 0
fi

display=$(cat "$wine_dir/display")
log=$build/run.log
"$root/scripts/wine-run.sh" "$wine_dir" $arch "$host" --run 4 >"$log" 2>&1 &
host_pid=$!

# The first scan starts from a message the window posts once it is shown,
# so for a moment the window is up with an empty list and no dialog yet. The
# scan is over once its "Scanning..." dialog has come and gone, or, should
# the dialog have come and gone between two looks, once the list shows rows
# with no dialog over it.
windows() { xwininfo -root -tree -display "$display" 2>/dev/null; }
# Rows are dark text on the list's light background: a share of dark pixels
# in the middle of the list, below its header and above the status bar. An
# empty list has none; a window not yet painted is dark all over.
list_has_rows() {
  local dark
  dark=$(import -window "$1" -display "$display" png:- 2>/dev/null \
    | convert png:- -gravity NorthWest -crop 50%x40%+55+150 +repage -colorspace gray \
      -threshold 50% -format '%[fx:1-mean]' info: 2>/dev/null) || return 1
  awk -v dark="$dark" 'BEGIN { exit !(dark > 0.005 && dark < 0.5) }'
}
appeared=0 dialog_seen=0 scanned=0
deadline=$((SECONDS + window_seconds))
while [ $SECONDS -lt $deadline ]; do
  kill -0 $host_pid 2>/dev/null || break
  tree=$(windows)
  window=$(awk '/"System Library Info"/ { print $1; exit }' <<<"$tree")
  if [ -n "$window" ]; then
    appeared=1
    if grep -q '"Scanning..."' <<<"$tree"; then
      dialog_seen=1
    elif [ $dialog_seen = 1 ] || list_has_rows "$window"; then
      scanned=1
      break
    fi
  fi
  sleep 0.1
done
if [ $scanned = 0 ]; then
  if ! kill -0 $host_pid 2>/dev/null; then
    wait $host_pid
    fail "plughost.exe ended (status $?) before the library window listed the system directory:" \
      "$(tail -n 3 "$log")"
  fi
  [ $appeared = 1 ] || fail "the library window did not appear within $window_seconds s"
  fail "the library window appeared but its first scan did not end within $window_seconds s"
fi
sleep 1  # the list's last paint

shot=$build/screenshot.png
[ $scale = 100 ] || shot=$build/screenshot-$scale.png
rm -f "$shot"
import -window root -display "$display" "$shot" 2>>"$log" || fail "taking the screenshot failed"
# Only the windows, not the empty screen around them; an empty screen has
# nothing to trim to and fails here.
convert "$shot" -trim +repage "$shot" 2>>"$log" || fail "the screenshot shows nothing"
[ -s "$shot" ] || fail "the screenshot $shot is missing or empty"
echo "screenshot: $shot"
