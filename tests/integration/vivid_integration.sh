#!/bin/bash
# Runs capspect against the kernel's vivid driver in a QEMU guest (run-vivid.sh) and checks
# the results on the host: `capspect list` names the device, `capspect snapshot` writes a
# catalog that lists the same device on replay and holds one capability per (pixel format,
# frame size) that `v4l2-ctl --list-formats-ext` shows for the selected (webcam) input.
#
# Usage: vivid_integration.sh CAPSPECT RUN_VIVID_SH
# Prints SKIP and succeeds only where QEMU or the kernel image cannot be had at all.
set -euo pipefail

capspect=$1
run_vivid=$2

if ! command -v qemu-system-x86_64 > /dev/null || ! ls /boot/vmlinuz-* > /dev/null 2>&1 ||
    [ ! -x "$run_vivid" ]; then
    echo "SKIP: QEMU, a kernel image or run-vivid.sh is missing"
    exit 0
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

guest='echo "=== LIST BEGIN ==="; capspect list; echo "=== LIST END ==="
echo "=== FORMATS BEGIN ==="; v4l2-ctl -d /dev/video0 --list-formats-ext; echo "=== FORMATS END ==="
echo "=== SNAPSHOT BEGIN ==="; capspect snapshot; echo "=== SNAPSHOT END ==="'

OUTDIR=$out/vivid EXTRA_BINS="$capspect" RUN_V4L2CTL=0 TIMEOUT=${TIMEOUT:-120} \
    GUEST_CMD="$guest" "$run_vivid" > "$out/run.log" 2>&1 || {
    cat "$out/run.log"
    echo "FAIL: the guest did not finish"
    exit 1
}
log=$out/vivid/serial.log
section() { tr -d '\r' < "$log" | sed -n "/^=== $1 BEGIN ===\$/,/^=== $1 END ===\$/p" | sed '1d;$d'; }

section LIST > "$out/list.txt"
section FORMATS > "$out/formats.txt"
section SNAPSHOT > "$out/snapshot.json"

fail() { echo "FAIL: $*"; exit 1; }

grep -q "^vivid	/dev/video0\$" "$out/list.txt" || fail "capspect list: $(cat "$out/list.txt")"

replay=$("$capspect" list --devices "$out/snapshot.json") || fail "the snapshot does not load"
[ "$replay" = "$(cat "$out/list.txt")" ] || fail "replayed list differs: $replay"

sizes=$(grep -cE 'Size: (Discrete|Stepwise|Continuous)' "$out/formats.txt")
caps=$(grep -c '"caps": {' "$out/snapshot.json")
[ "$sizes" -gt 0 ] || fail "v4l2-ctl listed no sizes"
[ "$sizes" = "$caps" ] || fail "v4l2-ctl lists $sizes sizes, the snapshot has $caps capabilities"

echo "PASS: $caps capabilities, as v4l2-ctl lists"
