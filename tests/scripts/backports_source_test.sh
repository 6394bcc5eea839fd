#!/usr/bin/env bash
# The backports entry scripts/emulate-i686.sh writes, derived from package
# sources of the shapes a machine may have: the mirror, the options and the
# key of the entry that serves the release's main, and nothing from entries
# that do not (disabled, source-only, other suites, commented out).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/backports-source.sh"
apt=$(mktemp -d)
trap 'rm -rf "$apt"' EXIT
failed=0

# check NAME EXPECTED: derives from the sources written into $apt and compares.
check() {
  local got
  got=$(derived_backports bookworm "$apt")
  if [ "$got" != "$2" ]; then
    echo "backports_source_test: $1: expected" >&2
    echo "${2:-(nothing)}" >&2
    echo "but got" >&2
    echo "${got:-(nothing)}" >&2
    failed=1
  fi
  rm -rf "${apt:?}"/*
  mkdir -p "$apt/sources.list.d"
}
mkdir -p "$apt/sources.list.d"

cat >"$apt/sources.list.d/debian.sources" <<'SOURCES'
# The release's own mirror, switched off.
Types: deb
URIs: file:/srv/off/debian
Suites: bookworm
Components: main
Enabled: no

Types: deb deb-src
# Two mirrors and a key of its own, written out in the entry.
URIs: file:/srv/a/debian file:/srv/b/debian
Suites: bookworm-updates bookworm
Components: contrib main
Architectures: amd64 i386
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGR
 -----END PGP PUBLIC KEY BLOCK-----
SOURCES
check "a deb822 entry after a disabled one" "sources
Types: deb
URIs: file:/srv/a/debian file:/srv/b/debian
Architectures: amd64 i386
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGR
 -----END PGP PUBLIC KEY BLOCK-----
Suites: bookworm-backports
Components: main"

cat >"$apt/sources.list.d/security.sources" <<'SOURCES'
Types: deb
URIs: file:/srv/security/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
cat >"$apt/sources.list" <<'LIST'
# deb file:/srv/commented/debian bookworm main
deb-src file:/srv/sources-only/debian bookworm main
deb file:/srv/contrib-only/debian bookworm contrib
deb [ signed-by=/usr/share/keyrings/own.gpg arch=amd64 ] file:/srv/c/debian bookworm contrib main # c
LIST
check "a one-line entry with options, after entries that do not serve main" "list
deb [ signed-by=/usr/share/keyrings/own.gpg arch=amd64 ] file:/srv/c/debian bookworm-backports main"

cat >"$apt/sources.list.d/other.list" <<'LIST'
deb [signed-by=/k.gpg] file:/srv/d/debian bookworm-updates main
deb file:/srv/e/debian trixie main
LIST
check "no entry serves the release's main" ""

[ $failed = 0 ] || exit 1
echo "backports_source_test: every shape derived as expected"
