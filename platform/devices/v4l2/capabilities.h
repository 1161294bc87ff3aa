// The stream capabilities of a V4L2 capture input, as IAMStreamConfig reports them: one
// VIDEO_STREAM_CONFIG_CAPS with its media type per (pixel format, frame size), in the order
// the driver enumerates them. Pure functions over a recording of the driver's answers.
#pragma once

#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

#include "platform/devices/v4l2/recording.h"
#include "platform/sdk/mediatype.h"

namespace capspect::v4l2 {

// A media type without the platform's allocations: the filter copies `format` into a
// CoTaskMem block of the matching size when it hands out an AM_MEDIA_TYPE.
struct VideoMediaType {
    GUID majortype = MEDIATYPE_Video;
    GUID subtype{};
    GUID formattype{};
    bool fixedSizeSamples = true;
    ULONG sampleSize = 0;
    std::variant<VIDEOINFOHEADER, VIDEOINFOHEADER2> format;

    const BITMAPINFOHEADER& Bitmap() const;
    REFERENCE_TIME AvgTimePerFrame() const;
};

struct VideoCapability {
    std::uint32_t pixelformat = 0;  // the V4L2 FOURCC behind the subtype
    VIDEO_STREAM_CONFIG_CAPS caps{};
    VideoMediaType mediaType;
};

// A frame interval (seconds per frame) in 100 ns units, rounded to the nearest unit
// (1/30 s gives 333333, 1001/30000 s gives 333667); 0 for an interval with no denominator.
REFERENCE_TIME IntervalToReferenceTime(Fraction interval);

// Bits per second of `bitsPerFrame` at `interval`, rounded to the nearest bit and held to
// the LONG range of the capability record.
LONG BitsPerSecond(std::uint64_t bitsPerFrame, Fraction interval);

// The picture aspect ratio (reduced) of a picture `width` x `height` sampled with the
// V4L2 pixel aspect `pixelAspect` (height/width of one pixel, as VIDIOC_CROPCAP gives it).
std::pair<DWORD, DWORD> PictureAspectRatio(std::uint32_t width, std::uint32_t height,
                                           Fraction pixelAspect);

// Every capability of the input the recording describes.
std::vector<VideoCapability> MapCapabilities(const InputRecording& input);

}  // namespace capspect::v4l2
