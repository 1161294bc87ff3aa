#include "platform/devices/v4l2/capture_control.h"

#include <cerrno>
#include <cstdlib>
#include <numeric>

#include "platform/devices/v4l2/device_description.h"
#include "platform/devices/v4l2/errors.h"

namespace capspect::v4l2 {
namespace {

struct AskedVideo {
    FrameSize size;
    REFERENCE_TIME avgTimePerFrame = 0;
};

std::optional<AskedVideo> AskedVideoOf(const AM_MEDIA_TYPE& type) {
    const std::optional<VideoFrame> frame = VideoFrameOf(type);
    if (!frame || frame->width <= 0 || frame->height == 0) {
        return std::nullopt;
    }
    return AskedVideo{{static_cast<std::uint32_t>(frame->width),
                       static_cast<std::uint32_t>(std::abs(frame->height))},
                      frame->avgTimePerFrame};
}

bool IsVideoConnector(LONG type) {
    return type < PhysConn_Audio_Tuner;
}

}  // namespace

V4l2CaptureControl::V4l2CaptureControl(std::unique_ptr<V4l2Device> device,
                                       DeviceRecording recording, FailureSink failures)
    : device_(std::move(device)),
      failures_(std::move(failures)),
      bufferType_(CaptureBufferType(recording.capability)),
      recording_(std::move(recording)),
      found_(FoundStateOf(recording_)),
      crossbar_(CrossbarOf(recording_)) {
    MapSelectedInput();
}

void V4l2CaptureControl::MapSelectedInput() {
    const InputRecording* input = SelectedInput(recording_);
    capabilities_ = input ? MapCapabilities(*input) : std::vector<VideoCapability>{};
    config_ = input ? StreamConfigOf(capabilities_, *input) : sim::StreamConfigDesc{};
    initial_.reset();
    if (input && input->format) {
        initial_ = DeviceFormat{*input->format, CurrentInterval(*input)};
    }
    ++generation_;
}

HRESULT V4l2CaptureControl::ReadFormat(std::optional<MediaType>& format) {
    format.reset();
    v4l2_format answer{};
    answer.type = bufferType_;
    if (const int error = device_->GetFormat(answer); error != 0) {
        return HResultFromErrno(error);
    }
    std::optional<Fraction> interval;
    v4l2_streamparm parm{};
    parm.type = bufferType_;
    if (const int error = device_->GetParm(parm); error == 0) {
        const v4l2_fract& f = parm.parm.capture.timeperframe;
        if (f.numerator != 0 && f.denominator != 0) {
            interval = Fraction{f.numerator, f.denominator};
        }
    } else if (error != ENOTTY && error != EINVAL) {
        // A driver without frame rates answers ENOTTY or EINVAL; anything else is a fault.
        return HResultFromErrno(error);
    }
    format = DeliveredMediaType(capabilities_, SinglePlaneView(answer), interval);
    return S_OK;
}

std::optional<Fraction> V4l2CaptureControl::IntervalFor(std::uint32_t pixelformat,
                                                        REFERENCE_TIME avgTimePerFrame) const {
    if (avgTimePerFrame <= 0) {
        return std::nullopt;
    }
    std::vector<Fraction> recorded;
    if (const InputRecording* input = SelectedInput(recording_)) {
        for (const FormatRecording& format : input->formats) {
            if (format.description.pixelformat != pixelformat) {
                continue;
            }
            for (const SizeAnswers& at : format.atSizes) {
                const auto& intervals = at.intervals;
                recorded.insert(recorded.end(), intervals.discrete.begin(),
                                intervals.discrete.end());
                recorded.push_back(intervals.range.min);
                recorded.push_back(intervals.range.max);
            }
        }
        if (const auto current = CurrentInterval(*input)) {
            recorded.push_back(*current);
        }
    }
    for (const Fraction f : recorded) {
        if (f.denominator != 0 && IntervalToReferenceTime(f) == avgTimePerFrame) {
            return f;
        }
    }
    // 100 ns units, reduced: 400000 is 1/25.
    constexpr std::uint64_t kUnitsPerSecond = 10'000'000;
    const auto units = static_cast<std::uint64_t>(avgTimePerFrame);
    const std::uint64_t divisor = std::gcd(units, kUnitsPerSecond);
    if (units / divisor > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return Fraction{static_cast<std::uint32_t>(units / divisor),
                    static_cast<std::uint32_t>(kUnitsPerSecond / divisor)};
}

HRESULT V4l2CaptureControl::SetDeviceFormat(std::uint32_t pixelformat, FrameSize size,
                                            std::optional<Fraction> interval, bool refuseAdjusted) {
    if (refuseAdjusted) {
        v4l2_format tried = FormatRequest(bufferType_, pixelformat, size);
        if (const int error = device_->TryFormat(tried); error != 0) {
            return HResultFromErrno(error);
        }
        const v4l2_pix_format answer = SinglePlaneView(tried);
        if (answer.pixelformat != pixelformat || answer.width != size.width ||
            answer.height != size.height) {
            return VFW_E_INVALIDMEDIATYPE;
        }
    }
    v4l2_format request = FormatRequest(bufferType_, pixelformat, size);
    if (const int error = device_->SetFormat(request); error != 0) {
        return HResultFromErrno(error);
    }
    if (!interval) {
        return S_OK;
    }
    v4l2_streamparm parm{};
    parm.type = bufferType_;
    parm.parm.capture.timeperframe = {interval->numerator, interval->denominator};
    const int error = device_->SetParm(parm);
    // A driver without frame rate control keeps its own rate; the format says which.
    return error == 0 || error == ENOTTY ? S_OK : HResultFromErrno(error);
}

HRESULT V4l2CaptureControl::ApplyFormat(const AM_MEDIA_TYPE* format, std::optional<int> capability,
                                        std::optional<MediaType>& delivered) {
    HRESULT hr = S_OK;
    if (format == nullptr) {
        if (initial_) {
            const v4l2_pix_format& pix = initial_->format;
            hr = SetDeviceFormat(pix.pixelformat, {pix.width, pix.height}, initial_->interval,
                                 false);
        }
    } else {
        const auto asked = AskedVideoOf(*format);
        if (!asked || !capability || *capability < 0 ||
            static_cast<std::size_t>(*capability) >= capabilities_.size()) {
            return VFW_E_INVALIDMEDIATYPE;
        }
        const std::uint32_t pixelformat =
            capabilities_[static_cast<std::size_t>(*capability)].pixelformat;
        hr = SetDeviceFormat(pixelformat, asked->size,
                             IntervalFor(pixelformat, asked->avgTimePerFrame), true);
    }
    if (FAILED(hr)) {
        return hr;
    }
    return ReadFormat(delivered);
}

std::optional<TrialFormat> V4l2CaptureControl::TrialFormatOf(int capability,
                                                             const AM_MEDIA_TYPE& type) const {
    const auto asked = AskedVideoOf(type);
    if (!asked || capability < 0 || static_cast<std::size_t>(capability) >= capabilities_.size()) {
        return std::nullopt;
    }
    const std::uint32_t pixelformat =
        capabilities_[static_cast<std::size_t>(capability)].pixelformat;
    return TrialFormat{pixelformat, asked->size, IntervalFor(pixelformat, asked->avgTimePerFrame)};
}

std::unique_ptr<FormatTrials> V4l2CaptureControl::MakeTrials() {
    return std::make_unique<V4l2FormatTrials>(*device_, bufferType_, found_,
                                              [this](int capability, const AM_MEDIA_TYPE& type) {
                                                  return TrialFormatOf(capability, type);
                                              });
}

HRESULT V4l2CaptureControl::Route(LONG output, LONG input) {
    if (!crossbar_ || output < 0 || input < 0 ||
        static_cast<std::size_t>(output) >= crossbar_->outputs.size() ||
        static_cast<std::size_t>(input) >= crossbar_->inputs.size()) {
        return E_INVALIDARG;
    }
    const CrossbarOutput& target = crossbar_->outputs[static_cast<std::size_t>(output)];
    const CrossbarInput& source = crossbar_->inputs[static_cast<std::size_t>(input)];
    if (!IsVideoConnector(target.type) || !IsVideoConnector(source.type)) {
        return E_NOTIMPL;
    }
    if (const int error = device_->SetInput(static_cast<int>(source.v4l2Index)); error != 0) {
        return HResultFromErrno(error);
    }
    DeviceRecording recording;
    const int error = RecordSelectedInput(*device_, recording);
    if (!recording.failures.empty() && failures_) {
        failures_(recording.failures);
    }
    if (error != 0) {
        return HResultFromErrno(error);
    }
    recording_ = std::move(recording);
    MapSelectedInput();
    return S_OK;
}

}  // namespace capspect::v4l2
