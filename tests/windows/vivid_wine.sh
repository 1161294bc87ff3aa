#!/bin/bash
# Runs capspect.com on Wine's DirectShow against the kernel's vivid driver: one QEMU guest
# with this machine's whole userland (run-vivid-rootfs.sh), Wine's V4L2 capture filter
# over vivid. Checks on the host:
#  - `list` names the device;
#  - the report has one block per capability that Wine's capture filter offers (its
#    snapshot lists them), and at least one;
#  - the snapshot, replayed on Linux (`capspect report --devices`), gives the guest's
#    report byte for byte, and `report --json` likewise;
#  - `verify` streams the first two formats through Wine's graph into our sample
#    counter (`ok`, or `slow` on a loaded guest, with every frame).
# Prints the time of `capspect.exe report` under Wine and of `capspect report` on Linux in
# the same guest.
#
# Usage: vivid_wine.sh CAPSPECT_COM CAPSPECT_LINUX RUN_VIVID_ROOTFS_SH WINEPREFIX
# Wine's VMR-9 needs a Direct3D device to connect (under the null graphics driver it
# crashes), so the guest gives Wine an Xvfb display.
# Prints SKIP and succeeds where QEMU, a kernel image, Wine, Xvfb or the Linux build is
# missing.
set -euo pipefail

exe=$(realpath "$1")
linux=$(realpath -m "$2")
run_vivid=$(realpath -m "$3")
prefix=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v qemu-system-x86_64 > /dev/null || ! ls /boot/vmlinuz-* > /dev/null 2>&1 ||
    [ ! -x "$run_vivid" ] || ! command -v wine > /dev/null || ! command -v Xvfb > /dev/null ||
    [ ! -x "$linux" ]; then
    echo "SKIP: QEMU, a kernel image, run-vivid-rootfs.sh, Wine, Xvfb or the Linux build is missing"
    exit 0
fi

fail() {
    echo "FAIL: $*"
    exit 1
}

"$here/../../tools/wine-prefix.sh" "$prefix"
out=$(mktemp -d /tmp/capspect-vivid-wine.XXXXXX)
[ "${KEEP_OUTPUTS:-0}" = 1 ] && echo "outputs in $out" || trap 'rm -rf "$out"' EXIT
mkdir -p "$out/prefix"
# The guest writes into the prefix: a copy keeps the build's prefix as it is. The copy
# uses Wine's X11 driver, on the guest's Xvfb display.
cp -a "$prefix/." "$out/prefix/"
WINEPREFIX=$out/prefix WINEDEBUG=-all wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics \
    /f > /dev/null 2>&1 < /dev/null
WINEPREFIX=$out/prefix wineserver -w
sed -e "s|@EXE@|$exe|g" -e "s|@LINUX@|$linux|g" -e "s|@PREFIX@|$out/prefix|g" \
    "$here/vivid_wine_guest.sh" > "$out/guest.sh"

OUTDIR=$out/vivid KEEP_DIR=$out TIMEOUT=${TIMEOUT:-600} RUN_V4L2CTL=0 \
    GUEST_SCRIPT=$out/guest.sh "$run_vivid" > "$out/run.log" 2>&1 || {
    tail -40 "$out/run.log"
    fail "the guest did not finish"
}
results=$out/vivid/out
for rc in "$results"/*.rc; do
    name=$(basename "$rc" .rc)
    [ "$(cat "$rc")" = 0 ] || fail "$name exited with $(cat "$rc"): $(cat "$results/$name.err")"
done

grep -q $'^vivid\t' "$results/list.out" || fail "list does not name vivid: $(cat "$results/list.out")"
capabilities=$(grep -c '"caps"' "$results/snapshot.json" || true)
blocks=$(grep -c '^VideoStandard:' "$results/report.out" || true)
[ "$capabilities" -gt 0 ] || fail "the snapshot has no capability"
[ "$blocks" = "$capabilities" ] ||
    fail "the report has $blocks blocks for $capabilities capabilities"

"$linux" report --devices "$results/snapshot.json" > "$out/replay.out"
cmp -s "$out/replay.out" "$results/report.out" || {
    diff <(tr -d '\r' < "$results/report.out") <(tr -d '\r' < "$out/replay.out") | head -20
    fail "the snapshot replays on Linux to another report"
}
"$linux" report --json --devices "$results/snapshot.json" > "$out/replay.json"
cmp -s "$out/replay.json" "$results/report.json" || fail "the replayed --json report differs"

# verify streams the first two formats through Wine's graph into our sample counter.
verified=$(grep -cE $'\t(ok|slow)\t3 frames\t' "$results/verify.txt" || true)
[ "$verified" = 2 ] && grep -q '^2 of 2 formats verified' "$results/verify.txt" || {
    cat "$results/verify.txt" "$results/verify.err"
    fail "verify did not stream both formats (status $(cat "$results/verify.status"))"
}

echo "vivid under Wine: $capabilities capabilities, the replay matches, verify streams"
echo "time of report: capspect.exe under Wine $(cat "$results/wine.time") s," \
    "capspect on Linux $(cat "$results/linux.time") s"
