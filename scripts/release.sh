#!/usr/bin/env bash
# Builds the release archive libinfo-VERSION-win32.zip (the plug-in, the
# stand-in host, README.md and LICENSE) from a clean Release build of the
# committed tree (HEAD, or the commit given), so edits in progress stay out:
#   bash scripts/release.sh [COMMIT]
# The archive lands in the build directory (LIBINFO_RELEASE_BUILD_DIR, by
# default build-release) and its path is printed. The same sources give the
# same bytes: the images carry no link time and no build paths, the archive
# fixed file times (SOURCE_DATE_EPOCH, by default the last commit's time),
# modes and order.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIBINFO_RELEASE_BUILD_DIR:-$root/build-release}
case $build in /*) ;; *) build=$PWD/$build ;; esac

commit=${1:-HEAD}

bash "$root/scripts/bootstrap.sh"
rm -rf "$build"
src=$build/src
mkdir -p "$src"
git -C "$root" archive "$commit" | tar -x -C "$src"
version=$(sed -n 's/^project(libinfo VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct "$commit")}

paths="-ffile-prefix-map=$src=. -ffile-prefix-map=$build=build"
link="-static -s -Wl,--no-insert-timestamp"
cmake -S "$src" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLIBINFO_TESTS=OFF \
  -DCMAKE_C_FLAGS="$paths" -DCMAKE_CXX_FLAGS="$paths" \
  -DCMAKE_EXE_LINKER_FLAGS="$link" -DCMAKE_SHARED_LINKER_FLAGS="$link" >/dev/null
make -C "$build" -j"$(nproc)" --no-print-directory libinfo plughost >/dev/null
"$src/scripts/check-imports.sh" "$build/bin/libinfo.pdl" >/dev/null

stage=$build/stage
mkdir -p "$stage"
cp "$build/bin/libinfo.pdl" "$build/bin/plughost.exe" "$src/README.md" "$src/LICENSE" "$stage/"
chmod 644 "$stage"/*
TZ=UTC touch -d "@$epoch" "$stage"/*
archive=$build/libinfo-$version-win32.zip
rm -f "$archive"
(cd "$stage" && LC_ALL=C ls | LC_ALL=C sort | TZ=UTC zip -X -D -q -@ "$archive")
echo "$archive"
