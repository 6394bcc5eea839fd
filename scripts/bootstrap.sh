#!/usr/bin/env bash
# Installs, once and without questions, what the build and the tests need.
# Safe to run again: it only installs packages that are missing.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  rm -f /var/lib/apt/lists/lock 2>/dev/null || true
  fresh_arch=1
fi

# Both cross compilers and both Wines: the x86-64 one runs on every x86-64
# kernel, the i686 one where the kernel runs 32-bit programs (it installs
# everywhere, and the scripts find out whether it can run).
for p in g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686 \
         binutils-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth x11-utils cmake \
         googletest imagemagick clang-format zip fonts-wine; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "bootstrap: installed ${need[*]}"
