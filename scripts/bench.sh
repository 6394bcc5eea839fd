#!/usr/bin/env bash
# Builds the benchmark, writes the folders it scans into its own Wine prefix
# and runs it there, once for each architecture this kernel can run (x86-64
# always, i686 where the kernel runs 32-bit programs); the Markdown report,
# one set of tables per architecture, ends up in BUILD/bench-results.md.
#   bash scripts/bench.sh           system directory, 1,000, 10,000 and 50,000 entries:
#                                   the window's scan against the one-thread bare loop
#                                   and the bare loop with as many threads as the scan
#                                   has readers, 11 rounds each; then the scan with 1,
#                                   2 and 4 readers against the one-thread loop on the
#                                   system directory and the 1,000 and 10,000 folders
#                                   (about 70 minutes per architecture)
#   bash scripts/bench.sh --quick   without the 50,000-entry folder, and the reader
#                                   counts without the 10,000 folder
#   --arch i686|x86-64              only that architecture
#   bash scripts/bench.sh --decompose   only where scan / same-threads bare goes, on the
#                                   system directory and the 1,000 and 10,000 folders,
#                                   once as the machine is and once with its other core
#                                   kept busy, then the one-thread loop quarter by
#                                   quarter of the rows (about 15 minutes per architecture)
# Where i686 runs through a CPU emulator (scripts/emulate-i686.sh), its
# report says so: its times are the emulator's, not a processor's.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-arch.sh"
build_root=${LIBINFO_BENCH_BUILD_DIR:-$root/build-bench}
quick=0 decompose=0 only=""
while [ $# -gt 0 ]; do
  case $1:${2:-} in
    --quick:*) quick=1 ;;
    --decompose:*) decompose=1 quick=1 ;;
    --arch:i686|--arch:x86-64) only=$2; shift ;;
    *) echo "usage: bash scripts/bench.sh [--quick|--decompose] [--arch i686|x86-64]" >&2; exit 2 ;;
  esac
  shift
done

fail() {
  echo "bench.sh: $*" >&2
  exit 1
}

bash "$root/scripts/bootstrap.sh" || fail "installing the packages failed"
runnable_arches
[ -n "$I686_REASON" ] && echo "bench.sh: i686 not measured: $I686_REASON"
if [ -n "$only" ]; then
  [[ " ${ARCHES[*]} " == *" $only "* ]] || fail "$only cannot run here: $I686_REASON"
  ARCHES=("$only")
fi

counts="1000 10000"
[ $quick = 1 ] || counts="$counts 50000"
results=$build_root/bench-results.md
[ $decompose = 1 ] && results=$build_root/bench-decomposition.md
mkdir -p "$build_root"
echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)," \
  "$(/usr/lib/wine/wine64 --version), Xvfb 2048x1536x24" >"$results"
[ -n "$I686_REASON" ] && echo "i686 not measured: $I686_REASON" >>"$results"

bench_arch() {
  local arch=$1 build=$build_root/$1 wine_dir=$build_root/$1/bench-wine
  cmake -S "$root" -B "$build" -G "Unix Makefiles" -DLIBINFO_ARCH=$arch >/dev/null \
    || fail "configuring the $arch build failed"
  make -C "$build" -j"$(nproc)" --no-print-directory libinfo_bench bench_fixtures >/dev/null \
    || fail "the $arch build failed"
  local bench=$build/bin/libinfo_bench.exe
  "$root/scripts/wine-env.sh" up "$wine_dir" $arch || fail "Wine ($arch) could not be brought up"
  trap '"$root/scripts/wine-env.sh" down "$wine_dir" $arch' EXIT

  local drive_c=$wine_dir/prefix/drive_c
  echo "bench: writing the folders under $drive_c/bench (once)"
  python3 "$root/bench/make_bench_dirs.py" "$drive_c/bench" "$build/bin/fixtures" \
    "$drive_c/windows/system32" $counts || fail "writing the benchmark folders failed"

  # The first full read of the system directory in a fresh prefix makes the
  # next process stall; one short pass and a fresh wineserver get that over with.
  "$root/scripts/wine-run.sh" "$wine_dir" $arch "$bench" --dir warm-up 'C:\windows\system32' 1 \
    >/dev/null 2>&1 || true
  "$root/scripts/wine-env.sh" down "$wine_dir" $arch
  "$root/scripts/wine-env.sh" up "$wine_dir" $arch || fail "Wine ($arch) could not be brought up"

  local samples=$build_root/bench-samples-$arch.log
  if [ $decompose = 1 ]; then
    samples=$build_root/bench-decomposition-$arch.log
    : >"$samples"
    printf '\n### %s: where scan / same-threads bare goes\n\n' "$arch" >>"$results"
    local busy
    for busy in "" --busy-core; do
      "$root/scripts/wine-run.sh" "$wine_dir" $arch "$bench" --decompose 'C:\windows\system32' 21 \
        --decompose 'C:\bench\n1000' 21 --decompose 'C:\bench\n10000' 5 $busy \
        >>"$results" 2> >(tee -a "$samples" >&2) || fail "the $arch decomposition failed"
    done
    "$root/scripts/wine-run.sh" "$wine_dir" $arch "$bench" --course 'C:\windows\system32' 21 \
      --course 'C:\bench\n1000' 21 >>"$results" 2> >(tee -a "$samples" >&2) \
      || fail "the $arch course of the reading failed"
    "$root/scripts/wine-env.sh" down "$wine_dir" $arch
    trap - EXIT
    return
  fi

  # The third number of each folder is the count of alternating rounds.
  local args=(--dir system 'C:\windows\system32' 11 --dir 1000 'C:\bench\n1000' 11
    --dir 10000 'C:\bench\n10000' 11)
  [ $quick = 1 ] || args+=(--dir 50000 'C:\bench\n50000' 11)
  args+=(--readers system 'C:\windows\system32' 11 --readers 1000 'C:\bench\n1000' 11)
  [ $quick = 1 ] || args+=(--readers 10000 'C:\bench\n10000' 11)
  args+=(--refresh 'C:\bench\r10000' 11 --tree-check 'C:\windows\system32' 7
    --copy-rows 50000 5)

  printf '\n### %s\n\n' "$arch" >>"$results"
  [ $arch = i686 ] && echo "i686 runs $(i686_runs_how)." >>"$results"
  # Every sample, kept beside the report for the questions it raises later.
  echo "bench: running $arch (samples below and in $samples, report at the end)"
  "$root/scripts/wine-run.sh" "$wine_dir" $arch "$bench" "${args[@]}" >>"$results" \
    2> >(tee "$samples" >&2) || fail "the $arch benchmark failed"
  "$root/scripts/wine-env.sh" down "$wine_dir" $arch
  trap - EXIT
}

for arch in "${ARCHES[@]}"; do bench_arch $arch; done
cat "$results"
echo "bench: report saved in $results"
