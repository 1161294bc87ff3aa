// Recorded devices for the V4L2 tests: the answers of the kernel's vivid driver, recorded
// in a QEMU guest (tests/data/v4l2), and small hand-written devices.
#pragma once

#include <fstream>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/devices/v4l2/recording_json.h"

namespace capspect::v4l2::testing {

inline nlohmann::json LoadJson(const std::string& name) {
    const std::string path = std::string(CAPSPECT_V4L2_TEST_DATA) + "/" + name;
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    return nlohmann::json::parse(file);
}

inline DeviceRecording LoadRecording(const std::string& name) {
    return RecordingFromJson(LoadJson(name));
}

inline DeviceRecording RecordingFromText(const char* json) {
    return RecordingFromJson(nlohmann::json::parse(json));
}

}  // namespace capspect::v4l2::testing
