#!/bin/bash
# Times capspect against v4l2-ctl on the same vivid device in one QEMU guest (run-vivid.sh):
# `capspect report`, `report --json` and `snapshot` against `v4l2-ctl --list-formats-ext`,
# and the program's start alone (`capspect errtext 0`) against `v4l2-ctl --list-devices`.
# RUNS runs of each, taken in turns after one warm-up run of each; prints the medians and
# each ratio beside its target. The timer's own cost (starting /bin/true between two clock
# readings) is measured the same way and printed beside them. Under QEMU's TCG every start
# translates the program's code afresh (PIE loads it at new addresses each run), so these
# times weigh the breadth of the code a command runs more than its work; see "What the
# guest's times measure" in docs/decisions.md. So every command also runs under
# `setarch -R` (address randomisation off, for both programs alike): each run then reuses
# the code translated before, and those times show the work itself. The targets are
# held to the first set. Beside them run the floors (bench/vivid_floor.c, and
# vivid_floor_iostream.cpp linked as capspect-cli is): a C program's start, a C++ program's
# start through std::cout, the listing's ioctls alone, and the ioctls with one printf line
# per answer, the least any program could take for the same commands.
#
# Usage: bench/vivid_report_bench.sh [CAPSPECT_CLI]      (default: build/app/capspect-cli)
# Environment: RUNS (default 11), RUN_VIVID (default: ../shared/tools/run-vivid.sh next to
# the repository), VIVID_INPUT (the input to time, default 0: the webcam), OUTDIR (the
# guest's work directory, default: a temporary one).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
capspect=${1:-$repo/build/app/capspect-cli}
runs=${RUNS:-11}
run_vivid=${RUN_VIVID:-$repo/../shared/tools/run-vivid.sh}
input=${VIVID_INPUT:-0}

[ -x "$capspect" ] || { echo "no program $capspect (build the capspect-cli target)" >&2; exit 2; }
[ -x "$run_vivid" ] || { echo "no $run_vivid" >&2; exit 2; }
case $runs in '' | *[!0-9]* | 0) echo "RUNS must be a positive number" >&2; exit 2 ;; esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/extra"
cp "$capspect" "$work/extra/capspect"
# busybox's date has no nanoseconds; the host's has (called by its path in the guest, where
# busybox's shell prefers its own applets).
cp "$(command -v date)" "$work/extra/date"
# busybox has no setarch; the host's (run-vivid.sh copies its libraries along).
setarch=$(command -v setarch) || { echo "no setarch (util-linux)" >&2; exit 2; }
cp "$setarch" "$work/extra/setarch"
${CC:-cc} -O2 -o "$work/extra/vivid_floor" "$repo/bench/vivid_floor.c"
${CXX:-c++} -O2 -static-libstdc++ -static-libgcc -o "$work/extra/vivid_floor_iostream" \
    "$repo/bench/vivid_floor_iostream.cpp"

cat > "$work/guest.sh" <<GUEST
v4l2-ctl -d /dev/video0 --set-input $input > /dev/null || exit 1
one() {  # one LABEL COMMAND...: a line "TIME LABEL START END" in nanoseconds
    label=\$1
    shift
    start=\$(/extra/date +%s%N)
    "\$@" > /dev/null 2>&1 || echo "FAILED \$label"
    end=\$(/extra/date +%s%N)
    echo "TIME \$label \$start \$end"
}
capspect report > /dev/null
v4l2-ctl -d /dev/video0 --list-formats-ext > /dev/null
# each SUFFIX [PREFIX...]: one run of every command, started through PREFIX if given,
# under labels ending in SUFFIX
each() {
    suffix=\$1
    shift
    one capspect\$suffix "\$@" capspect report
    one v4l2-ctl\$suffix "\$@" v4l2-ctl -d /dev/video0 --list-formats-ext
    one json\$suffix "\$@" capspect report --json
    one snapshot\$suffix "\$@" capspect snapshot
    one start\$suffix "\$@" capspect errtext 0
    one v4l2-ctl-start\$suffix "\$@" v4l2-ctl --list-devices
    one timer\$suffix "\$@" /bin/true
    one floor-start\$suffix "\$@" /extra/vivid_floor
    one floor-iostream\$suffix "\$@" /extra/vivid_floor_iostream
    one floor-formats\$suffix "\$@" /extra/vivid_floor formats /dev/video0
    one floor-text\$suffix "\$@" /extra/vivid_floor text /dev/video0
}
/extra/setarch -R capspect report > /dev/null
/extra/setarch -R v4l2-ctl -d /dev/video0 --list-formats-ext > /dev/null
i=0
while [ \$i -lt $runs ]; do
    each ""
    each -fixed /extra/setarch -R
    i=\$((i + 1))
done
GUEST

OUTDIR=${OUTDIR:-$work/vivid} EXTRA_DIR=$work/extra RUN_V4L2CTL=0 TIMEOUT=${TIMEOUT:-600} \
    GUEST_SCRIPT=$work/guest.sh "$run_vivid" > "$work/run.log" 2>&1 || {
    cat "$work/run.log"
    echo "the guest did not finish" >&2
    exit 1
}
log=${OUTDIR:-$work/vivid}/serial.log
if grep -q '^FAILED' "$log"; then
    grep '^FAILED' "$log" | sort | uniq -c >&2
    exit 1
fi

# median LABEL: the median duration of LABEL's runs in milliseconds, three decimals.
median() {
    tr -d '\r' < "$log" | awk -v label="$1" '$1 == "TIME" && $2 == label { print $3, $4 }' |
        while read -r start end; do
            [[ $start =~ ^[0-9]+$ && $end =~ ^[0-9]+$ ]] || { echo "bad time: $start $end" >&2; exit 1; }
            echo $(((end - start) / 1000))
        done |
        sort -n | awk '{ t[NR] = $1 } END {
            if (NR == 0) exit 1
            m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
            printf "%.3f\n", m / 1000 }'
}

# ratio LABEL A B TIMER [TARGET]: A / B, also without the timer's cost, and the target if
# it is held to one.
ratio() {
    awk -v label="$1" -v a="$2" -v b="$3" -v t="$4" -v target="${5:-}" 'BEGIN {
        printf "  ratio %-26s %.2f (%.2f without the timer%s)\n", label, a / b,
            (a - t) / (b - t), target == "" ? "" : "; target <= " target }'
}

# floor NAME LABEL V4L2CTL_MS TIMER_MS: a floor's median and its ratio to the v4l2-ctl
# command its commands are held to.
floor() {
    local ms
    ms=$(median "$2")
    awk -v name="$1" -v a="$ms" -v b="$3" -v t="$4" 'BEGIN {
        printf "  floor: %-28s %8.3f ms, %.2f of v4l2-ctl (%.2f without the timer)\n",
            name, a, a / b, (a - t) / (b - t) }'
}

# print_set SUFFIX [held]: the medians and ratios of the runs labelled with SUFFIX, with
# the targets beside them when "held" is given (the runs as people start the programs).
print_set() {
    local suffix=$1 held=${2:-}
    local capspect_ms v4l2ctl_ms json_ms snapshot_ms start_ms v4l2ctl_start_ms timer_ms
    capspect_ms=$(median "capspect$suffix")
    v4l2ctl_ms=$(median "v4l2-ctl$suffix")
    json_ms=$(median "json$suffix")
    snapshot_ms=$(median "snapshot$suffix")
    start_ms=$(median "start$suffix")
    v4l2ctl_start_ms=$(median "v4l2-ctl-start$suffix")
    timer_ms=$(median "timer$suffix")
    echo "  capspect report                  $capspect_ms ms"
    echo "  capspect report --json           $json_ms ms"
    echo "  capspect snapshot                $snapshot_ms ms"
    echo "  v4l2-ctl --list-formats-ext      $v4l2ctl_ms ms"
    echo "  capspect errtext 0 (start-up)    $start_ms ms"
    echo "  v4l2-ctl --list-devices          $v4l2ctl_start_ms ms"
    echo "  the timer alone (/bin/true)      $timer_ms ms"
    ratio "report / formats-ext" "$capspect_ms" "$v4l2ctl_ms" "$timer_ms" "${held:+0.8}"
    ratio "report --json / formats-ext" "$json_ms" "$v4l2ctl_ms" "$timer_ms" "${held:+1.0}"
    ratio "snapshot / formats-ext" "$snapshot_ms" "$v4l2ctl_ms" "$timer_ms" "${held:+1.2}"
    ratio "errtext 0 / list-devices" "$start_ms" "$v4l2ctl_start_ms" "$timer_ms" "${held:+0.6}"
    floor "a C program's start" "floor-start$suffix" "$v4l2ctl_start_ms" "$timer_ms"
    floor "a C++ start via std::cout" "floor-iostream$suffix" "$v4l2ctl_start_ms" "$timer_ms"
    floor "the listing's ioctls alone" "floor-formats$suffix" "$v4l2ctl_ms" "$timer_ms"
    floor "the ioctls and printf lines" "floor-text$suffix" "$v4l2ctl_ms" "$timer_ms"
}

echo "vivid input $input, $runs runs each, median wall time in the guest (QEMU TCG):"
print_set "" held
echo "the same under setarch -R (address randomisation off for both programs; the timer"
echo "starts /bin/true through setarch as well): the work without translating the code again:"
print_set -fixed
