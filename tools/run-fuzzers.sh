#!/usr/bin/env bash
# Runs the libFuzzer targets of the fuzz build, each for SECONDS (or until FUZZ_RUNS
# executions), FUZZ_PARALLEL (2) at a time:
#   tools/run-fuzzers.sh SECONDS [TARGET...]
# Each target starts from its seeds (fuzz/corpus/<target>/, read only) and the inputs it
# found earlier (BUILD/fuzz-work/<target>/; FUZZ_FRESH=1 starts that empty). A crash, a
# failed check, a leak or a hang (FUZZ_TIMEOUT seconds for one input) fails the run; the
# input is kept as BUILD/fuzz-artifacts/<target>-crash-... and the log in BUILD/fuzz-logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: tools/run-fuzzers.sh SECONDS [TARGET...]}
shift
build=${FUZZ_BUILD_DIR:-build-sanitize}
parallel=${FUZZ_PARALLEL:-2}
timeout=${FUZZ_TIMEOUT:-10}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(media_identify catalog graph_file graph_stream guid_text hresult_text)

mkdir -p "$build/fuzz-logs" "$build/fuzz-artifacts"
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

run_one() {
    local target=$1
    local work="$build/fuzz-work/$target"
    [ "${FUZZ_FRESH:-0}" = 1 ] && rm -rf "$work"
    mkdir -p "$work"
    local options=(-max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$target-")
    [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
    [ -n "${FUZZ_RUNS:-}" ] && options+=(-runs="$FUZZ_RUNS")
    local status=0
    nice "$build/fuzz/${target}_fuzzer" "${options[@]}" "$work" "fuzz/corpus/$target" \
        >"$build/fuzz-logs/$target.log" 2>&1 || status=$?
    echo "$status" >"$build/fuzz-logs/$target.status"
}

for target in "${targets[@]}"; do
    rm -f "$build/fuzz-logs/$target.status"
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
        wait -n || true
    done
    run_one "$target" &
done
wait
failed=0
for target in "${targets[@]}"; do
    log="$build/fuzz-logs/$target.log"
    if [ "$(cat "$build/fuzz-logs/$target.status" 2>/dev/null)" = 0 ]; then
        result=ok
    else
        result="FINDING (see $log)"
        failed=1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    printf '%-14s %12s executions  %s\n' "$target" "${executions:-?}" "$result"
    [ "$result" = ok ] || grep -m 5 -E 'ERROR|fuzz check failed|runtime error|Test unit written' "$log" >&2 || true
done
exit $failed
