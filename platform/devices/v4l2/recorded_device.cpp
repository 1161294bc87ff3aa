#include "platform/devices/v4l2/recorded_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace capspect::v4l2 {
namespace {

std::uint32_t Clamp(std::uint32_t value, std::uint32_t min, std::uint32_t max, std::uint32_t step) {
    value = std::clamp(value, min, std::max(min, max));
    if (step > 1) {
        value = min + (value - min) / step * step;
    }
    return value;
}

std::uint64_t Distance(FrameSize a, FrameSize b) {
    const auto dw = static_cast<std::int64_t>(a.width) - b.width;
    const auto dh = static_cast<std::int64_t>(a.height) - b.height;
    return static_cast<std::uint64_t>(dw * dw + dh * dh);
}

// The pix format record of either buffer type, written back in the caller's layout.
v4l2_pix_format ReadPix(const v4l2_format& format) {
    if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
        return format.fmt.pix;
    }
    v4l2_pix_format pix{};
    pix.width = format.fmt.pix_mp.width;
    pix.height = format.fmt.pix_mp.height;
    pix.pixelformat = format.fmt.pix_mp.pixelformat;
    pix.field = format.fmt.pix_mp.field;
    return pix;
}

void WritePix(v4l2_format& format, const v4l2_pix_format& pix) {
    if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
        format.fmt.pix = pix;
        return;
    }
    // Recordings keep one image per frame, so it reads back as a single plane.
    v4l2_pix_format_mplane& mp = format.fmt.pix_mp;
    mp = {};
    mp.width = pix.width;
    mp.height = pix.height;
    mp.pixelformat = pix.pixelformat;
    mp.field = pix.field;
    mp.colorspace = pix.colorspace;
    mp.num_planes = 1;
    mp.plane_fmt[0].bytesperline = pix.bytesperline;
    mp.plane_fmt[0].sizeimage = pix.sizeimage;
}

bool SameFraction(v4l2_fract a, Fraction b) {
    return std::uint64_t{a.numerator} * b.denominator == std::uint64_t{b.numerator} * a.denominator;
}

bool Offers(const Enumeration<Fraction>& intervals, v4l2_fract asked) {
    if (intervals.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        return std::any_of(intervals.discrete.begin(), intervals.discrete.end(),
                           [asked](Fraction f) { return SameFraction(asked, f); });
    }
    if (intervals.type == 0 || asked.denominator == 0) {
        return false;
    }
    const Fraction& min = intervals.range.min;
    const Fraction& max = intervals.range.max;
    return std::uint64_t{min.numerator} * asked.denominator <=
               std::uint64_t{asked.numerator} * min.denominator &&
           std::uint64_t{asked.numerator} * max.denominator <=
               std::uint64_t{max.numerator} * asked.denominator;
}

template <std::size_t N>
void CopyName(__u8 (&to)[N], const std::string& name) {
    std::memset(to, 0, N);
    std::memcpy(to, name.data(), std::min(name.size(), N - 1));
}

}  // namespace

RecordedDevice::RecordedDevice(DeviceRecording recording) : recording_(std::move(recording)) {
    if (recording_.inputs.empty()) {
        recording_.inputs.emplace_back();
    }
    for (const InputRecording& input : recording_.inputs) {
        states_.push_back({input.format, input.parm});
    }
    if (recording_.currentInput) {
        for (std::size_t i = 0; i < recording_.inputs.size(); ++i) {
            const auto& input = recording_.inputs[i].input;
            if (input && static_cast<int>(input->index) == *recording_.currentInput) {
                current_ = i;
            }
        }
    }
}

int RecordedDevice::Failure(Ioctl ioctl) {
    ++calls_;
    const std::size_t call = callsOf_[static_cast<std::size_t>(ioctl)]++;
    if (vanish_) {
        if (vanish_->callsLeft == 0) {
            failure_ = vanish_->error;
            vanish_.reset();
        } else {
            --vanish_->callsLeft;
        }
    }
    if (failure_ != 0) {
        return failure_;
    }
    for (const CallFault& fault : callFaults_) {
        if (fault.ioctl == ioctl && call >= fault.first && call - fault.first < fault.times) {
            return fault.error;
        }
    }
    return 0;
}

const FormatRecording* RecordedDevice::FindFormat(std::uint32_t pixelformat) const {
    const auto& formats = Current().formats;
    const auto found = std::find_if(formats.begin(), formats.end(), [pixelformat](const auto& f) {
        return f.description.pixelformat == pixelformat;
    });
    return found == formats.end() ? nullptr : &*found;
}

int RecordedDevice::QueryCap(v4l2_capability& capability) {
    if (const int failure = Failure(Ioctl::QueryCap); failure != 0) {
        return failure;
    }
    capability = recording_.capability;
    return 0;
}

int RecordedDevice::EnumFormat(v4l2_fmtdesc& format) {
    if (const int failure = Failure(Ioctl::EnumFmt); failure != 0) {
        return failure;
    }
    const auto& formats = Current().formats;
    if (format.type != Current().bufferType || format.index >= formats.size()) {
        return EINVAL;
    }
    format = formats[format.index].description;
    return 0;
}

int RecordedDevice::EnumFrameSizes(v4l2_frmsizeenum& size) {
    if (const int failure = Failure(Ioctl::EnumFrameSizes); failure != 0) {
        return failure;
    }
    const FormatRecording* format = FindFormat(size.pixel_format);
    if (!format || format->sizes.type == 0) {
        return EINVAL;
    }
    const Enumeration<FrameSize>& sizes = format->sizes;
    size.type = sizes.type;
    if (sizes.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        if (size.index >= sizes.discrete.size()) {
            return EINVAL;
        }
        size.discrete = {sizes.discrete[size.index].width, sizes.discrete[size.index].height};
        return 0;
    }
    if (size.index != 0) {
        return EINVAL;
    }
    size.stepwise = {sizes.range.min.width,  sizes.range.max.width,  sizes.range.step.width,
                     sizes.range.min.height, sizes.range.max.height, sizes.range.step.height};
    return 0;
}

int RecordedDevice::EnumFrameIntervals(v4l2_frmivalenum& interval) {
    if (const int failure = Failure(Ioctl::EnumFrameIntervals); failure != 0) {
        return failure;
    }
    const FormatRecording* format = FindFormat(interval.pixel_format);
    if (!format) {
        return EINVAL;
    }
    const FrameSize size{interval.width, interval.height};
    const auto at = std::find_if(format->atSizes.begin(), format->atSizes.end(),
                                 [size](const SizeAnswers& a) { return a.size == size; });
    if (at == format->atSizes.end() || at->intervals.type == 0) {
        return EINVAL;
    }
    const Enumeration<Fraction>& intervals = at->intervals;
    interval.type = intervals.type;
    if (intervals.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        if (interval.index >= intervals.discrete.size()) {
            return EINVAL;
        }
        const Fraction f = intervals.discrete[interval.index];
        interval.discrete = {f.numerator, f.denominator};
        return 0;
    }
    if (interval.index != 0) {
        return EINVAL;
    }
    const Range<Fraction>& r = intervals.range;
    interval.stepwise = {{r.min.numerator, r.min.denominator},
                         {r.max.numerator, r.max.denominator},
                         {r.step.numerator, r.step.denominator}};
    return 0;
}

int RecordedDevice::GetFormat(v4l2_format& format) {
    if (const int failure = Failure(Ioctl::GetFmt); failure != 0) {
        return failure;
    }
    if (format.type != Current().bufferType || !State().format) {
        return EINVAL;
    }
    WritePix(format, *State().format);
    return 0;
}

int RecordedDevice::Adjust(v4l2_format& format) const {
    if (format.type != Current().bufferType || Current().formats.empty()) {
        return EINVAL;
    }
    v4l2_pix_format asked = ReadPix(format);
    const FormatRecording* recorded = FindFormat(asked.pixelformat);
    if (!recorded) {
        // Drivers replace a format they do not offer with one they do.
        recorded = &Current().formats.front();
    }
    FrameSize size{asked.width, asked.height};
    const Enumeration<FrameSize>& sizes = recorded->sizes;
    if (sizes.type == V4L2_FRMSIZE_TYPE_DISCRETE && !sizes.discrete.empty()) {
        size = *std::min_element(
            sizes.discrete.begin(), sizes.discrete.end(),
            [size](FrameSize a, FrameSize b) { return Distance(a, size) < Distance(b, size); });
    } else if (sizes.type != 0) {
        size = {
            Clamp(size.width, sizes.range.min.width, sizes.range.max.width, sizes.range.step.width),
            Clamp(size.height, sizes.range.min.height, sizes.range.max.height,
                  sizes.range.step.height)};
    }
    const SizeAnswers* nearest = nullptr;
    for (const SizeAnswers& at : recorded->atSizes) {
        if (at.tried && (!nearest || Distance(at.size, size) < Distance(nearest->size, size))) {
            nearest = &at;
        }
    }
    if (!nearest) {
        return EINVAL;
    }
    v4l2_pix_format answer = *nearest->tried;
    if (sizes.type == 0) {
        size = {answer.width, answer.height};
    }
    if (answer.width != size.width || answer.height != size.height) {
        const std::uint64_t area = std::uint64_t{answer.width} * answer.height;
        answer.bytesperline = static_cast<std::uint32_t>(std::uint64_t{answer.bytesperline} *
                                                         size.width / std::max(answer.width, 1u));
        answer.sizeimage = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{answer.sizeimage} * size.width * size.height /
                                        std::max<std::uint64_t>(area, 1),
                                    std::numeric_limits<std::uint32_t>::max()));
        answer.width = size.width;
        answer.height = size.height;
    }
    WritePix(format, answer);
    return 0;
}

int RecordedDevice::TryFormat(v4l2_format& format) {
    if (const int failure = Failure(Ioctl::TryFmt); failure != 0) {
        return failure;
    }
    return Adjust(format);
}

int RecordedDevice::SetFormat(v4l2_format& format) {
    if (const int failure = Failure(Ioctl::SetFmt); failure != 0) {
        return failure;
    }
    if (const int error = Adjust(format); error != 0) {
        return error;
    }
    v4l2_pix_format pix = ReadPix(format);
    if (format.type == V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
        pix.bytesperline = format.fmt.pix_mp.plane_fmt[0].bytesperline;
        pix.sizeimage = format.fmt.pix_mp.plane_fmt[0].sizeimage;
    }
    State().format = pix;
    return 0;
}

int RecordedDevice::GetParm(v4l2_streamparm& parm) {
    if (const int failure = Failure(Ioctl::GetParm); failure != 0) {
        return failure;
    }
    if (parm.type != Current().bufferType || !State().parm) {
        return EINVAL;
    }
    parm.parm.capture = *State().parm;
    return 0;
}

int RecordedDevice::SetParm(v4l2_streamparm& parm) {
    if (const int failure = Failure(Ioctl::SetParm); failure != 0) {
        return failure;
    }
    if (parm.type != Current().bufferType || !State().parm) {
        return EINVAL;
    }
    v4l2_captureparm& current = *State().parm;
    if ((current.capability & V4L2_CAP_TIMEPERFRAME) && State().format) {
        const FormatRecording* format = FindFormat(State().format->pixelformat);
        const FrameSize size{State().format->width, State().format->height};
        const v4l2_fract asked = parm.parm.capture.timeperframe;
        if (format) {
            for (const SizeAnswers& at : format->atSizes) {
                if (at.size == size && Offers(at.intervals, asked)) {
                    current.timeperframe = asked;
                }
            }
        }
    }
    parm.parm.capture = current;
    return 0;
}

int RecordedDevice::EnumInput(v4l2_input& input) {
    if (const int failure = Failure(Ioctl::EnumInput); failure != 0) {
        return failure;
    }
    for (const InputRecording& recorded : recording_.inputs) {
        if (recorded.input && recorded.input->index == input.index) {
            input = *recorded.input;
            return 0;
        }
    }
    return EINVAL;
}

int RecordedDevice::GetInput(int& index) {
    if (const int failure = Failure(Ioctl::GetInput); failure != 0) {
        return failure;
    }
    if (!Current().input) {
        return ENOTTY;
    }
    index = static_cast<int>(Current().input->index);
    return 0;
}

int RecordedDevice::SetInput(int index) {
    if (const int failure = Failure(Ioctl::SetInput); failure != 0) {
        return failure;
    }
    for (std::size_t i = 0; i < recording_.inputs.size(); ++i) {
        const auto& input = recording_.inputs[i].input;
        if (input && static_cast<int>(input->index) == index) {
            // Switching the input brings back its own format, as drivers do.
            current_ = i;
            states_[i] = {recording_.inputs[i].format, recording_.inputs[i].parm};
            return 0;
        }
    }
    return Current().input ? EINVAL : ENOTTY;
}

int RecordedDevice::EnumStd(v4l2_standard& standard) {
    if (const int failure = Failure(Ioctl::EnumStd); failure != 0) {
        return failure;
    }
    const auto& standards = Current().standards;
    if (standards.empty()) {
        return ENODATA;
    }
    if (standard.index >= standards.size()) {
        return EINVAL;
    }
    const StandardRecording& recorded = standards[standard.index];
    standard.id = recorded.id;
    CopyName(standard.name, recorded.name);
    standard.frameperiod = {recorded.framePeriod.numerator, recorded.framePeriod.denominator};
    standard.framelines = recorded.frameLines;
    return 0;
}

int RecordedDevice::GetStd(v4l2_std_id& standard) {
    if (const int failure = Failure(Ioctl::GetStd); failure != 0) {
        return failure;
    }
    if (!Current().standard) {
        return ENODATA;
    }
    standard = *Current().standard;
    return 0;
}

int RecordedDevice::EnumAudio(v4l2_audio& audio) {
    if (const int failure = Failure(Ioctl::EnumAudio); failure != 0) {
        return failure;
    }
    for (const v4l2_audio& recorded : recording_.audioInputs) {
        if (recorded.index == audio.index) {
            audio = recorded;
            return 0;
        }
    }
    return EINVAL;
}

int RecordedDevice::GetAudio(v4l2_audio& audio) {
    if (const int failure = Failure(Ioctl::GetAudio); failure != 0) {
        return failure;
    }
    if (!Current().audio) {
        return EINVAL;
    }
    audio = {};
    audio.index = *Current().audio;
    for (const v4l2_audio& recorded : recording_.audioInputs) {
        if (recorded.index == audio.index) {
            audio = recorded;
        }
    }
    return 0;
}

int RecordedDevice::CropCap(v4l2_cropcap& cropcap) {
    if (const int failure = Failure(Ioctl::CropCap); failure != 0) {
        return failure;
    }
    if (!Current().cropcap) {
        return ENOTTY;
    }
    const std::uint32_t type = cropcap.type;
    cropcap = *Current().cropcap;
    cropcap.type = type;
    return 0;
}

int RecordedDevice::GetSelection(v4l2_selection& selection) {
    if (const int failure = Failure(Ioctl::GetSelection); failure != 0) {
        return failure;
    }
    if (selection.target == V4L2_SEL_TGT_CROP_DEFAULT && Current().cropDefault) {
        selection.r = *Current().cropDefault;
        return 0;
    }
    if (selection.target == V4L2_SEL_TGT_CROP_BOUNDS && Current().cropcap) {
        selection.r = Current().cropcap->bounds;
        return 0;
    }
    return EINVAL;
}

}  // namespace capspect::v4l2
