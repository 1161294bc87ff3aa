// The crossbar a V4L2 device presents: one input pin per video input (VIDIOC_ENUMINPUT)
// followed by one per audio input (VIDIOC_ENUMAUDIO), a video-decoder output routed from
// the selected input and, when there are audio inputs, an audio-decoder output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/v4l2/recording.h"
#include "platform/sdk/dshow/capture.h"

namespace capspect::v4l2 {

struct CrossbarInput {
    PhysicalConnectorType type;
    LONG related;             // crossbar index of the matching audio/video input, or -1
    std::uint32_t v4l2Index;  // the index VIDIOC_S_INPUT / VIDIOC_S_AUDIO takes
    std::string name;
};

struct CrossbarOutput {
    PhysicalConnectorType type;
    LONG routedFrom;  // crossbar input index, -1 when nothing is routed
};

struct CrossbarLayout {
    std::vector<CrossbarInput> inputs;
    std::vector<CrossbarOutput> outputs;
};

// The layout, or nothing when the device has a single video input and no audio input
// (nothing to switch, so no crossbar upstream of the capture filter).
std::optional<CrossbarLayout> CrossbarOf(const DeviceRecording& recording);

}  // namespace capspect::v4l2
