#!/usr/bin/env bash
# Builds the plug-in and shows what was built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_BUILD_DIR:-$root/build}
bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G "Unix Makefiles" >/dev/null
make -C "$build" -j"$(nproc)" --no-print-directory libinfo
file "$build/bin/libinfo.pdl" 2>/dev/null || true
"$root/scripts/check-imports.sh" "$build/bin/libinfo.pdl"
