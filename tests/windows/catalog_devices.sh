#!/bin/bash
# The same device catalog on the system's DirectShow (capspect.com under Wine: Wine's
# filter graph manager, capture graph builder, Smart Tee and VMR-9 around our device
# filters) and on our own (the Linux build): `list`, `report`, `report DEVICE` for every
# device, `report --json`, `snapshot` and `verify` must print byte for byte the same and
# end with the same exit status, under the English and the German locale; `--verbose report` must
# show the same events; only a snapshot's device file names may differ (see comparable
# below). Catalogs: the demo's and every catalog under tests/data that the
# Linux build loads.
#
# Usage: catalog_devices.sh CAPSPECT_EXE CAPSPECT_LINUX WINEPREFIX DATA_DIR
# Wine's VMR-9 needs a Direct3D device to connect (under the null graphics driver it
# crashes), so the programs run on an Xvfb display, in a copy of the prefix that uses
# Wine's X11 driver. Prints SKIP and succeeds where Wine, Xvfb or the Linux build is
# missing.
set -uo pipefail

exe=$(realpath "$1")
linux=$(realpath -m "$2")
prefix=$(realpath -m "$3")
data=$(realpath "$4")
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v wine > /dev/null || ! command -v xvfb-run > /dev/null || [ ! -x "$linux" ]; then
    echo "SKIP: Wine, xvfb-run or the Linux build is missing"
    exit 0
fi

work=$(mktemp -d /tmp/capspect-catalog-devices.XXXXXX)
[ "${KEEP_OUTPUTS:-0}" = 1 ] && echo "outputs in $work" || trap 'rm -rf "$work"' EXIT
"$here/../../tools/wine-display-prefix.sh" "$prefix" "$work/prefix" || exit 1
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

# The commands of one run, one per line: the arguments after the program name.
commands() {
    local catalog=("$@")
    echo "${catalog[*]} list"
    echo "${catalog[*]} report"
    echo "${catalog[*]} report --json"
    echo "${catalog[*]} snapshot"
    echo "${catalog[*]} verify"
    echo "--verbose ${catalog[*]} report"
    "$linux" "${catalog[@]}" list 2> /dev/null | cut -f2 | while IFS= read -r path; do
        [ -n "$path" ] && printf '%s report %q\n' "${catalog[*]}" "$path"
    done
}

catalogs=("--demo")
while IFS= read -r file; do
    "$linux" --devices "$file" list > /dev/null 2>&1 && catalogs+=("--devices $file")
done < <(find "$data" -name '*.json' | sort)

# The output as compared. A snapshot's device file name is what the registry says of the
# device's class: on Windows the system's registry, which knows the kernel-streaming proxy
# whether or not the catalog names its file.
# And Wine's AMGetErrorTextW answers "Error: 0x…" for every code, so the text in front of
# a "(0x80040154)" or "($80040154)" is left out; the code is compared.
comparable() {
    grep -v '^      "fileName": ' "$1" |
        sed -E -e 's/Error: 0x[0-9A-F]{8} \(/(/' -e "s/(Reason|'): [^:(]*\\(/\\1: (/" \
            -e 's/: [^:(]*\((\$[0-9A-F]{8})\)/: (\1)/'
}

# Every Wine run of a locale goes through one script, so that one wineserver and one
# Xvfb serve them all: a Wine start costs seconds.
failures=0
runs=0
for locale in en_US.UTF-8 de_DE.UTF-8; do
    script=$work/runs-$locale.sh
    : > "$script"
    n=0
    for catalog in "${catalogs[@]}"; do
        while IFS= read -r args; do
            n=$((n + 1))
            echo "$args" > "$work/$locale.$n.args"
            eval "set -- $args"
            LC_ALL=$locale "$linux" "$@" > "$work/$locale.$n.linux.out" 2> "$work/$locale.$n.linux.err"
            echo $? > "$work/$locale.$n.linux.rc"
            printf 'timeout 120 wine %q %s > %q 2> %q < /dev/null; echo $? > %q\n' "$exe" "$args" \
                "$work/$locale.$n.wine.out" "$work/$locale.$n.wine.err" \
                "$work/$locale.$n.wine.rc" >> "$script"
        # shellcheck disable=SC2086 # the catalog option and its file are two words
        done < <(commands $catalog)
    done
    # Every Wine process ends before the display does.
    echo "wineserver -w" >> "$script"
    wineserver -k 2> /dev/null
    LC_ALL=$locale xvfb-run -a -s "-screen 0 1024x768x24" bash "$script"
    wineserver -w
    for ((i = 1; i <= n; i++)); do
        runs=$((runs + 1))
        name="$locale: $(cat "$work/$locale.$i.args")"
        base=$work/$locale.$i
        if ! cmp -s "$base.linux.rc" "$base.wine.rc"; then
            echo "FAIL: $name: exit $(cat "$base.wine.rc") under Wine, $(cat "$base.linux.rc") on Linux: $(head -2 "$base.wine.err")"
            failures=$((failures + 1))
        elif ! cmp -s <(comparable "$base.linux.out") <(comparable "$base.wine.out"); then
            echo "FAIL: $name: stdout differs"
            diff "$base.linux.out" "$base.wine.out" | head -10
            failures=$((failures + 1))
        elif ! cmp -s <(comparable "$base.linux.err") <(comparable "$base.wine.err"); then
            echo "FAIL: $name: stderr differs"
            diff "$base.linux.err" "$base.wine.err" | head -10
            failures=$((failures + 1))
        fi
    done
done
echo "$runs runs compared, $failures differ"
[ "$failures" = 0 ]
