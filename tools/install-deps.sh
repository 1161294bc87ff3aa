#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Quiet and quick when
# everything is already there; needs root (or sudo) only when something is missing.
# `install-deps.sh windows` installs what the Windows build and its tests under Wine need.
set -euo pipefail

windows_packages=(
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools googletest
    nlohmann-json3-dev wine wine64 cmake ninja-build
    # Wine's AVI splitter is GStreamer's avidemux; Wine takes the user locale from the
    # Unix one, so the tests' German run needs it installed.
    gstreamer1.0-plugins-good locales-all
    # The vivid test under Wine: QEMU, and an X display for Wine's VMR-9.
    qemu-system-x86 xvfb xauth
)

linux_packages=(
    build-essential cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libgsf-1-dev linux-libc-dev
    # Optional: the V4L2 device monitor hears of devices through libudev, else it polls.
    libudev-dev
    locales-all
    qt6-base-dev libgl-dev fonts-dejavu-core
    # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
    clang libclang-rt-14-dev
    # The vivid integration test: Debian's kernel in QEMU with the vivid driver.
    linux-image-amd64 qemu-system-x86 busybox-static v4l-utils kmod cpio
)

if [ "${1:-}" = windows ]; then
    packages=("${windows_packages[@]}")
else
    packages=("${linux_packages[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
