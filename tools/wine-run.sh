#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests: headless (the prefix's graphics driver
# is null, see tools/wine-prefix.sh), Wine's own messages off, and the program's stderr
# through a file, so that a wineserver started by this run never holds the caller's pipe
# open (ctest would wait for it to end).
set -uo pipefail
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build-windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
wine "$@" 2>"$errors" </dev/null
status=$?
cat "$errors" >&2
exit $status
