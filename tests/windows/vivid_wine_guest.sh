#!/bin/sh
# In the vivid guest (see vivid_wine.sh, which fills in the paths): capspect.exe under
# Wine, and the Linux capspect for comparison; results and exit statuses into /out.
export WINEPREFIX=@PREFIX@ WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
cd /out
Xvfb :99 -screen 0 1024x768x24 -nolisten tcp > xvfb.log 2>&1 &
xvfb=$!
export DISPLAY=:99
sleep 2
wineserver -p
now() { date +%s.%N; }
run() {
    name=$1
    shift
    wine @EXE@ "$@" > "$name" 2> "${name%.*}.err" < /dev/null
    echo $? > "${name%.*}.rc"
}
# Wine's first start in the guest sets the prefix up; it is not part of the measure.
wine @EXE@ --version > /dev/null 2>&1 < /dev/null
run list.out list
start=$(now)
run report.out report
end=$(now)
awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }' > wine.time
run report.json report --json
run snapshot.json snapshot
# verify ends with 1 when a format is not ok (slow, on a loaded guest): its status is
# kept apart from the others', which must be 0.
wine @EXE@ verify --frames 3 --formats 1-2 > verify.txt 2> verify.err < /dev/null
echo $? > verify.status
wineserver -k
kill $xvfb
start=$(now)
@LINUX@ --backend v4l2 report > linux-report.out 2> linux-report.err < /dev/null
end=$(now)
awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }' > linux.time
