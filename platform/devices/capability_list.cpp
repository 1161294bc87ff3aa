#include "platform/devices/capability_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace capspect::sim {
namespace {

// What a video format says about the picture it carries.
struct VideoGeometry {
    LONG width;
    LONG height;  // without the sign that marks top-down pictures
    REFERENCE_TIME frameInterval;
};

template <typename Header>
std::optional<VideoGeometry> GeometryOf(const AM_MEDIA_TYPE& type) {
    if (type.cbFormat < sizeof(Header) || type.pbFormat == nullptr) {
        return std::nullopt;
    }
    Header header;
    std::memcpy(&header, type.pbFormat, sizeof header);
    return VideoGeometry{header.bmiHeader.biWidth, std::abs(header.bmiHeader.biHeight),
                         header.AvgTimePerFrame};
}

std::optional<VideoGeometry> VideoGeometryOf(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video) {
        return std::nullopt;
    }
    if (type.formattype == FORMAT_VideoInfo) {
        return GeometryOf<VIDEOINFOHEADER>(type);
    }
    if (type.formattype == FORMAT_VideoInfo2) {
        return GeometryOf<VIDEOINFOHEADER2>(type);
    }
    return std::nullopt;
}

// Whether `value` is one the range [min, max] offers in steps of `granularity` from min.
// A range whose maximum is 0 was not given and offers nothing.
bool InRange(LONG value, LONG min, LONG max, int granularity) {
    if (max <= 0 || value < min || value > max) {
        return false;
    }
    return granularity <= 0 || (value - min) % granularity == 0;
}

bool SizeFits(const VideoGeometry& proposed, const VideoGeometry& own,
              const VIDEO_STREAM_CONFIG_CAPS& caps) {
    if (proposed.width == own.width && proposed.height == own.height) {
        return true;
    }
    return InRange(proposed.width, caps.MinOutputSize.cx, caps.MaxOutputSize.cx,
                   caps.OutputGranularityX) &&
           InRange(proposed.height, caps.MinOutputSize.cy, caps.MaxOutputSize.cy,
                   caps.OutputGranularityY);
}

bool IntervalFits(const VideoGeometry& proposed, const VideoGeometry& own,
                  const VIDEO_STREAM_CONFIG_CAPS& caps) {
    if (proposed.frameInterval == own.frameInterval) {
        return true;
    }
    return caps.MaxFrameInterval > 0 && proposed.frameInterval >= caps.MinFrameInterval &&
           proposed.frameInterval <= caps.MaxFrameInterval;
}

}  // namespace

MediaType MakeMediaType(const MediaTypeDesc& desc) {
    std::vector<BYTE> block = desc.FormatBlock();
    AM_MEDIA_TYPE type{};
    type.majortype = desc.majortype;
    type.subtype = desc.subtype;
    type.bFixedSizeSamples = desc.bFixedSizeSamples;
    type.bTemporalCompression = desc.bTemporalCompression;
    type.lSampleSize = desc.lSampleSize;
    type.formattype = desc.formattype;
    type.cbFormat = static_cast<ULONG>(block.size());
    type.pbFormat = block.empty() ? nullptr : block.data();
    return MediaType(type);
}

CapabilityList::CapabilityList(const StreamConfigDesc& desc) : capsSize_(desc.capsSize) {
    for (const Capability& capability : desc.capabilities) {
        caps_.push_back(capability.caps);
        types_.push_back(MakeMediaType(capability.mediaType));
    }
    if (desc.current >= 0 && desc.current < Count()) {
        defaultIndex_ = desc.current;
    }
}

const MediaType& CapabilityList::TypeAt(int index) const {
    return types_.at(static_cast<std::size_t>(index));
}

void CapabilityList::CopyCaps(int index, BYTE* target) const {
    const VIDEO_STREAM_CONFIG_CAPS& caps = caps_.at(static_cast<std::size_t>(index));
    const auto size = static_cast<std::size_t>(capsSize_);
    const std::size_t copied = std::min(size, sizeof caps);
    std::memcpy(target, &caps, copied);
    std::memset(target + copied, 0, size - copied);
}

std::optional<int> CapabilityList::CapabilityOf(const AM_MEDIA_TYPE& format) const {
    for (std::size_t index = 0; index < types_.size(); ++index) {
        if (Fits(format, index)) {
            return static_cast<int>(index);
        }
    }
    return std::nullopt;
}

bool CapabilityList::Fits(const AM_MEDIA_TYPE& format, std::size_t index) const {
    const AM_MEDIA_TYPE& own = types_[index].Get();
    if (format.majortype != own.majortype || format.subtype != own.subtype ||
        format.formattype != own.formattype) {
        return false;
    }
    const auto ownGeometry = VideoGeometryOf(own);
    if (!ownGeometry) {
        return MediaTypesEqual(format, own);
    }
    const auto proposed = VideoGeometryOf(format);
    return proposed && SizeFits(*proposed, *ownGeometry, caps_[index]) &&
           IntervalFits(*proposed, *ownGeometry, caps_[index]);
}

}  // namespace capspect::sim
