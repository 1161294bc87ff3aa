#!/bin/bash
# The window's figures on vivid's webcam input (498 formats) under Xvfb, in one QEMU guest
# with this machine's userland (run-vivid-rootfs.sh): start to the device list shown, and
# OK to the question beside `capspect report` on the same device in the same run
# (bench/window_bench.cpp with CAPSPECT_BENCH_BACKEND=v4l2 on Qt's xcb platform).
#
# Usage: bench/vivid_window_bench.sh [WINDOW_BENCH]   (default: build/bench/window_bench;
#        `make bench` builds it)
# Environment: RUN_VIVID_ROOTFS (default: ../shared/tools/run-vivid-rootfs.sh next to the
# repository), MIN_TIME (Google Benchmark's --benchmark_min_time, default 3 seconds).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
bench=$(realpath "${1:-$repo/build/bench/window_bench}")
run_vivid=${RUN_VIVID_ROOTFS:-$repo/../shared/tools/run-vivid-rootfs.sh}
min_time=${MIN_TIME:-3}

[ -x "$bench" ] || { echo "no program $bench (make bench builds it)" >&2; exit 2; }
[ -x "$run_vivid" ] || { echo "no $run_vivid" >&2; exit 2; }
command -v Xvfb > /dev/null || { echo "no Xvfb (apt-get install xvfb)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/guest.sh" <<GUEST
v4l2-ctl -d /dev/video0 --set-input 0 > /dev/null || exit 1
Xvfb :7 -screen 0 1280x1024x24 -nolisten tcp > /out/xvfb.log 2>&1 &
i=0
while [ ! -e /tmp/.X11-unix/X7 ] && [ \$i -lt 100 ]; do sleep 0.1; i=\$((i + 1)); done
DISPLAY=:7 QT_QPA_PLATFORM=xcb CAPSPECT_BENCH_BACKEND=v4l2 \\
    "$bench" --benchmark_min_time=$min_time > /out/window.txt 2> /out/window.err
status=\$?
kill %1
exit \$status
GUEST

OUTDIR=$work/vivid RUN_V4L2CTL=0 TIMEOUT=${TIMEOUT:-900} GUEST_SCRIPT=$work/guest.sh \
    "$run_vivid" > "$work/run.log" 2>&1 || {
    cat "$work/run.log" "$work/vivid/out/window.err" 2> /dev/null >&2
    echo "the guest run failed" >&2
    exit 1
}
echo "vivid input 0 under Xvfb in the guest (QEMU TCG):"
grep -E "^BM_" "$work/vivid/out/window.txt"
