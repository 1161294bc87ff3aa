// Asking a device what the backend needs to know, input by input.
#include "platform/v4l2/recording.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/v4l2/device.h"

namespace capspect::v4l2 {

v4l2_pix_format SinglePlaneView(const v4l2_format& format) {
    if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
        return format.fmt.pix;
    }
    // A multi-planar format reads as one image: the first plane's line length and the
    // size of all planes together.
    const v4l2_pix_format_mplane& planes = format.fmt.pix_mp;
    v4l2_pix_format pix{};
    pix.width = planes.width;
    pix.height = planes.height;
    pix.pixelformat = planes.pixelformat;
    pix.field = planes.field;
    pix.colorspace = planes.colorspace;
    const unsigned count = std::min<unsigned>(planes.num_planes, VIDEO_MAX_PLANES);
    if (count > 0) {
        pix.bytesperline = planes.plane_fmt[0].bytesperline;
    }
    for (unsigned plane = 0; plane < count; ++plane) {
        pix.sizeimage += planes.plane_fmt[plane].sizeimage;
    }
    return pix;
}

v4l2_format FormatRequest(std::uint32_t bufferType, std::uint32_t pixelformat, FrameSize size) {
    v4l2_format format{};
    format.type = bufferType;
    if (bufferType == V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
        format.fmt.pix_mp.width = size.width;
        format.fmt.pix_mp.height = size.height;
        format.fmt.pix_mp.pixelformat = pixelformat;
        format.fmt.pix_mp.field = V4L2_FIELD_ANY;
    } else {
        format.fmt.pix.width = size.width;
        format.fmt.pix.height = size.height;
        format.fmt.pix.pixelformat = pixelformat;
        format.fmt.pix.field = V4L2_FIELD_ANY;
    }
    return format;
}

std::uint32_t CaptureBufferType(const v4l2_capability& capability) {
    const std::uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS)
                                   ? capability.device_caps
                                   : capability.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_VIDEO_CAPTURE_MPLANE)) {
        return V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE;
    }
    return V4L2_BUF_TYPE_VIDEO_CAPTURE;
}

namespace {

Enumeration<FrameSize> EnumerateSizes(V4l2Device& device, std::uint32_t pixelformat) {
    Enumeration<FrameSize> sizes;
    for (std::uint32_t index = 0;; ++index) {
        v4l2_frmsizeenum answer{};
        answer.index = index;
        answer.pixel_format = pixelformat;
        if (device.EnumFrameSizes(answer) != 0) {
            break;
        }
        sizes.type = answer.type;
        if (answer.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
            const v4l2_frmsize_stepwise& s = answer.stepwise;
            sizes.range = {{s.min_width, s.min_height},
                           {s.max_width, s.max_height},
                           {s.step_width, s.step_height}};
            break;
        }
        sizes.discrete.push_back({answer.discrete.width, answer.discrete.height});
    }
    return sizes;
}

Enumeration<Fraction> EnumerateIntervals(V4l2Device& device, std::uint32_t pixelformat,
                                         FrameSize size) {
    Enumeration<Fraction> intervals;
    for (std::uint32_t index = 0;; ++index) {
        v4l2_frmivalenum answer{};
        answer.index = index;
        answer.pixel_format = pixelformat;
        answer.width = size.width;
        answer.height = size.height;
        if (device.EnumFrameIntervals(answer) != 0) {
            break;
        }
        intervals.type = answer.type;
        if (answer.type != V4L2_FRMIVAL_TYPE_DISCRETE) {
            const v4l2_frmival_stepwise& s = answer.stepwise;
            intervals.range = {{s.min.numerator, s.min.denominator},
                               {s.max.numerator, s.max.denominator},
                               {s.step.numerator, s.step.denominator}};
            break;
        }
        intervals.discrete.push_back({answer.discrete.numerator, answer.discrete.denominator});
    }
    return intervals;
}

}  // namespace

bool SizeInRange(const Range<FrameSize>& range, FrameSize size) {
    auto fits = [](std::uint32_t value, std::uint32_t min, std::uint32_t max, std::uint32_t step) {
        return value >= min && value <= max && (step <= 1 || (value - min) % step == 0);
    };
    return fits(size.width, range.min.width, range.max.width, range.step.width) &&
           fits(size.height, range.min.height, range.max.height, range.step.height);
}

namespace {

// The sizes at which intervals and image sizes are asked: every discrete size; the minimum,
// the current (when it lies in the range) and the maximum of a range; the current size
// when the driver enumerates no sizes at all.
std::vector<FrameSize> SizesToAsk(const Enumeration<FrameSize>& sizes,
                                  const std::optional<v4l2_pix_format>& current) {
    std::optional<FrameSize> currentSize;
    if (current) {
        currentSize = FrameSize{current->width, current->height};
    }
    if (sizes.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        return sizes.discrete;
    }
    if (sizes.type == 0) {
        return currentSize ? std::vector<FrameSize>{*currentSize} : std::vector<FrameSize>{};
    }
    std::vector<FrameSize> result{sizes.range.min};
    if (currentSize && SizeInRange(sizes.range, *currentSize)) {
        result.push_back(*currentSize);
    }
    result.push_back(sizes.range.max);
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

std::optional<v4l2_pix_format> TryAt(V4l2Device& device, std::uint32_t bufferType,
                                     std::uint32_t pixelformat, FrameSize size) {
    v4l2_format format = FormatRequest(bufferType, pixelformat, size);
    if (device.TryFormat(format) != 0) {
        return std::nullopt;
    }
    return SinglePlaneView(format);
}

std::vector<FormatRecording> RecordFormats(V4l2Device& device, std::uint32_t bufferType,
                                           const std::optional<v4l2_pix_format>& current) {
    std::vector<FormatRecording> formats;
    for (std::uint32_t index = 0;; ++index) {
        FormatRecording format;
        format.description.index = index;
        format.description.type = bufferType;
        if (device.EnumFormat(format.description) != 0) {
            break;
        }
        const std::uint32_t pixelformat = format.description.pixelformat;
        format.sizes = EnumerateSizes(device, pixelformat);
        for (FrameSize size : SizesToAsk(format.sizes, current)) {
            format.atSizes.push_back({size, EnumerateIntervals(device, pixelformat, size),
                                      TryAt(device, bufferType, pixelformat, size)});
        }
        formats.push_back(std::move(format));
    }
    return formats;
}

std::vector<StandardRecording> RecordStandards(V4l2Device& device) {
    std::vector<StandardRecording> standards;
    for (std::uint32_t index = 0;; ++index) {
        v4l2_standard answer{};
        answer.index = index;
        if (device.EnumStd(answer) != 0) {
            break;
        }
        standards.push_back(
            {answer.id,
             std::string(reinterpret_cast<const char*>(answer.name),
                         strnlen(reinterpret_cast<const char*>(answer.name), sizeof answer.name)),
             {answer.frameperiod.numerator, answer.frameperiod.denominator},
             answer.framelines});
    }
    return standards;
}

InputRecording RecordInputState(V4l2Device& device, std::uint32_t bufferType) {
    InputRecording state;
    state.bufferType = bufferType;

    v4l2_format format{};
    format.type = bufferType;
    if (device.GetFormat(format) == 0) {
        state.format = SinglePlaneView(format);
    }
    v4l2_streamparm parm{};
    parm.type = bufferType;
    if (device.GetParm(parm) == 0) {
        state.parm = parm.parm.capture;
    }
    v4l2_std_id standard = 0;
    if (device.GetStd(standard) == 0) {
        state.standard = standard;
    }
    state.standards = RecordStandards(device);

    // Cropping is always asked with the single-planar type, which every kernel accepts.
    v4l2_cropcap cropcap{};
    cropcap.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (device.CropCap(cropcap) == 0) {
        state.cropcap = cropcap;
    }
    v4l2_selection selection{};
    selection.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    selection.target = V4L2_SEL_TGT_CROP_DEFAULT;
    if (device.GetSelection(selection) == 0) {
        state.cropDefault = selection.r;
    }
    v4l2_audio audio{};
    if (device.GetAudio(audio) == 0) {
        state.audio = audio.index;
    }
    state.formats = RecordFormats(device, bufferType, state.format);
    return state;
}

}  // namespace

namespace {

// Forwards every call to a device and remembers whether the device went away (ENODEV,
// ENXIO) during the recording. The recording reads a failing enumeration as its end and a
// failing query as "not offered", which is right for EINVAL and ENOTTY but would turn an
// unplugged device into a device with fewer formats; with this the recording fails.
class GoneWatch final : public V4l2Device {
public:
    explicit GoneWatch(V4l2Device& device) : device_(device) {}

    // ENODEV or ENXIO when the device went away, else 0.
    int Gone() const { return gone_; }

    int QueryCap(v4l2_capability& a) override { return Note(device_.QueryCap(a)); }
    int EnumFormat(v4l2_fmtdesc& a) override { return Note(device_.EnumFormat(a)); }
    int EnumFrameSizes(v4l2_frmsizeenum& a) override { return Note(device_.EnumFrameSizes(a)); }
    int EnumFrameIntervals(v4l2_frmivalenum& a) override {
        return Note(device_.EnumFrameIntervals(a));
    }
    int GetFormat(v4l2_format& a) override { return Note(device_.GetFormat(a)); }
    int SetFormat(v4l2_format& a) override { return Note(device_.SetFormat(a)); }
    int TryFormat(v4l2_format& a) override { return Note(device_.TryFormat(a)); }
    int GetParm(v4l2_streamparm& a) override { return Note(device_.GetParm(a)); }
    int SetParm(v4l2_streamparm& a) override { return Note(device_.SetParm(a)); }
    int EnumInput(v4l2_input& a) override { return Note(device_.EnumInput(a)); }
    int GetInput(int& a) override { return Note(device_.GetInput(a)); }
    int SetInput(int a) override { return Note(device_.SetInput(a)); }
    int EnumStd(v4l2_standard& a) override { return Note(device_.EnumStd(a)); }
    int GetStd(v4l2_std_id& a) override { return Note(device_.GetStd(a)); }
    int EnumAudio(v4l2_audio& a) override { return Note(device_.EnumAudio(a)); }
    int GetAudio(v4l2_audio& a) override { return Note(device_.GetAudio(a)); }
    int CropCap(v4l2_cropcap& a) override { return Note(device_.CropCap(a)); }
    int GetSelection(v4l2_selection& a) override { return Note(device_.GetSelection(a)); }

private:
    int Note(int error) {
        if (gone_ == 0 && (error == ENODEV || error == ENXIO)) {
            gone_ = error;
        }
        return error;
    }

    V4l2Device& device_;
    int gone_ = 0;
};

int RecordWholeDevice(V4l2Device& device, DeviceRecording& recording);
int RecordSelectedInputOnly(V4l2Device& device, DeviceRecording& recording);

}  // namespace

int RecordDevice(V4l2Device& device, DeviceRecording& recording) {
    GoneWatch watch(device);
    const int failure = RecordWholeDevice(watch, recording);
    return watch.Gone() != 0 ? watch.Gone() : failure;
}

int RecordSelectedInput(V4l2Device& device, DeviceRecording& recording) {
    GoneWatch watch(device);
    const int failure = RecordSelectedInputOnly(watch, recording);
    return watch.Gone() != 0 ? watch.Gone() : failure;
}

namespace {

// Every entry the driver lists, asked by index until it answers an error.
template <typename Entry>
std::vector<Entry> EnumerateAll(V4l2Device& device, int (V4l2Device::*enumerate)(Entry&)) {
    std::vector<Entry> entries;
    for (std::uint32_t index = 0;; ++index) {
        Entry entry{};
        entry.index = index;
        if ((device.*enumerate)(entry) != 0) {
            return entries;
        }
        entries.push_back(entry);
    }
}

// Starts a recording afresh with the device's capabilities and its selected input.
int RecordCapability(V4l2Device& device, DeviceRecording& recording) {
    recording = {};
    if (const int error = device.QueryCap(recording.capability); error != 0) {
        return error;
    }
    int current = 0;
    if (device.GetInput(current) == 0) {
        recording.currentInput = current;
    }
    return 0;
}

int RecordWholeDevice(V4l2Device& device, DeviceRecording& recording) {
    if (const int error = RecordCapability(device, recording); error != 0) {
        return error;
    }
    const std::uint32_t bufferType = CaptureBufferType(recording.capability);
    const int current = recording.currentInput.value_or(0);
    const std::vector<v4l2_input> inputs = EnumerateAll(device, &V4l2Device::EnumInput);
    if (inputs.empty()) {
        recording.inputs.push_back(RecordInputState(device, bufferType));
    }
    int failure = 0;
    for (const v4l2_input& input : inputs) {
        const int index = static_cast<int>(input.index);
        if (inputs.size() > 1 || index != current) {
            if (const int error = device.SetInput(index); error != 0) {
                failure = error;
                break;
            }
        }
        InputRecording state = RecordInputState(device, bufferType);
        state.input = input;
        recording.inputs.push_back(std::move(state));
    }
    if (inputs.size() > 1 && recording.currentInput) {
        const int error = device.SetInput(*recording.currentInput);
        failure = failure != 0 ? failure : error;
    }
    recording.audioInputs = EnumerateAll(device, &V4l2Device::EnumAudio);
    return failure;
}

int RecordSelectedInputOnly(V4l2Device& device, DeviceRecording& recording) {
    if (const int error = RecordCapability(device, recording); error != 0) {
        return error;
    }
    const std::uint32_t bufferType = CaptureBufferType(recording.capability);
    bool recorded = false;
    for (const v4l2_input& input : EnumerateAll(device, &V4l2Device::EnumInput)) {
        InputRecording state;
        if (recording.currentInput && static_cast<int>(input.index) == *recording.currentInput) {
            state = RecordInputState(device, bufferType);
            recorded = true;
        }
        state.input = input;
        recording.inputs.push_back(std::move(state));
    }
    if (!recorded && recording.inputs.size() <= 1) {
        // No inputs enumerated, or one that G_INPUT does not name: the device's own state.
        InputRecording state = RecordInputState(device, bufferType);
        if (!recording.inputs.empty()) {
            state.input = recording.inputs.front().input;
            recording.inputs.front() = std::move(state);
        } else {
            recording.inputs.push_back(std::move(state));
        }
    }
    recording.audioInputs = EnumerateAll(device, &V4l2Device::EnumAudio);
    return 0;
}

}  // namespace

const InputRecording* SelectedInput(const DeviceRecording& recording) {
    if (recording.currentInput) {
        for (const InputRecording& state : recording.inputs) {
            if (state.input && static_cast<int>(state.input->index) == *recording.currentInput) {
                return &state;
            }
        }
    }
    return recording.inputs.size() == 1 ? &recording.inputs.front() : nullptr;
}

}  // namespace capspect::v4l2
