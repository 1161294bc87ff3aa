# Runs in the vivid QEMU guest (busybox sh): every command the integration test checks, on
# the first vivid device, first on its default input (the webcam), then on the TV input.
# Each output goes to a file (NAME, NAME.err, NAME.rc); at the end the files are printed to
# the console as one gzip'ed, base64-encoded tar between OUTPUT BEGIN and OUTPUT END lines,
# so the host gets them byte for byte.
out=/tmp/capspect-outputs
mkdir -p "$out"
node=/dev/video0

run() {  # run NAME COMMAND...
    name=$1
    shift
    "$@" > "$out/$name" 2> "$out/$name.err"
    echo $? > "$out/$name.rc"
}

run_input() {  # run_input PREFIX: everything asked of the selected input
    run "$1-formats.txt" v4l2-ctl -d "$node" --list-formats-ext
    run "$1-parm.txt" v4l2-ctl -d "$node" --get-parm
    run "$1-report.txt" capspect report
    run "$1-report.json" capspect report --json
    run "$1-snapshot.json" capspect snapshot
}

run list.txt capspect list
run_input webcam
run select-tv.txt v4l2-ctl -d "$node" --set-input 1
run tv-standards.txt v4l2-ctl -d "$node" --list-standards
run_input tv

echo "=== OUTPUT BEGIN ==="
tar -c -C "$out" . | gzip -6 | base64
echo "=== OUTPUT END ==="
