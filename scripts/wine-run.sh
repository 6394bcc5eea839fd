#!/usr/bin/env bash
# Runs one Windows program under the Wine of ARCH in the build tree's private
# prefix:
#   wine-run.sh WINE_DIR ARCH PROGRAM [ARGS...]
# Output goes through files because Wine's helper processes inherit the
# standard handles and would keep a pipe open after the program has ended.
set -u
dir=$1 arch=$2; shift 2
. "$(dirname "$0")/wine-arch.sh"
wine_select "$arch" || exit 2
export WINEPREFIX=$dir/prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
log=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX")
"$WINE" "$@" >"$log/out" 2>"$log/err" </dev/null
rc=$?
cat "$log/out"; cat "$log/err" >&2
rm -rf "$log"
exit $rc
