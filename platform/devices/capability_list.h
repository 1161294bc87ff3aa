// The output formats one simulated pin's IAMStreamConfig offers, as a catalog describes
// them: the capability records, their media types, and which capability a proposed format
// falls under.
#pragma once

#include <optional>
#include <vector>

#include "platform/devices/catalog.h"
#include "platform/support/mediatypes.h"

namespace capspect::sim {

// The media type a catalog describes, with its format block as the catalog sizes it.
MediaType MakeMediaType(const MediaTypeDesc& desc);

class CapabilityList {
public:
    explicit CapabilityList(const StreamConfigDesc& desc);

    int Count() const { return static_cast<int>(types_.size()); }
    // The record size GetNumberOfCapabilities reports and GetStreamCaps writes.
    int CapsSize() const { return capsSize_; }
    // The capability whose type is the pin's format before any SetFormat, if any.
    std::optional<int> DefaultIndex() const { return defaultIndex_; }

    // `index` must be within 0 … Count() - 1.
    const MediaType& TypeAt(int index) const;
    // Writes CapsSize() bytes: the record, cut off or padded with zeros.
    void CopyCaps(int index, BYTE* target) const;

    // The first capability that can produce `format`, or nothing. A format falls under a
    // capability when its major type, subtype and format type are the capability's and,
    // for video formats, its frame size and frame duration are the capability's own or
    // lie within the ranges the capability record gives; other formats must match the
    // capability's format block exactly.
    std::optional<int> CapabilityOf(const AM_MEDIA_TYPE& format) const;

private:
    bool Fits(const AM_MEDIA_TYPE& format, std::size_t index) const;

    int capsSize_;
    std::optional<int> defaultIndex_;
    std::vector<VIDEO_STREAM_CONFIG_CAPS> caps_;
    std::vector<MediaType> types_;
};

}  // namespace capspect::sim
