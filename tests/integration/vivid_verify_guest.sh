# Runs in the vivid QEMU guest (busybox sh) for vivid_verify.sh: `capspect verify` on the
# webcam input of the first vivid device, with vivid's own error injection, on the TV input
# with a standard set, and on the second, multi-planar device. Each output goes to a file
# (NAME, NAME.err, NAME.rc), the device's state before and after to NAME.state; at the end
# the files go to the console as one gzip'ed, base64-encoded tar between OUTPUT BEGIN and
# OUTPUT END lines.
out=/tmp/capspect-outputs
mkdir -p "$out"
node=/dev/video0

state() {  # state NODE: what verify must leave as it found it
    v4l2-ctl -d "$1" --get-input --get-standard --get-fmt-video --get-parm 2> /dev/null |
        grep -E 'Video input|Video Standard|Width/Height|Pixel Format|Frames per second'
}

verify() {  # verify NAME NODE ARGS...: one run, the state before and after it
    name=$1
    dev=$2
    shift 2
    state "$dev" > "$out/$name.before"
    capspect verify "$@" "$dev" > "$out/$name" 2> "$out/$name.err"
    echo $? > "$out/$name.rc"
    state "$dev" > "$out/$name.after"
}

# While NAME streams its one long format, press vivid's control CONTROL.
verify_pressing() {  # verify_pressing NAME CONTROL
    state "$node" > "$out/$1.before"
    capspect verify --frames 600 --formats 1 "$node" > "$out/$1" 2> "$out/$1.err" &
    sleep 1
    v4l2-ctl -d "$node" -c "$2=1"
    wait $!
    echo $? > "$out/$1.rc"
    state "$node" > "$out/$1.after"
}

# Small sizes of six pixel formats (positions in the report): vivid keeps its rates there.
# A second try for a host too loaded for QEMU to keep up the first time, and what
# v4l2-ctl measures on the first format meanwhile: the yardstick of that load.
verify rates "$node" --frames 20 --formats 1,2,7,8,13,14
v4l2-ctl -d "$node" --set-fmt-video=width=320,height=180,pixelformat=YUYV --set-parm=60 \
    --stream-mmap --stream-count=90 > "$out/v4l2-ctl-rate" 2>&1
verify rates-again "$node" --frames 20 --formats 1,2,7,8,13,14
verify two-frames "$node" --frames 2 --formats 1,2,7,8
v4l2-ctl -d "$node" -c inject_vidioc_streamon_error=1
verify streamon "$node" --frames 2 --formats 1
v4l2-ctl -d "$node" -c inject_v4l2_buf_flag_error=1
verify buf-flag "$node" --frames 2 --formats 1
verify_pressing fatal inject_fatal_streaming_error
verify mplane /dev/video1 --frames 5 --formats 1,2 --json

v4l2-ctl -d "$node" --set-input 1 > /dev/null
v4l2-ctl -d "$node" --set-standard ntsc > /dev/null
verify tv "$node" --frames 2 --formats 1
v4l2-ctl -d "$node" --set-input 0 > /dev/null

# Ctrl-C in the middle of the first of two long formats.
state "$node" > "$out/interrupt.before"
capspect verify --frames 600 --formats 1,2 "$node" > "$out/interrupt" 2> "$out/interrupt.err" &
sleep 1
kill -INT $!
wait $!
echo $? > "$out/interrupt.rc"
state "$node" > "$out/interrupt.after"

verify_pressing disconnect disconnect

echo "=== OUTPUT BEGIN ==="
tar -c -C "$out" . | gzip -6 | base64
echo "=== OUTPUT END ==="
