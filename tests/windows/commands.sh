#!/bin/bash
# The console program's commands that need no device, under Wine: exit statuses, one line
# on stderr for every failure and nothing on stdout then, UTF-8 arguments and output; and
# the window program beside it (capspect.exe), given a command, prints the same.
# Usage: commands.sh CAPSPECT_COM WINE_RUN
set -uo pipefail
exe=$1
wine_run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# run NAME EXPECTED_STATUS ARGS...: the output in $work/NAME.out and .err
run() {
    local name=$1 expected=$2
    shift 2
    "$wine_run" "$exe" "$@" > "$work/$name.out" 2> "$work/$name.err"
    local status=$?
    if [ "$status" != "$expected" ]; then
        echo "FAIL: $name: exit $status, expected $expected: $(cat "$work/$name.err")"
        failures=$((failures + 1))
    fi
}
expect() {
    if ! eval "$2"; then
        echo "FAIL: $1"
        failures=$((failures + 1))
    fi
}
lines() { wc -l < "$1"; }

run help 0 --help
expect "--help names both backends" \
    'grep -q "dshow (default)" "$work/help.out" && grep -q "sim, the devices" "$work/help.out"'
run version 0 --version
expect "--version prints one line" '[ "$(lines "$work/version.out")" = 1 ]'

run errtext 0 errtext 0xC00D0BB8 '$80040218' 0
expect "errtext prints a line per code" '[ "$(lines "$work/errtext.out")" = 3 ]'
expect "errtext gives the media text" \
    'grep -q "^C00D0BB8	The input media format is invalid.	" "$work/errtext.out"'
run errtext-bad 2 errtext 0 bogus
expect "a bad code prints nothing on stdout" '[ ! -s "$work/errtext-bad.out" ]'
expect "a bad code is one line on stderr" '[ "$(lines "$work/errtext-bad.err")" = 1 ]'

# An AVI file under a name that is not ASCII: the argument reaches the program as UTF-8.
name=$work/Straße.avi
printf 'RIFF\x04\x00\x00\x00AVI ' > "$name"
run identify 0 identify "$name"
expect "identify names the file in UTF-8" 'grep -q "Straße.avi" "$work/identify.out"'
run identify-missing 1 identify "$work/missing.avi"
expect "a missing file is one line on stderr" '[ "$(lines "$work/identify-missing.err")" = 1 ]'

run unknown 2 frobnicate
expect "an unknown command is one line on stderr" '[ "$(lines "$work/unknown.err")" = 1 ]'
run demo 0 --demo list
expect "the demo lists its three devices" '[ "$(lines "$work/demo.out")" = 3 ]'
window_program=${exe%.com}.exe
"$wine_run" "$window_program" --demo list > "$work/window-list.out" 2> "$work/window-list.err"
window_status=$?
expect "the window program runs a command as the console program does" \
    '[ $window_status = 0 ] && cmp -s "$work/window-list.out" "$work/demo.out"'
"$wine_run" "$window_program" frobnicate > /dev/null 2> "$work/window-unknown.err"
window_status=$?
expect "the window program's usage error is exit status 2 with one line" \
    '[ $window_status = 2 ] && [ "$(lines "$work/window-unknown.err")" = 1 ]'
run catalog-missing 1 --devices "$work/missing.json" list
expect "a catalog that does not load is one line on stderr" \
    '[ "$(lines "$work/catalog-missing.err")" = 1 ] && [ ! -s "$work/catalog-missing.out" ]'

# The test machine has no capture device.
run list 0 list
if [ -s "$work/list.out" ]; then
    echo "SKIP: this machine has video capture devices"
    exit 0
fi
run report 1 report
expect "report without a device is one line on stderr" '[ "$(lines "$work/report.err")" = 1 ]'
expect "report without a device prints nothing" '[ ! -s "$work/report.out" ]'
run snapshot 1 snapshot
expect "snapshot without a device is one line on stderr" \
    '[ "$(lines "$work/snapshot.err")" = 1 ]'

[ "$failures" = 0 ] || exit 1
echo "all commands behave"
