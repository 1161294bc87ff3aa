#!/usr/bin/env bash
# Takes the screenshot of the window on Windows: capspect.exe under Wine on a virtual X
# server (Wine's X11 driver) with the demo devices; presses OK, answers the clipboard
# question with Yes and saves the window's client area as PNG.
#   tools/screenshot-windows.sh [OUTPUT.png]    (default docs/screenshot-windows.png)
# Needs the Windows build (make windows) and the Linux build's window grabber (make build).
set -euo pipefail

# Runs inside the virtual X server (the script calls itself there).
take_screenshot() {
    local exe=$1 grab=$2 output=$3 window dialog
    wine "$exe" --demo 2>/dev/null &
    program=$!
    trap 'kill "$program" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
    window=$(timeout 60 xdotool search --sync --name '^Vidscope$' | head -n 1)
    sleep 1
    # The OK button's middle: it sits at 232, 8 and is 75 x 22.
    xdotool mousemove --sync --window "$window" 269 19 click 1
    dialog=$(timeout 60 xdotool search --sync --name '^Confirm$' | head -n 1)
    # Yes is the question's default button.
    xdotool windowfocus --sync "$dialog" key Return
    while xdotool search --name '^Confirm$' >/dev/null; do
        sleep 0.2
    done
    sleep 1  # let the window repaint where the question was
    "$grab" "$window" "$output"
}

if [ "${1:-}" = "--inside-x-server" ]; then
    take_screenshot "$2" "$3" "$4"
    exit
fi

root=$(cd "$(dirname "$0")/.." && pwd)
exe=$root/build-windows/app/capspect.exe
grab=$root/build/tools/capspect_window_grab
output=$(realpath -m "${1:-$root/docs/screenshot-windows.png}")
for needed in "$exe" "$grab"; do
    [ -x "$needed" ] || { echo "missing $needed: run make windows and make build" >&2; exit 1; }
done
command -v xdotool >/dev/null || { echo "needs xdotool (apt-get install xdotool)" >&2; exit 1; }

prefix=$(mktemp -d /tmp/capspect-screenshot.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
"$root/tools/wine-display-prefix.sh" "$root/build-windows/wineprefix" "$prefix/wine"
export WINEPREFIX=$prefix/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
    xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' \
    "$root/tools/screenshot-windows.sh" --inside-x-server "$exe" "$grab" "$output"
echo "Saved $output"
