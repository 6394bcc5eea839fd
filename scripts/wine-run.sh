#!/usr/bin/env bash
# Runs one Windows program under Wine in the build tree's private prefix:
#   wine-run.sh WINE_DIR PROGRAM [ARGS...]
# Output goes through files because Wine's helper processes inherit the
# standard handles and would keep a pipe open after the program has ended.
set -u
dir=$1; shift
export WINEPREFIX=$dir/prefix WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win32
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
log=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX")
wine "$@" >"$log/out" 2>"$log/err" </dev/null
rc=$?
cat "$log/out"; cat "$log/err" >&2
rm -rf "$log"
exit $rc
