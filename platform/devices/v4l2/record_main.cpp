// capspect-v4l2-record [NODE]: prints the answers of a V4L2 device node (default
// /dev/video0) as a recording in JSON, for replay in tests.
#include <cstdio>
#include <cstring>
#include <iostream>

#include <nlohmann/json.hpp>

#include "platform/devices/v4l2/device.h"
#include "platform/devices/v4l2/recording_json.h"

int main(int argc, char** argv) {
    using namespace capspect::v4l2;
    const char* node = argc > 1 ? argv[1] : "/dev/video0";
    const OpenedDevice opened = V4l2FileDevice::Open(node);
    if (!opened.device) {
        std::fprintf(stderr, "capspect-v4l2-record: %s: %s\n", node, std::strerror(opened.error));
        return 1;
    }
    V4l2Device* const device = opened.device.get();
    DeviceRecording recording;
    const int failure = RecordDevice(*device, recording);
    // A recording with answers missing would replay as another device: none is printed.
    for (const ReadFailure& missing : recording.failures) {
        std::fprintf(stderr, "capspect-v4l2-record: %s: %s\n", node,
                     ReadFailureText(missing).c_str());
    }
    if (failure != 0 || !recording.failures.empty()) {
        if (recording.failures.empty()) {
            std::fprintf(stderr, "capspect-v4l2-record: %s: %s\n", node, std::strerror(failure));
        }
        return 1;
    }
    std::cout << ToJson(recording).dump(1) << '\n';
    return 0;
}
