#include "platform/devices/v4l2/capabilities.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include "platform/devices/v4l2/analog.h"
#include "platform/devices/v4l2/pixel_formats.h"

namespace capspect::v4l2 {

const BITMAPINFOHEADER& VideoMediaType::Bitmap() const {
    return std::visit(
        [](const auto& header) -> const BITMAPINFOHEADER& { return header.bmiHeader; }, format);
}

REFERENCE_TIME VideoMediaType::AvgTimePerFrame() const {
    return std::visit([](const auto& header) { return header.AvgTimePerFrame; }, format);
}

REFERENCE_TIME IntervalToReferenceTime(Fraction interval) {
    if (interval.denominator == 0) {
        return 0;
    }
    // At most (2^32 - 1) * 2 * 10^7, well inside 64 bits.
    const std::uint64_t twice = std::uint64_t{interval.numerator} * 20'000'000u;
    return static_cast<REFERENCE_TIME>((twice + interval.denominator) /
                                       (2u * std::uint64_t{interval.denominator}));
}

LONG BitsPerSecond(std::uint64_t bitsPerFrame, Fraction interval) {
    if (interval.numerator == 0 || interval.denominator == 0) {
        return 0;
    }
    const long double rate =
        static_cast<long double>(bitsPerFrame) * interval.denominator / interval.numerator;
    constexpr long double kMax = std::numeric_limits<LONG>::max();
    return rate >= kMax ? std::numeric_limits<LONG>::max() : static_cast<LONG>(std::llround(rate));
}

std::pair<DWORD, DWORD> PictureAspectRatio(std::uint32_t width, std::uint32_t height,
                                           Fraction pixelAspect) {
    // One pixel is denominator wide for numerator high.
    std::uint64_t x = std::uint64_t{width} * pixelAspect.denominator;
    std::uint64_t y = std::uint64_t{height} * pixelAspect.numerator;
    if (x == 0 || y == 0) {
        return {0, 0};
    }
    const std::uint64_t divisor = std::gcd(x, y);
    x /= divisor;
    y /= divisor;
    // A ratio that does not fit (absurd sizes) is scaled down until it does.
    while (x > 0xFFFFFFFFu || y > 0xFFFFFFFFu) {
        x = (x + 1) / 2;
        y = (y + 1) / 2;
    }
    return {static_cast<DWORD>(x), static_cast<DWORD>(y)};
}

namespace {

// Compares two intervals without rounding: a < b when a lasts less.
bool Shorter(Fraction a, Fraction b) {
    return std::uint64_t{a.numerator} * b.denominator < std::uint64_t{b.numerator} * a.denominator;
}

bool Usable(Fraction f) {
    return f.numerator != 0 && f.denominator != 0;
}

void CollectIntervals(const Enumeration<Fraction>& intervals, std::vector<Fraction>& into) {
    if (intervals.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        std::copy_if(intervals.discrete.begin(), intervals.discrete.end(), std::back_inserter(into),
                     Usable);
    } else if (intervals.type != 0) {
        for (Fraction f : {intervals.range.min, intervals.range.max}) {
            if (Usable(f)) {
                into.push_back(f);
            }
        }
    }
}

struct IntervalRange {
    Fraction shortest;
    Fraction longest;
};

// The frame intervals of a format at the given sizes; without any, the input's current
// interval (VIDIOC_G_PARM), then the frame period of its current standard.
std::optional<IntervalRange> IntervalsAt(const InputRecording& input,
                                         const std::vector<const SizeAnswers*>& answers) {
    std::vector<Fraction> all;
    for (const SizeAnswers* at : answers) {
        CollectIntervals(at->intervals, all);
    }
    if (all.empty() && input.parm) {
        const Fraction current{input.parm->timeperframe.numerator,
                               input.parm->timeperframe.denominator};
        if (Usable(current)) {
            all.push_back(current);
        }
    }
    if (all.empty() && input.standard) {
        for (const StandardRecording& standard : input.standards) {
            if ((standard.id & *input.standard) != 0 && Usable(standard.framePeriod)) {
                all.push_back(standard.framePeriod);
                break;
            }
        }
    }
    if (all.empty()) {
        return std::nullopt;
    }
    const auto [shortest, longest] = std::minmax_element(all.begin(), all.end(), Shorter);
    return IntervalRange{*shortest, *longest};
}

const SizeAnswers* AnswersAt(const FormatRecording& format, FrameSize size) {
    const auto found = std::find_if(format.atSizes.begin(), format.atSizes.end(),
                                    [size](const SizeAnswers& a) { return a.size == size; });
    return found == format.atSizes.end() ? nullptr : &*found;
}

// What one pixel format needs for its media types and bit rates.
class FormatFacts {
public:
    FormatFacts(const InputRecording& input, const FormatRecording& format)
        : input_(input),
          format_(format),
          mapping_(MapPixelFormat(format.description.pixelformat)),
          compressed_((format.description.flags & V4L2_FMT_FLAG_COMPRESSED) != 0),
          knownBits_(KnownBitsPerPixel(format.description.pixelformat)) {}

    const PixelFormatMapping& Mapping() const { return mapping_; }
    bool Compressed() const { return compressed_; }

    // Bits per pixel; 0 for compressed formats and for unknown ones the driver gave no
    // image size for.
    WORD BitCount(FrameSize size) const {
        if (compressed_) {
            return 0;
        }
        if (knownBits_) {
            return *knownBits_;
        }
        const std::uint64_t pixels = std::uint64_t{size.width} * size.height;
        const std::uint32_t image = DriverImageSize(size);
        return pixels == 0 ? 0
                           : static_cast<WORD>((std::uint64_t{image} * 8 + pixels / 2) / pixels);
    }

    // The image size of one frame: the driver's for compressed formats, else the
    // platform's (DWORD-aligned rows for the RGB subtypes).
    std::uint64_t ImageBytes(FrameSize size) const {
        if (compressed_) {
            return DriverImageSize(size);
        }
        const std::uint64_t bits = BitCount(size);
        if (mapping_.rgb) {
            return (size.width * bits + 31) / 32 * 4 * size.height;
        }
        return std::uint64_t{size.width} * size.height * bits / 8;
    }

private:
    std::uint32_t DriverImageSize(FrameSize size) const {
        if (const SizeAnswers* at = AnswersAt(format_, size); at && at->tried) {
            return at->tried->sizeimage;
        }
        const auto& current = input_.format;
        if (current && current->pixelformat == format_.description.pixelformat &&
            current->width == size.width && current->height == size.height) {
            return current->sizeimage;
        }
        return 0;
    }

    const InputRecording& input_;
    const FormatRecording& format_;
    PixelFormatMapping mapping_;
    bool compressed_;
    std::optional<WORD> knownBits_;  // looked up once: asked for every size
};

ULONG VideoStandardOf(const InputRecording& input) {
    v4l2_std_id standards = input.input ? input.input->std : 0;
    for (const StandardRecording& standard : input.standards) {
        standards |= standard.id;
    }
    return AnalogVideoStandardsFrom(standards);
}

// The sizes one capability covers.
struct SizeSpan {
    FrameSize input;
    FrameSize min;
    FrameSize max;
    FrameSize granularity{1, 1};
    std::vector<const SizeAnswers*> answers;  // where intervals were asked
};

std::vector<SizeSpan> SpansOf(const InputRecording& input, const FormatRecording& format) {
    std::vector<SizeSpan> spans;
    const Enumeration<FrameSize>& sizes = format.sizes;
    if (sizes.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        for (FrameSize size : sizes.discrete) {
            SizeSpan span{size, size, size, {1, 1}, {}};
            if (const SizeAnswers* at = AnswersAt(format, size)) {
                span.answers.push_back(at);
            }
            spans.push_back(std::move(span));
        }
        return spans;
    }
    if (sizes.type == 0) {
        // No sizes enumerated: the size the driver was asked at (its current one).
        if (!format.atSizes.empty()) {
            const FrameSize size = format.atSizes.front().size;
            spans.push_back({size, size, size, {1, 1}, {&format.atSizes.front()}});
        }
        return spans;
    }
    const Range<FrameSize>& range = sizes.range;
    SizeSpan span{range.max, range.min, range.max, {1, 1}, {}};
    if (sizes.type == V4L2_FRMSIZE_TYPE_STEPWISE) {
        span.granularity = {std::max(range.step.width, 1u), std::max(range.step.height, 1u)};
    }
    if (input.format) {
        const FrameSize current{input.format->width, input.format->height};
        if (SizeInRange(range, current)) {
            span.input = current;
        }
    }
    for (const SizeAnswers& at : format.atSizes) {
        span.answers.push_back(&at);
    }
    spans.push_back(std::move(span));
    return spans;
}

LONG ClampToLong(std::uint64_t value) {
    return static_cast<LONG>(std::min<std::uint64_t>(value, std::numeric_limits<LONG>::max()));
}

VideoCapability MakeCapability(const InputRecording& input, const FormatRecording& format,
                               const FormatFacts& facts, const SizeSpan& span) {
    const std::optional<IntervalRange> intervals = IntervalsAt(input, span.answers);
    auto bitsPerFrame = [&facts](FrameSize size) {
        return facts.Compressed() ? facts.ImageBytes(size) * 8
                                  : std::uint64_t{size.width} * size.height * facts.BitCount(size);
    };

    VideoCapability capability;
    capability.pixelformat = format.description.pixelformat;
    VIDEO_STREAM_CONFIG_CAPS& caps = capability.caps;
    caps.guid = FORMAT_VideoInfo;
    caps.VideoStandard = VideoStandardOf(input);
    caps.InputSize = {ClampToLong(span.input.width), ClampToLong(span.input.height)};
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.CropAlignX = caps.CropAlignY = 1;
    caps.MinOutputSize = {ClampToLong(span.min.width), ClampToLong(span.min.height)};
    caps.MaxOutputSize = {ClampToLong(span.max.width), ClampToLong(span.max.height)};
    caps.OutputGranularityX = ClampToLong(span.granularity.width);
    caps.OutputGranularityY = ClampToLong(span.granularity.height);
    if (intervals) {
        caps.MinFrameInterval = IntervalToReferenceTime(intervals->shortest);
        caps.MaxFrameInterval = IntervalToReferenceTime(intervals->longest);
        caps.MinBitsPerSecond = BitsPerSecond(bitsPerFrame(span.min), intervals->longest);
        caps.MaxBitsPerSecond = BitsPerSecond(bitsPerFrame(span.max), intervals->shortest);
    }

    VideoMediaType& type = capability.mediaType;
    type.subtype = facts.Mapping().subtype;
    type.formattype = FORMAT_VideoInfo;
    type.fixedSizeSamples = !facts.Compressed();
    const std::uint64_t imageBytes = facts.ImageBytes(span.input);
    type.sampleSize = static_cast<ULONG>(std::min<std::uint64_t>(imageBytes, 0xFFFFFFFFu));

    VIDEOINFOHEADER header{};
    header.AvgTimePerFrame = caps.MinFrameInterval;
    if (intervals) {
        header.dwBitRate =
            static_cast<DWORD>(BitsPerSecond(bitsPerFrame(span.input), intervals->shortest));
    }
    BITMAPINFOHEADER& bitmap = header.bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biWidth = caps.InputSize.cx;
    bitmap.biHeight = caps.InputSize.cy;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = facts.BitCount(span.input);
    bitmap.biCompression = facts.Mapping().compression;
    bitmap.biSizeImage = type.sampleSize;
    type.format = header;
    return capability;
}

// The picture aspect ratio when the input's pixels are not square.
std::optional<std::pair<DWORD, DWORD>> NonSquareAspect(const InputRecording& input) {
    if (!input.cropcap) {
        return std::nullopt;
    }
    const Fraction pixel{input.cropcap->pixelaspect.numerator,
                         input.cropcap->pixelaspect.denominator};
    if (!Usable(pixel) || pixel.numerator == pixel.denominator) {
        return std::nullopt;
    }
    const v4l2_rect picture = input.cropDefault ? *input.cropDefault : input.cropcap->defrect;
    const auto aspect = PictureAspectRatio(picture.width, picture.height, pixel);
    if (aspect.first == 0 || aspect.first == aspect.second) {
        return std::nullopt;
    }
    return aspect;
}

VideoCapability WithAspect(VideoCapability capability, std::pair<DWORD, DWORD> aspect) {
    const auto& plain = std::get<VIDEOINFOHEADER>(capability.mediaType.format);
    VIDEOINFOHEADER2 header{};
    header.rcSource = plain.rcSource;
    header.rcTarget = plain.rcTarget;
    header.dwBitRate = plain.dwBitRate;
    header.AvgTimePerFrame = plain.AvgTimePerFrame;
    header.dwPictAspectRatioX = aspect.first;
    header.dwPictAspectRatioY = aspect.second;
    header.bmiHeader = plain.bmiHeader;
    capability.caps.guid = FORMAT_VideoInfo2;
    capability.mediaType.formattype = FORMAT_VideoInfo2;
    capability.mediaType.format = header;
    return capability;
}

}  // namespace

std::vector<VideoCapability> MapCapabilities(const InputRecording& input) {
    std::vector<VideoCapability> capabilities;
    const auto aspect = NonSquareAspect(input);
    for (const FormatRecording& format : input.formats) {
        const FormatFacts facts(input, format);
        for (const SizeSpan& span : SpansOf(input, format)) {
            capabilities.push_back(MakeCapability(input, format, facts, span));
            if (aspect) {
                capabilities.push_back(WithAspect(capabilities.back(), *aspect));
            }
        }
    }
    return capabilities;
}

}  // namespace capspect::v4l2
