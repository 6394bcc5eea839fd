#!/usr/bin/env bash
# Builds the release archives libinfo-VERSION-win32.zip (the plug-in for
# 32-bit hosts) and libinfo-VERSION-win64.zip (for 64-bit hosts), each with
# its libinfo.pdl and plughost.exe, README.md, LICENSE and the pages of docs/
# the README links to, from clean Release builds of the committed tree (HEAD,
# or the commit given), so edits in progress stay out:
#   bash scripts/release.sh [COMMIT]
# The archives land in the build directory (LIBINFO_RELEASE_BUILD_DIR, by
# default build-release) and their paths are printed. The same sources give
# the same bytes: the images carry no link time and no build paths, the
# archives fixed file times (SOURCE_DATE_EPOCH, by default the last commit's
# time), modes and order.
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

package() {
  local arch=$1 name=$2 out=$build/$1
  local paths="-ffile-prefix-map=$src=. -ffile-prefix-map=$out=build"
  local link="-static -s -Wl,--no-insert-timestamp"
  cmake -S "$src" -B "$out" -G "Unix Makefiles" -DLIBINFO_ARCH=$arch -DCMAKE_BUILD_TYPE=Release \
    -DLIBINFO_TESTS=OFF -DCMAKE_C_FLAGS="$paths" -DCMAKE_CXX_FLAGS="$paths" \
    -DCMAKE_EXE_LINKER_FLAGS="$link" -DCMAKE_SHARED_LINKER_FLAGS="$link" >/dev/null
  make -C "$out" -j"$(nproc)" --no-print-directory libinfo plughost >/dev/null
  "$src/scripts/check-image.sh" $arch "$out/bin/libinfo.pdl" >/dev/null

  local stage=$out/stage
  rm -rf "$stage"
  mkdir -p "$stage/docs"
  cp "$out/bin/libinfo.pdl" "$out/bin/plughost.exe" "$src/README.md" "$src/LICENSE" "$stage/"
  # The README links to these pages and shows the screenshot.
  cp "$src"/docs/*.md "$src"/docs/*.png "$stage/docs/"
  find "$stage" -type f -exec chmod 644 {} +
  TZ=UTC find "$stage" -exec touch -d "@$epoch" {} +
  local archive=$build/libinfo-$version-$name.zip
  rm -f "$archive"
  (cd "$stage" && LC_ALL=C find . -type f | sed 's|^\./||' | LC_ALL=C sort \
    | TZ=UTC zip -X -D -q -@ "$archive")
  echo "$archive"
}

package i686 win32
package x86-64 win64
