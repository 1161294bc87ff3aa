// Asking a device what the backend needs to know, input by input.
#include "platform/devices/v4l2/recording.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/devices/v4l2/pixel_formats.h"
#include "platform/devices/v4l2/recording_json.h"

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

bool SizeInRange(const Range<FrameSize>& range, FrameSize size) {
    auto fits = [](std::uint32_t value, std::uint32_t min, std::uint32_t max, std::uint32_t step) {
        return value >= min && value <= max && (step <= 1 || (value - min) % step == 0);
    };
    return fits(size.width, range.min.width, range.max.width, range.step.width) &&
           fits(size.height, range.min.height, range.max.height, range.step.height);
}

std::string ReadFailureText(const ReadFailure& failure) {
    std::string text = IoctlName(failure.ioctl);
    if (failure.pixelformat != 0) {
        text += " for " + FourCCText(failure.pixelformat);
        if (failure.size) {
            text += " " + std::to_string(failure.size->width) + "x" +
                    std::to_string(failure.size->height);
        }
    }
    if (failure.index) {
        text += ", index " + std::to_string(*failure.index);
    }
    return text + ": " + std::strerror(failure.error);
}

namespace {

// A driver that answers EINTR or EAGAIN this often in a row is taken at its word.
constexpr int kAttempts = 8;

// What a call is asked for, as its failure will name it.
ReadFailure Question(Ioctl ioctl, std::optional<std::uint32_t> index = std::nullopt,
                     std::uint32_t pixelformat = 0, std::optional<FrameSize> size = std::nullopt) {
    ReadFailure question;
    question.ioctl = ioctl;
    question.index = index;
    question.pixelformat = pixelformat;
    question.size = size;
    return question;
}

bool WentAway(int error) {
    return error == ENODEV || error == ENXIO;
}

// The errno of an answer that is no failure of the device: the end of an enumeration, a
// query that does not apply or that the driver does not offer.
bool MeansNoAnswer(Ioctl ioctl, int error) {
    if (error == EINVAL || error == ENOTTY) {
        return true;
    }
    // The kernel answers ENODATA for what an input does not have: standards on a webcam or
    // an HDMI input, cropping where the driver offers none.
    switch (ioctl) {
        case Ioctl::EnumStd:
        case Ioctl::GetStd:
        case Ioctl::CropCap:
        case Ioctl::GetSelection:
        case Ioctl::GetParm:
        case Ioctl::GetAudio:
            return error == ENODATA;
        default:
            return false;
    }
}

// Asks a device the questions of one recording and reads the answers by their errno: the
// failures of the device go into the recording, and once the device went away nothing
// more is asked.
class Asker {
public:
    Asker(V4l2Device& device, std::vector<ReadFailure>& failures)
        : device_(device), failures_(failures) {}

    // True when the device answered `question` (the call `ask` with `argument`).
    template <typename Argument>
    bool Ask(const ReadFailure& question, int (V4l2Device::*ask)(Argument&), Argument& argument) {
        if (gone_ != 0) {
            return false;
        }
        const Argument asked = argument;
        const int error = Retried([&] {
            argument = asked;  // as it was, whatever a failed call left in it
            return (device_.*ask)(argument);
        });
        if (error != 0 && !MeansNoAnswer(question.ioctl, error)) {
            Note(question, error);
        }
        return error == 0;
    }

    // VIDIOC_QUERYCAP, which a recording cannot do without: 0 or the errno, which is
    // noted as a failure whatever it is.
    int QueryCapability(v4l2_capability& capability) {
        return Required(Question(Ioctl::QueryCap),
                        Retried([&] { return device_.QueryCap(capability); }));
    }

    // VIDIOC_S_INPUT, without which the input's answers cannot be asked.
    int SelectInput(int index) {
        return Required(Question(Ioctl::SetInput, static_cast<std::uint32_t>(index)),
                        Retried([&] { return device_.SetInput(index); }));
    }

    // ENODEV or ENXIO once the device went away, else 0.
    int Gone() const { return gone_; }

private:
    // The errno of `call`, asked again while the driver answers EINTR or EAGAIN; the errno
    // of the device's departure once it went.
    template <typename Call>
    int Retried(Call&& call) const {
        if (gone_ != 0) {
            return gone_;
        }
        int error = 0;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            error = call();
            if (error != EINTR && error != EAGAIN) {
                break;
            }
        }
        return error;
    }

    int Required(const ReadFailure& question, int error) {
        if (error != 0 && gone_ == 0) {
            Note(question, error);
        }
        return error;
    }

    void Note(ReadFailure failure, int error) {
        failure.error = error;
        failures_.push_back(failure);
        if (WentAway(error)) {
            gone_ = error;
        }
    }

    V4l2Device& device_;
    std::vector<ReadFailure>& failures_;
    int gone_ = 0;
};

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

// Which image sizes a recording asks with VIDIOC_TRY_FMT.
enum class TryFormats {
    AtEverySize,       // a replay answers TRY_FMT from them
    WhereTheMapNeeds,  // only formats whose image size the driver alone knows
};

// Records the state of the selected input.
class InputRecorder {
public:
    InputRecorder(Asker& asker, std::uint32_t bufferType, TryFormats tryFormats)
        : asker_(asker), bufferType_(bufferType), tryFormats_(tryFormats) {}

    InputRecording Record() {
        InputRecording state;
        state.bufferType = bufferType_;
        v4l2_format format{};
        format.type = bufferType_;
        if (asker_.Ask(Question(Ioctl::GetFmt), &V4l2Device::GetFormat, format)) {
            state.format = SinglePlaneView(format);
        }
        v4l2_streamparm parm{};
        parm.type = bufferType_;
        if (asker_.Ask(Question(Ioctl::GetParm), &V4l2Device::GetParm, parm)) {
            state.parm = parm.parm.capture;
        }
        v4l2_std_id standard = 0;
        if (asker_.Ask(Question(Ioctl::GetStd), &V4l2Device::GetStd, standard)) {
            state.standard = standard;
        }
        state.standards = Standards();
        RecordCropping(state);
        v4l2_audio audio{};
        if (asker_.Ask(Question(Ioctl::GetAudio), &V4l2Device::GetAudio, audio)) {
            state.audio = audio.index;
        }
        state.formats = Formats(state.format);
        return state;
    }

private:
    // Cropping is always asked with the single-planar type, which every kernel accepts.
    void RecordCropping(InputRecording& state) {
        v4l2_cropcap cropcap{};
        cropcap.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (asker_.Ask(Question(Ioctl::CropCap), &V4l2Device::CropCap, cropcap)) {
            state.cropcap = cropcap;
        }
        v4l2_selection selection{};
        selection.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        selection.target = V4L2_SEL_TGT_CROP_DEFAULT;
        if (asker_.Ask(Question(Ioctl::GetSelection), &V4l2Device::GetSelection, selection)) {
            state.cropDefault = selection.r;
        }
    }

    std::vector<StandardRecording> Standards() {
        std::vector<StandardRecording> standards;
        for (std::uint32_t index = 0;; ++index) {
            v4l2_standard answer{};
            answer.index = index;
            if (!asker_.Ask(Question(Ioctl::EnumStd, index), &V4l2Device::EnumStd, answer)) {
                return standards;
            }
            const auto* name = reinterpret_cast<const char*>(answer.name);
            standards.push_back({answer.id,
                                 std::string(name, strnlen(name, sizeof answer.name)),
                                 {answer.frameperiod.numerator, answer.frameperiod.denominator},
                                 answer.framelines});
        }
    }

    std::vector<FormatRecording> Formats(const std::optional<v4l2_pix_format>& current) {
        std::vector<FormatRecording> formats;
        for (std::uint32_t index = 0;; ++index) {
            FormatRecording format;
            format.description.index = index;
            format.description.type = bufferType_;
            if (!asker_.Ask(Question(Ioctl::EnumFmt, index), &V4l2Device::EnumFormat,
                            format.description)) {
                return formats;
            }
            const std::uint32_t pixelformat = format.description.pixelformat;
            format.sizes = Sizes(pixelformat);
            const bool tryFormat = tryFormats_ == TryFormats::AtEverySize ||
                                   ImageSizeFromDriver(pixelformat, format.description.flags);
            for (FrameSize size : SizesToAsk(format.sizes, current)) {
                format.atSizes.push_back({size, Intervals(pixelformat, size),
                                          tryFormat ? TryAt(pixelformat, size) : std::nullopt});
            }
            formats.push_back(std::move(format));
        }
    }

    Enumeration<FrameSize> Sizes(std::uint32_t pixelformat) {
        Enumeration<FrameSize> sizes;
        for (std::uint32_t index = 0;; ++index) {
            v4l2_frmsizeenum answer{};
            answer.index = index;
            answer.pixel_format = pixelformat;
            if (!asker_.Ask(Question(Ioctl::EnumFrameSizes, index, pixelformat),
                            &V4l2Device::EnumFrameSizes, answer)) {
                return sizes;
            }
            sizes.type = answer.type;
            if (answer.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
                const v4l2_frmsize_stepwise& s = answer.stepwise;
                sizes.range = {{s.min_width, s.min_height},
                               {s.max_width, s.max_height},
                               {s.step_width, s.step_height}};
                return sizes;
            }
            sizes.discrete.push_back({answer.discrete.width, answer.discrete.height});
        }
    }

    Enumeration<Fraction> Intervals(std::uint32_t pixelformat, FrameSize size) {
        Enumeration<Fraction> intervals;
        for (std::uint32_t index = 0;; ++index) {
            v4l2_frmivalenum answer{};
            answer.index = index;
            answer.pixel_format = pixelformat;
            answer.width = size.width;
            answer.height = size.height;
            if (!asker_.Ask(Question(Ioctl::EnumFrameIntervals, index, pixelformat, size),
                            &V4l2Device::EnumFrameIntervals, answer)) {
                return intervals;
            }
            intervals.type = answer.type;
            if (answer.type != V4L2_FRMIVAL_TYPE_DISCRETE) {
                const v4l2_frmival_stepwise& s = answer.stepwise;
                intervals.range = {{s.min.numerator, s.min.denominator},
                                   {s.max.numerator, s.max.denominator},
                                   {s.step.numerator, s.step.denominator}};
                return intervals;
            }
            intervals.discrete.push_back({answer.discrete.numerator, answer.discrete.denominator});
        }
    }

    std::optional<v4l2_pix_format> TryAt(std::uint32_t pixelformat, FrameSize size) {
        v4l2_format format = FormatRequest(bufferType_, pixelformat, size);
        if (!asker_.Ask(Question(Ioctl::TryFmt, std::nullopt, pixelformat, size),
                        &V4l2Device::TryFormat, format)) {
            return std::nullopt;
        }
        return SinglePlaneView(format);
    }

    Asker& asker_;
    const std::uint32_t bufferType_;
    const TryFormats tryFormats_;
};

// Every entry the driver lists, asked by index until the list ends (or fails).
template <typename Entry>
std::vector<Entry> EnumerateAll(Asker& asker, Ioctl ioctl, int (V4l2Device::*enumerate)(Entry&)) {
    std::vector<Entry> entries;
    for (std::uint32_t index = 0;; ++index) {
        Entry entry{};
        entry.index = index;
        if (!asker.Ask(Question(ioctl, index), enumerate, entry)) {
            return entries;
        }
        entries.push_back(entry);
    }
}

// The device's capabilities and its selected input.
int RecordCapability(Asker& asker, DeviceRecording& recording) {
    if (const int error = asker.QueryCapability(recording.capability); error != 0) {
        return error;
    }
    int current = 0;
    if (asker.Ask(Question(Ioctl::GetInput), &V4l2Device::GetInput, current)) {
        recording.currentInput = current;
    }
    return 0;
}

int RecordWholeDevice(Asker& asker, DeviceRecording& recording) {
    if (const int error = RecordCapability(asker, recording); error != 0) {
        return error;
    }
    InputRecorder recorder(asker, CaptureBufferType(recording.capability), TryFormats::AtEverySize);
    const int current = recording.currentInput.value_or(0);
    const std::vector<v4l2_input> inputs =
        EnumerateAll(asker, Ioctl::EnumInput, &V4l2Device::EnumInput);
    if (inputs.empty()) {
        recording.inputs.push_back(recorder.Record());
    }
    int failure = 0;
    for (const v4l2_input& input : inputs) {
        const int index = static_cast<int>(input.index);
        if (inputs.size() > 1 || index != current) {
            if (const int error = asker.SelectInput(index); error != 0) {
                failure = error;
                break;
            }
        }
        InputRecording state = recorder.Record();
        state.input = input;
        recording.inputs.push_back(std::move(state));
    }
    if (inputs.size() > 1 && recording.currentInput) {
        const int error = asker.SelectInput(*recording.currentInput);
        failure = failure != 0 ? failure : error;
    }
    recording.audioInputs = EnumerateAll(asker, Ioctl::EnumAudio, &V4l2Device::EnumAudio);
    return failure;
}

int RecordSelectedInputOnly(Asker& asker, DeviceRecording& recording) {
    if (const int error = RecordCapability(asker, recording); error != 0) {
        return error;
    }
    InputRecorder recorder(asker, CaptureBufferType(recording.capability),
                           TryFormats::WhereTheMapNeeds);
    bool recorded = false;
    for (const v4l2_input& input : EnumerateAll(asker, Ioctl::EnumInput, &V4l2Device::EnumInput)) {
        InputRecording state;
        if (recording.currentInput && static_cast<int>(input.index) == *recording.currentInput) {
            state = recorder.Record();
            recorded = true;
        }
        state.input = input;
        recording.inputs.push_back(std::move(state));
    }
    if (!recorded && recording.inputs.size() <= 1) {
        // No inputs enumerated, or one that G_INPUT does not name: the device's own state.
        InputRecording state = recorder.Record();
        if (!recording.inputs.empty()) {
            state.input = recording.inputs.front().input;
            recording.inputs.front() = std::move(state);
        } else {
            recording.inputs.push_back(std::move(state));
        }
    }
    recording.audioInputs = EnumerateAll(asker, Ioctl::EnumAudio, &V4l2Device::EnumAudio);
    return 0;
}

// Runs `record` on a fresh recording; a device that went away fails it, whatever was read.
int Record(V4l2Device& device, DeviceRecording& recording,
           int (*record)(Asker&, DeviceRecording&)) {
    recording = {};
    Asker asker(device, recording.failures);
    const int failure = record(asker, recording);
    return asker.Gone() != 0 ? asker.Gone() : failure;
}

}  // namespace

int RecordDevice(V4l2Device& device, DeviceRecording& recording) {
    return Record(device, recording, RecordWholeDevice);
}

int RecordSelectedInput(V4l2Device& device, DeviceRecording& recording) {
    return Record(device, recording, RecordSelectedInputOnly);
}

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
