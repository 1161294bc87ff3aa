#!/bin/bash
# Runs capspect against the kernel's vivid driver in one QEMU guest (run-vivid.sh with
# vivid_guest.sh) and checks the guest's outputs on the host:
#  - the command-line program links no Qt (the guest runs it without any);
#  - `capspect list` names the device, and so does its snapshot on replay;
#  - on the default (webcam) input and on the TV input, every (pixel format, frame size)
#    that `v4l2-ctl --list-formats-ext` lists is a format of `capspect report --json`, in
#    the same order and with the same frame-rate range (vivid_report_check), and the text
#    report has one block per format;
#  - vivid offers all its pixel formats: 6 sizes each on the webcam, one size range each on
#    the TV input (there also offered with the picture aspect, so twice);
#  - the TV input's formats carry the PAL, NTSC and SECAM standards in the text report;
#  - each input's snapshot, replayed on the host, gives the guest's report byte for byte.
#
# Usage: vivid_integration.sh CAPSPECT_CLI VIVID_REPORT_CHECK RUN_VIVID_SH
# Prints SKIP and succeeds only where QEMU or the kernel image cannot be had at all.
set -euo pipefail

capspect=$(realpath "$1")
check=$(realpath "$2")
run_vivid=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)

# What the vivid driver of Debian 12's kernel (6.1) offers on its first device.
vivid_pixel_formats=83
vivid_webcam_sizes=6

if ! command -v qemu-system-x86_64 > /dev/null || ! ls /boot/vmlinuz-* > /dev/null 2>&1 ||
    [ ! -x "$run_vivid" ]; then
    echo "SKIP: QEMU, a kernel image or run-vivid.sh is missing"
    exit 0
fi

fail() {
    echo "FAIL: $*"
    exit 1
}

qt_libraries=$(readelf -d "$capspect" | grep NEEDED | grep -i 'libQt' || true)
[ -z "$qt_libraries" ] || fail "$capspect links Qt: $qt_libraries"

out=$(mktemp -d)
# KEEP_OUTPUTS=1 leaves the guest's outputs behind for a look after a failure.
[ "${KEEP_OUTPUTS:-0}" = 1 ] && echo "outputs in $out" || trap 'rm -rf "$out"' EXIT
mkdir "$out/extra" "$out/guest"
cp "$capspect" "$out/extra/capspect"

OUTDIR=$out/vivid EXTRA_DIR=$out/extra RUN_V4L2CTL=0 TIMEOUT=${TIMEOUT:-120} \
    GUEST_SCRIPT=$here/vivid_guest.sh "$run_vivid" > "$out/run.log" 2>&1 || {
    cat "$out/run.log"
    fail "the guest did not finish"
}
tr -d '\r' < "$out/vivid/serial.log" |
    sed -n '/^=== OUTPUT BEGIN ===$/,/^=== OUTPUT END ===$/p' | sed '1d;$d' |
    base64 -d | tar -xz -C "$out/guest" || fail "the guest's outputs cannot be read"
cd "$out/guest"

for rc in *.rc; do
    [ "$(cat "$rc")" = 0 ] || fail "${rc%.rc} exited with $(cat "$rc"): $(cat "${rc%.rc}.err")"
done

grep -q "^vivid	/dev/video0\$" list.txt || fail "capspect list: $(cat list.txt)"
replayed_list=$("$capspect" list --devices webcam-snapshot.json) || fail "the snapshot does not load"
[ "$replayed_list" = "$(cat list.txt)" ] || fail "replayed list differs: $replayed_list"

# check_input INPUT EXPECTED_SUMMARY: the report of one input against v4l2-ctl and its replay.
check_input() {
    local input=$1 expected=$2 summary blocks formats
    summary=$("$check" "$input-formats.txt" "$input-report.json" "$input-parm.txt") ||
        fail "$input: the report differs from v4l2-ctl: $summary"
    summary=$(head -n 1 <<< "$summary")
    [ "$summary" = "$expected" ] || fail "$input: expected $expected, found $summary"
    blocks=$(grep -c $'^-\{54\}\r$' "$input-report.txt" || true)
    formats=${summary##*report-formats=}
    [ "$blocks" = "$formats" ] || fail "$input: $blocks text blocks, $formats JSON formats"
    # The guest runs without a locale, so the host replays in the C locale.
    LC_ALL=C "$capspect" report --devices "$input-snapshot.json" > "$input-replay.txt" ||
        fail "$input: the snapshot does not replay"
    cmp -s "$input-replay.txt" "$input-report.txt" ||
        fail "$input: the replayed report differs: $(diff "$input-report.txt" "$input-replay.txt" | head -n 8)"
    echo "$input: $summary"
}

check_input webcam "pixel-formats=$vivid_pixel_formats sizes=$((vivid_pixel_formats * vivid_webcam_sizes)) report-formats=$((vivid_pixel_formats * vivid_webcam_sizes))"
check_input tv "pixel-formats=$vivid_pixel_formats sizes=$vivid_pixel_formats report-formats=$((2 * vivid_pixel_formats))"

for family in NTSC PAL SECAM; do
    grep -Eq "Name *: $family" tv-standards.txt || fail "v4l2-ctl lists no $family standard on the TV input"
done
standards=$(grep -c '^VideoStandard: ' tv-report.txt)
named=$(grep '^VideoStandard: ' tv-report.txt | grep 'NTSC-' | grep 'PAL-' | grep -c 'SECAM-' || true)
[ "$named" = "$standards" ] || fail "only $named of $standards TV formats name NTSC, PAL and SECAM standards"
echo "TV standards: $(grep -m 1 '^VideoStandard: ' tv-report.txt | tr -d '\r')"
[ "$(grep -c '^VideoStandard: None' webcam-report.txt)" = "$(grep -c '^VideoStandard: ' webcam-report.txt)" ] ||
    fail "webcam formats name analog standards"

echo "PASS: one guest boot, both inputs as v4l2-ctl lists them, snapshots replay byte for byte"
