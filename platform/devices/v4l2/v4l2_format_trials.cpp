#include "platform/devices/v4l2/v4l2_format_trials.h"

#include <cerrno>

#include "platform/devices/v4l2/mmap_stream.h"
#include "platform/devices/v4l2/pixel_formats.h"

namespace capspect::v4l2 {
namespace {

std::optional<FailedCall> SetInterval(V4l2Device& device, std::uint32_t bufferType,
                                      Fraction interval) {
    v4l2_streamparm parm{};
    parm.type = bufferType;
    parm.parm.capture.timeperframe = {interval.numerator, interval.denominator};
    const int error = device.SetParm(parm);
    // A driver without frame rate control keeps its own rate; the frames tell it.
    if (error != 0 && error != ENOTTY) {
        return FailedV4l2Call("VIDIOC_S_PARM", error);
    }
    return std::nullopt;
}

}  // namespace

FoundState FoundStateOf(const DeviceRecording& recording) {
    FoundState found;
    found.input = recording.currentInput;
    if (const InputRecording* input = SelectedInput(recording)) {
        found.standard = input->standard;
        found.format = input->format;
        if (input->parm) {
            const v4l2_fract& f = input->parm->timeperframe;
            if (f.numerator != 0 && f.denominator != 0) {
                found.interval = Fraction{f.numerator, f.denominator};
            }
        }
    }
    return found;
}

V4l2FormatTrials::V4l2FormatTrials(V4l2Device& device, std::uint32_t bufferType, FoundState found,
                                   FormatResolver resolve)
    : device_(device),
      bufferType_(bufferType),
      found_(std::move(found)),
      resolve_(std::move(resolve)) {}

std::optional<FailedCall> V4l2FormatTrials::SetFormat(const TrialFormat& format,
                                                      TrialResult& result) {
    v4l2_format request = FormatRequest(bufferType_, format.pixelformat, format.size);
    if (const int error = device_.SetFormat(request); error != 0) {
        return FailedV4l2Call("VIDIOC_S_FMT", error);
    }
    const v4l2_pix_format chosen = SinglePlaneView(request);
    if (chosen.pixelformat != format.pixelformat || chosen.width != format.size.width ||
        chosen.height != format.size.height) {
        result.changed =
            DeliveredFormat{static_cast<LONG>(chosen.width), static_cast<LONG>(chosen.height),
                            MapPixelFormat(chosen.pixelformat).subtype};
    }
    if (format.interval) {
        return SetInterval(device_, bufferType_, *format.interval);
    }
    return std::nullopt;
}

TrialResult V4l2FormatTrials::Run(const TrialRequest& request) {
    TrialResult result;
    const std::optional<TrialFormat> format =
        request.format ? resolve_(request.capability, *request.format) : std::nullopt;
    if (!format) {
        result.refused = FailedCall{"IAMStreamConfig::SetFormat", VFW_E_INVALIDMEDIATYPE, {}};
        return result;
    }
    if (auto refused = SetFormat(*format, result)) {
        result.refused = std::move(refused);
        return result;
    }
    V4l2Streaming* const streaming = device_.Streaming();
    if (streaming == nullptr) {
        result.failure = FailedV4l2Call("VIDIOC_REQBUFS", ENOTTY);
        return result;
    }
    StreamMmapFrames(*streaming, bufferType_, request, result);
    return result;
}

std::optional<FailedCall> V4l2FormatTrials::Restore() {
    std::optional<FailedCall> failed;
    const auto note = [&failed](const char* call, int error) {
        if (error != 0 && error != ENOTTY && !failed) {
            failed = FailedV4l2Call(call, error);
        }
    };
    if (found_.input) {
        note("VIDIOC_S_INPUT", device_.SetInput(*found_.input));
    }
    V4l2Streaming* const streaming = device_.Streaming();
    if (found_.standard && streaming != nullptr) {
        note("VIDIOC_S_STD", streaming->SetStd(*found_.standard));
    }
    if (found_.format) {
        v4l2_format request = FormatRequest(bufferType_, found_.format->pixelformat,
                                            FrameSize{found_.format->width, found_.format->height});
        note("VIDIOC_S_FMT", device_.SetFormat(request));
    }
    if (found_.interval && !failed) {
        failed = SetInterval(device_, bufferType_, *found_.interval);
    }
    return failed;
}

}  // namespace capspect::v4l2
