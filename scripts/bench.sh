#!/usr/bin/env bash
# Builds the benchmark, writes the folders it scans into its own Wine prefix
# and runs it there; the Markdown report ends up in BUILD/bench-results.md.
#   bash scripts/bench.sh           system directory, 1,000, 10,000 and 50,000 entries
#   bash scripts/bench.sh --quick   without the 50,000-entry folder
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_BENCH_BUILD_DIR:-$root/build-bench}
wine_dir=$build/bench-wine
quick=0
[ "${1:-}" = --quick ] && quick=1

bash "$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$build" -G "Unix Makefiles" >/dev/null
make -C "$build" -j"$(nproc)" --no-print-directory libinfo_bench bench_fixtures >/dev/null
bench=$build/bin/libinfo_bench.exe

"$root/scripts/wine-env.sh" up "$wine_dir"
trap '"$root/scripts/wine-env.sh" down "$wine_dir"' EXIT

counts="1000 10000"
[ $quick = 1 ] || counts="$counts 50000"
drive_c=$wine_dir/prefix/drive_c
echo "bench: writing the folders under $drive_c/bench (once)"
python3 "$root/bench/make_bench_dirs.py" "$drive_c/bench" "$build/bin/fixtures" \
  "$drive_c/windows/system32" $counts

# The first full read of the system directory in a fresh prefix makes the
# next process stall; one short pass and a fresh wineserver get that over with.
"$root/scripts/wine-run.sh" "$wine_dir" "$bench" --dir warm-up 'C:\windows\system32' 1 \
  >/dev/null 2>&1 || true
"$root/scripts/wine-env.sh" down "$wine_dir"
"$root/scripts/wine-env.sh" up "$wine_dir"

args=(--dir system 'C:\windows\system32' 5 --dir 1000 'C:\bench\n1000' 5
  --dir 10000 'C:\bench\n10000' 5)
[ $quick = 1 ] || args+=(--dir 50000 'C:\bench\n50000' 3)
args+=(--refresh 'C:\bench\r10000' 3)

results=$build/bench-results.md
{
  echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)," \
    "$(wine --version), Xvfb 1024x768x24"
  echo
} >"$results"
echo "bench: running (samples below, report at the end)"
"$root/scripts/wine-run.sh" "$wine_dir" "$bench" "${args[@]}" >>"$results"
cat "$results"
echo "bench: report saved in $results"
