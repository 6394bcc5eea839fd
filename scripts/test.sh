#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_BUILD_DIR:-$root/build}
bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G "Unix Makefiles" >/dev/null
make -C "$build" -j"$(nproc)" --no-print-directory
cd "$build"
ctest --output-on-failure --timeout 900
