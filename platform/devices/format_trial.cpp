#include "platform/devices/format_trial.h"

#include <cstdlib>
#include <cstring>

#include <dvdmedia.h>

namespace capspect {
namespace {

template <typename Header>
std::optional<VideoFrame> FrameFrom(const AM_MEDIA_TYPE& type) {
    if (type.cbFormat < sizeof(Header) || type.pbFormat == nullptr) {
        return std::nullopt;
    }
    Header header;
    std::memcpy(&header, type.pbFormat, sizeof header);
    return VideoFrame{header.bmiHeader.biWidth, header.bmiHeader.biHeight, type.subtype,
                      header.AvgTimePerFrame};
}

}  // namespace

std::optional<VideoFrame> VideoFrameOf(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video) {
        return std::nullopt;
    }
    if (type.formattype == FORMAT_VideoInfo) {
        return FrameFrom<VIDEOINFOHEADER>(type);
    }
    if (type.formattype == FORMAT_VideoInfo2) {
        return FrameFrom<VIDEOINFOHEADER2>(type);
    }
    return std::nullopt;
}

std::optional<DeliveredFormat> ChangedFrame(const VideoFrame& asked, DeliveredFormat delivered) {
    delivered.height = std::abs(delivered.height);
    const bool same = delivered.width == asked.width &&
                      delivered.height == std::abs(asked.height) &&
                      delivered.subtype == asked.subtype;
    return same ? std::nullopt : std::optional(delivered);
}

std::chrono::milliseconds ToMilliseconds(REFERENCE_TIME units) {
    return std::chrono::milliseconds{units / 10'000};
}

}  // namespace capspect
