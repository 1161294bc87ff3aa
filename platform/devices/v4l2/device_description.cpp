#include "platform/devices/v4l2/device_description.h"

#include <algorithm>

#include "platform/devices/capability_list.h"
#include "platform/devices/v4l2/pixel_formats.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/support/guids.h"
#include "platform/support/unicode.h"

namespace capspect::v4l2 {
namespace {

bool Covers(const VIDEO_STREAM_CONFIG_CAPS& caps, FrameSize size) {
    const auto fits = [](LONG value, LONG min, LONG max, int step) {
        return value >= min && value <= max && (step <= 1 || (value - min) % step == 0);
    };
    return fits(static_cast<LONG>(size.width), caps.MinOutputSize.cx, caps.MaxOutputSize.cx,
                caps.OutputGranularityX) &&
           fits(static_cast<LONG>(size.height), caps.MinOutputSize.cy, caps.MaxOutputSize.cy,
                caps.OutputGranularityY);
}

// The capability's media type carried over to the delivered size and interval.
VideoMediaType Delivered(const VideoCapability& capability, const v4l2_pix_format& format,
                         std::optional<Fraction> interval) {
    VideoMediaType type = capability.mediaType;
    const bool compressed = !type.fixedSizeSamples;
    std::visit(
        [&](auto& header) {
            BITMAPINFOHEADER& bitmap = header.bmiHeader;
            const bool sameSize = bitmap.biWidth == static_cast<LONG>(format.width) &&
                                  bitmap.biHeight == static_cast<LONG>(format.height);
            bitmap.biWidth = static_cast<LONG>(format.width);
            bitmap.biHeight = static_cast<LONG>(format.height);
            const std::uint64_t bits = bitmap.biBitCount;
            std::uint64_t image = bitmap.biSizeImage;
            if (compressed) {
                image = format.sizeimage;
            } else if (!sameSize) {
                image = MapPixelFormat(format.pixelformat).rgb
                            ? (format.width * bits + 31) / 32 * 4 * format.height
                            : std::uint64_t{format.width} * format.height * bits / 8;
            }
            bitmap.biSizeImage = static_cast<DWORD>(std::min<std::uint64_t>(image, 0xFFFFFFFFu));
            type.sampleSize = bitmap.biSizeImage;
            if (interval && interval->numerator != 0 && interval->denominator != 0) {
                header.AvgTimePerFrame = IntervalToReferenceTime(*interval);
                const std::uint64_t bitsPerFrame =
                    compressed ? image * 8 : std::uint64_t{format.width} * format.height * bits;
                header.dwBitRate = static_cast<DWORD>(BitsPerSecond(bitsPerFrame, *interval));
            }
        },
        type.format);
    return type;
}

}  // namespace

sim::DeviceProperties PropertiesOf(const CaptureDeviceInfo& info) {
    sim::DeviceProperties properties;
    properties.friendlyName = Utf8ToUtf16(info.card);
    properties.description = Utf8ToUtf16(info.description);
    properties.devicePath = Utf8ToUtf16(info.devicePath);
    properties.clsid = GuidToU16String(CLSID_V4l2CaptureFilter);
    return properties;
}

sim::CatalogDevice ListedDevice(const CaptureDeviceInfo& info) {
    sim::CatalogDevice device;
    device.category = sim::DeviceCategory::Video;
    device.properties = PropertiesOf(info);
    return device;
}

sim::MediaTypeDesc MediaTypeDescOf(const VideoMediaType& type) {
    sim::MediaTypeDesc desc;
    desc.majortype = type.majortype;
    desc.subtype = type.subtype;
    desc.formattype = type.formattype;
    desc.bFixedSizeSamples = type.fixedSizeSamples ? TRUE : FALSE;
    desc.lSampleSize = type.sampleSize;
    std::visit(
        [&desc](const auto& header) {
            desc.cbFormat = sizeof header;
            desc.format = header;
        },
        type.format);
    return desc;
}

std::optional<Fraction> CurrentInterval(const InputRecording& input) {
    if (!input.parm) {
        return std::nullopt;
    }
    const Fraction interval{input.parm->timeperframe.numerator,
                            input.parm->timeperframe.denominator};
    if (interval.numerator == 0 || interval.denominator == 0) {
        return std::nullopt;
    }
    return interval;
}

std::optional<MediaType> DeliveredMediaType(const std::vector<VideoCapability>& capabilities,
                                            const v4l2_pix_format& format,
                                            std::optional<Fraction> interval) {
    const FrameSize size{format.width, format.height};
    const auto found = std::ranges::find_if(capabilities, [&](const VideoCapability& c) {
        return c.pixelformat == format.pixelformat && Covers(c.caps, size);
    });
    if (found == capabilities.end()) {
        return std::nullopt;
    }
    return sim::MakeMediaType(MediaTypeDescOf(Delivered(*found, format, interval)));
}

sim::StreamConfigDesc StreamConfigOf(const std::vector<VideoCapability>& capabilities,
                                     const InputRecording& input) {
    sim::StreamConfigDesc config;
    config.capsSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    for (const VideoCapability& capability : capabilities) {
        config.capabilities.push_back({capability.caps, MediaTypeDescOf(capability.mediaType), {}});
    }
    if (input.format) {
        if (const auto delivered =
                DeliveredMediaType(capabilities, *input.format, CurrentInterval(input))) {
            config.current =
                sim::CapabilityList(config).CapabilityOf(delivered->Get()).value_or(-1);
        }
    }
    return config;
}

sim::CrossbarDesc CrossbarDescOf(const CrossbarLayout& layout) {
    sim::CrossbarDesc desc;
    for (const CrossbarInput& input : layout.inputs) {
        desc.inputs.push_back({input.type, input.related});
    }
    // With both decoders, each output names the other as its related pin.
    const bool paired = layout.outputs.size() == 2;
    for (std::size_t o = 0; o < layout.outputs.size(); ++o) {
        sim::CrossbarOutput output;
        output.type = layout.outputs[o].type;
        output.related = paired ? static_cast<LONG>(1 - o) : -1;
        output.routedFrom = layout.outputs[o].routedFrom;
        desc.outputs.push_back(output);
    }
    return desc;
}

sim::CatalogDevice DescribeDevice(const CaptureDeviceInfo& info, const DeviceRecording& recording) {
    sim::CatalogDevice device = ListedDevice(info);
    sim::PinDesc capture;
    capture.name = u"Capture";
    capture.direction = sim::PinDirection::Output;
    capture.category = PIN_CATEGORY_CAPTURE;
    const InputRecording* input = SelectedInput(recording);
    capture.streamConfig =
        input ? StreamConfigOf(MapCapabilities(*input), *input) : sim::StreamConfigDesc{};
    device.pins.push_back(std::move(capture));
    if (const auto layout = CrossbarOf(recording)) {
        sim::PinDesc analogIn;
        analogIn.name = u"Analog Video In";
        analogIn.direction = sim::PinDirection::Input;
        analogIn.category = PIN_CATEGORY_ANALOGVIDEOIN;
        device.pins.push_back(std::move(analogIn));
        device.crossbar = CrossbarDescOf(*layout);
    }
    return device;
}

}  // namespace capspect::v4l2
