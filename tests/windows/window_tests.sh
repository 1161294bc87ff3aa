#!/bin/bash
# Runs the window tests under Wine on an Xvfb display, in a copy of the test prefix with
# Wine's X11 driver (tools/wine-display-prefix.sh): OK renders with Wine's VMR-9, which
# connects only with a Direct3D device. Nothing shows outside the virtual display.
# Usage: window_tests.sh WINDOW_TESTS_EXE WINEPREFIX [GTEST_OPTIONS...]
# Prints SKIP and succeeds where Wine or xvfb-run is missing.
set -uo pipefail

exe=$(realpath "$1")
prefix=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v wine >/dev/null || ! command -v xvfb-run >/dev/null; then
    echo "SKIP: Wine or xvfb-run is missing"
    exit 0
fi
work=$(mktemp -d /tmp/capspect-window-tests.XXXXXX)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
"$here/../../tools/wine-display-prefix.sh" "$prefix" "$work/prefix" || exit 1
export WINEPREFIX=$work/prefix
xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' \
    "$here/../../tools/wine-run.sh" "$exe" --gtest_brief=1 "${@:3}"
