#!/bin/bash
# The cost per format of `capspect verify` beyond the streaming itself, against
# `v4l2-ctl --stream-mmap --stream-count=N` for the same formats, in one vivid QEMU guest.
#
# Per run, in turns after a warm-up: `capspect verify --frames N --json` of six small
# webcam formats in one process, `capspect report` (the rendering verify does first), and
# v4l2-ctl setting and streaming each of the six formats. The streaming time of a format
# is taken from verify's JSON: from STREAMON to the first frame plus the first to the last
# frame. Printed: per format the medians of v4l2-ctl's wall time and of verify's share
# ((verify - report) / 6), each beside the streaming time, and what is left over: set-up,
# tear-down, and for v4l2-ctl its process start.
#
# Usage: bench/vivid_verify_bench.sh [CAPSPECT_CLI]   (default: build/app/capspect-cli)
# Environment: RUNS (default 7), FRAMES (default 10), RUN_VIVID, OUTDIR.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
capspect=${1:-$repo/build/app/capspect-cli}
runs=${RUNS:-7}
frames=${FRAMES:-10}
run_vivid=${RUN_VIVID:-$repo/../shared/tools/run-vivid.sh}
[ -x "$capspect" ] || { echo "no program $capspect (build the capspect-cli target)" >&2; exit 2; }
[ -x "$run_vivid" ] || { echo "no $run_vivid" >&2; exit 2; }
command -v jq > /dev/null || { echo "jq is needed" >&2; exit 2; }

# The six formats: report positions and the same as v4l2-ctl arguments.
positions=1,2,7,8,13,14
v4l2_formats="YUYV:320:180:60 YUYV:640:360:40 UYVY:320:180:60 UYVY:640:360:40 YVYU:320:180:60 YVYU:640:360:40"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/extra"
cp "$capspect" "$work/extra/capspect"
cp "$(command -v date)" "$work/extra/date"  # busybox's date has no nanoseconds

cat > "$work/guest.sh" <<GUEST
d=/dev/video0
now() { /extra/date +%s%N; }
v4l2ctl() {  # v4l2ctl FOURCC:W:H:FPS
    IFS=: read fourcc width height rate <<X
\$1
X
    v4l2-ctl -d \$d --set-fmt-video=width=\$width,height=\$height,pixelformat=\$fourcc --set-parm=\$rate \
        --stream-mmap --stream-count=$frames > /dev/null 2>&1 || echo "FAILED v4l2-ctl \$1"
}
capspect verify --frames $frames --formats $positions > /dev/null 2>&1
for f in $v4l2_formats; do v4l2ctl \$f; done
i=0
while [ \$i -lt $runs ]; do
    s=\$(now); capspect verify --frames $frames --formats $positions --json > /tmp/v.json 2> /dev/null; e=\$(now)
    echo "TIME verify \$s \$e"
    echo "JSON \$(tr -d '\n' < /tmp/v.json)"
    s=\$(now); capspect verify --frames $frames --formats 1 > /dev/null 2>&1; e=\$(now)
    echo "TIME verify-one \$s \$e"
    for f in $v4l2_formats; do
        s=\$(now); v4l2ctl \$f; e=\$(now); echo "TIME v4l2-ctl:\$f \$s \$e"
    done
    i=\$((i + 1))
done
GUEST

OUTDIR=${OUTDIR:-$work/vivid} EXTRA_DIR=$work/extra RUN_V4L2CTL=0 TIMEOUT=${TIMEOUT:-600} \
    GUEST_SCRIPT=$work/guest.sh "$run_vivid" > "$work/run.log" 2>&1 || {
    cat "$work/run.log"
    exit 1
}
log=${OUTDIR:-$work/vivid}/serial.log
tr -d '\r' < "$log" | grep -E '^(TIME|JSON|FAILED) ' > "$work/lines" || true
if grep -q '^FAILED' "$work/lines"; then grep '^FAILED' "$work/lines"; exit 1; fi

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms_of() { grep "^TIME $1 " "$work/lines" | awk '{ printf "%.1f\n", ($4 - $3) / 1e6 }' | median; }

verify_ms=$(ms_of verify)
one_ms=$(ms_of verify-one)
# Streaming time per format: first frame plus first-to-last frame, medians over the runs.
grep '^JSON ' "$work/lines" | cut -c6- |
    jq -r '.formats[] | "\(.index) \(.firstFrameMs + (.frameTimesMs | last))"' > "$work/streaming"

printf 'N=%s frames, %s runs (medians): verify of 6 formats %.1f ms, of the first alone %.1f ms\n' \
    "$frames" "$runs" "$verify_ms" "$one_ms"
printf '%-18s %12s %12s %16s\n' format streaming v4l2-ctl "v4l2-ctl beyond"
i=0
rest_stream=0
total_v4l2=0
total_stream=0
for f in $v4l2_formats; do
    index=$(cut -d, -f$((i + 1)) <<< "$positions")
    streaming=$(awk -v k=$((index - 1)) '$1 == k { print $2 }' "$work/streaming" | median)
    v4l2=$(ms_of "v4l2-ctl:$f")
    total_v4l2=$(awk -v a="$total_v4l2" -v b="$v4l2" 'BEGIN { print a + b }')
    total_stream=$(awk -v a="$total_stream" -v b="$streaming" 'BEGIN { print a + b }')
    [ $i -gt 0 ] && rest_stream=$(awk -v a="$rest_stream" -v b="$streaming" 'BEGIN { print a + b }')
    printf '%-18s %9.1f ms %9.1f ms %13.1f ms\n' "$f" "$streaming" "$v4l2" \
        "$(awk -v a="$v4l2" -v b="$streaming" 'BEGIN { print a - b }')"
    i=$((i + 1))
done
# verify's cost of a format: what the five formats after the first add to one process.
awk -v v="$verify_ms" -v o="$one_ms" -v r="$rest_stream" -v s="$total_stream" -v c="$total_v4l2" 'BEGIN {
    printf "v4l2-ctl per format: %.1f ms, %.1f ms beyond streaming (its process start included)\n", c / 6, (c - s) / 6
    printf "verify per format (formats 2-6): %.1f ms, %.1f ms beyond streaming\n", (v - o) / 5, (v - o - r) / 5
    printf "verify once per run (start, render, the first format): %.1f ms\n", o }'
