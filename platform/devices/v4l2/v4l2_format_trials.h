// Streaming trials on a V4L2 capture node: VIDIOC_S_FMT and VIDIOC_S_PARM set the format
// (a driver that adjusts the size or pixel format gives a changed frame, not a refusal,
// since V4L2 drivers never refuse a format), then memory-mapped streaming
// (StreamMmapFrames). Restore returns the node to the input, standard, format and frame
// interval it had when it was opened, in that order (switching the input resets the
// format in many drivers).
#pragma once

#include <functional>
#include <optional>

#include "platform/devices/format_trial.h"
#include "platform/devices/v4l2/device.h"
#include "platform/devices/v4l2/recording.h"

namespace capspect::v4l2 {

// What a node was found with; each part is restored only when it was read.
struct FoundState {
    std::optional<int> input;
    std::optional<v4l2_std_id> standard;
    std::optional<v4l2_pix_format> format;
    std::optional<Fraction> interval;
};

// The selected input's state in a recording made when the node was opened.
FoundState FoundStateOf(const DeviceRecording& recording);

// The V4L2 format a capability's media type stands for.
struct TrialFormat {
    std::uint32_t pixelformat = 0;
    FrameSize size;
    std::optional<Fraction> interval;
};

class V4l2FormatTrials final : public FormatTrials {
public:
    // Answers the V4L2 format of a trial's capability and media type; nothing when the
    // type is not one of the node's.
    using FormatResolver =
        std::function<std::optional<TrialFormat>(int capability, const AM_MEDIA_TYPE& type)>;

    // `device` outlives the trials.
    V4l2FormatTrials(V4l2Device& device, std::uint32_t bufferType, FoundState found,
                     FormatResolver resolve);

    TrialResult Run(const TrialRequest& request) override;
    std::optional<FailedCall> Restore() override;

private:
    // Sets the format; the refusal, if any. Notes a changed frame in `result`.
    std::optional<FailedCall> SetFormat(const TrialFormat& format, TrialResult& result);

    V4l2Device& device_;
    const std::uint32_t bufferType_;
    const FoundState found_;
    const FormatResolver resolve_;
};

}  // namespace capspect::v4l2
