#!/usr/bin/env bash
# Builds the plug-in and the stand-in host, then runs the host with the
# plug-in under Wine. With a display (DISPLAY set) the host's window opens
# there and the script ends when it is closed. Without one, the host runs on
# a private Xvfb and opens the library window; a screenshot of that screen is
# saved and its path printed, then everything is shut down.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_BUILD_DIR:-$root/build}
wine_dir=$build/wine
settle_seconds=6  # start-up, the scan of the system directory, drawing

bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G "Unix Makefiles" >/dev/null
make -C "$build" -j"$(nproc)" --no-print-directory libinfo plughost
"$root/scripts/check-imports.sh" "$build/bin/libinfo.pdl"

"$root/scripts/wine-env.sh" up "$wine_dir"
trap '"$root/scripts/wine-env.sh" down "$wine_dir"' EXIT
host=$build/bin/plughost.exe

if [ ! -f "$wine_dir/display" ]; then
  "$root/scripts/wine-run.sh" "$wine_dir" "$host"
  exit
fi

display=$(cat "$wine_dir/display")
"$root/scripts/wine-run.sh" "$wine_dir" "$host" --run 4 &
sleep "$settle_seconds"
shot=$build/screenshot.png
import -window root -display "$display" "$shot"
# Only the windows, not the empty screen around them.
convert "$shot" -trim +repage "$shot"
echo "screenshot: $shot"
# Ending the prefix's wineserver ends the host and the window with it.
"$root/scripts/wine-env.sh" down "$wine_dir"
wait || true
