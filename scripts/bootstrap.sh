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
install_needed() { apt-get install -y -qq --no-install-recommends "$@" "${need[@]}" >/dev/null; }
give_up() {
  echo "bootstrap: installing ${need[*]} failed" >&2
  exit 1
}

# A mirror caught mid-sync can serve one suite's index for one architecture
# stale while the rest is fresh. The amd64 packages then come at that suite's
# versions and their i386 twins cannot follow, and apt refuses the install.
# Holding the suites whose index failed below the others keeps both
# architectures at one version; the script says so, and fails if even that
# does not install.
update_log=$(mktemp)
trap 'rm -f "$update_log" "${prefs:-}"' EXIT
if apt-get update -qq 2>"$update_log"; then
  install_needed
  echo "bootstrap: installed ${need[*]}"
  exit 0
fi
cat "$update_log" >&2
if install_needed 2>/dev/null; then
  echo "bootstrap: installed ${need[*]} (the package index did not update completely; see above)"
  exit 0
fi
mapfile -t stale < <(grep -o 'Failed to fetch [^ ]*/dists/[^/ ]*' "$update_log" | sed 's|.*/dists/||' | sort -u)
[ ${#stale[@]} -gt 0 ] || give_up
prefs=$(mktemp)
for suite in "${stale[@]}"; do
  printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$suite" >>"$prefs"
done
echo "bootstrap: the index of ${stale[*]} failed to update; installing with that suite held back" >&2
install_needed -o Dir::Etc::preferences="$prefs" || give_up
echo "bootstrap: installed ${need[*]}, with ${stale[*]} held back"
