#!/usr/bin/env bash
# Takes the README's screenshot: starts the real window on a virtual X server with the demo
# devices, presses OK, answers the clipboard question with Yes and saves the window as PNG.
#   tools/screenshot.sh [OUTPUT.png]    (default docs/screenshot.png; BUILD_DIR=build)
set -euo pipefail

# Runs inside the virtual X server (the script calls itself there).
take_screenshot() {
    local build=$1 output=$2 window dialog
    "$build/app/capspect" --demo &
    local program=$!
    trap 'kill "$program" 2>/dev/null || true' EXIT
    window=$(xdotool search --sync --name '^Vidscope$' | head -n 1)
    # The OK button's middle: it sits at 232, 8 and is 75 x 22.
    xdotool mousemove --sync --window "$window" 269 19 click 1
    dialog=$(xdotool search --sync --name '^Confirm$' | head -n 1)
    # Yes is the question's default button.
    xdotool windowfocus --sync "$dialog" key Return
    while xdotool search --name '^Confirm$' >/dev/null; do
        sleep 0.2
    done
    sleep 0.5  # let the window repaint where the question was
    "$build/tools/capspect_window_grab" "$window" "$output"
    kill "$program"
    wait "$program" 2>/dev/null || true
    trap - EXIT
}

if [ "${1:-}" = "--inside-x-server" ]; then
    take_screenshot "$2" "$3"
    exit
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
output=$(realpath -m "${1:-$root/docs/screenshot.png}")

# The virtual X server and the input driver are needed here only, not by the build or CI.
missing=()
for package in xvfb xauth xdotool; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target capspect capspect_window_grab


# No QT_QPA_PLATFORM from the caller: the window must go to the virtual X server.
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
    xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' \
    "$root/tools/screenshot.sh" --inside-x-server "$build" "$output"
echo "Saved $output"
