// The output formats that one pin's stream configuration offers: one item per capability,
// each holding the capability record and its media type. The items write the format
// report, the list finds the format that best fits a wanted subtype, size and rate.
#pragma once

#include <memory>
#include <string>

#include <dshow.h>
#include <dvdmedia.h>

#include "framework/Collections.h"
#include "platform/support/comptr.h"
#include "util/MediaTypeHelpers.h"

namespace capspect {

class TDXShowStreamConfig;
struct NumberSeparators;

// Disposes a media type that the platform allocated (format block, pUnk and record).
struct DisposeMediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* mediaType) const { DisposeMediaType(mediaType); }
};
using TOwnedMediaType = std::unique_ptr<AM_MEDIA_TYPE, DisposeMediaTypeDeleter>;

// One output format: a copy of the capability record and the media type that goes with it.
// The item is independent of the device once read; only Select talks to the device.
class TDXShowStreamConfigItem : public TCollectionItem {
public:
    explicit TDXShowStreamConfigItem(TDXShowStreamConfig& collection);

    const VIDEO_STREAM_CONFIG_CAPS& ConfigCaps() const { return FScc; }
    void SetConfigCaps(const VIDEO_STREAM_CONFIG_CAPS& caps);

    // The media type, owned by the item; null when none was given.
    AM_MEDIA_TYPE* PmtConfig() const { return FPmtConfig.get(); }
    // Takes ownership of `mediaType`, a platform-allocated record; the one held before is
    // disposed.
    void SetPmtConfig(AM_MEDIA_TYPE* mediaType);

    // Frames per second of a video media type; 1.0 for any other media type and 0.0 when
    // the type names no frame duration.
    float FPS() const;
    // The media-type line, e.g. "640x480 YUY2 30.00fps"; "?" for a type that is not video.
    std::u16string AsText() const;
    // The whole report block: the capability lines, three empty lines, the media-type line.
    // It does not end with a line break.
    std::u16string AllAsText() const;
    // The same with the locale's number separators read once by the caller, for reports
    // of hundreds of blocks.
    std::u16string AllAsText(const NumberSeparators& separators) const;

    // Widens the media type to the capability's input size where the output size allows it
    // and recomputes the image size. Only the item changes, never the device.
    void SetNativeSize();
    // Applies the media type to the device. Raises EDShowError when the device refuses it;
    // the item and the list stay as they were.
    void Select();

private:
    // The texts with the locale's number separators read once by the caller: a block
    // holds up to three numbers.
    std::u16string AsText(const NumberSeparators& separators) const;
    std::u16string ConfigCapsAsText(const NumberSeparators& separators) const;

    TDXShowStreamConfig& FCollection;
    VIDEO_STREAM_CONFIG_CAPS FScc{};
    TOwnedMediaType FPmtConfig;
};

// The list of output formats of one IAMStreamConfig, read by Refresh.
class TDXShowStreamConfig : public TCollection<TDXShowStreamConfigItem> {
public:
    TDXShowStreamConfig() = default;

    // Replaces the items with the capabilities of `streamConfig`. Capabilities of another
    // record size than a video capability's (an audio pin) give an empty list; an index
    // that cannot be read is left out.
    void Refresh(IAMStreamConfig* streamConfig);

    // A new, empty item at the end of the list.
    TDXShowStreamConfigItem& Add() { return TCollection::Add(*this); }

    // The interface of the last Refresh; null before the first.
    IAMStreamConfig* StreamConfig() const { return FStreamConfig.Get(); }

    // The first television-size format of `subtype` (GUID_NULL: the device's current
    // subtype): 720 x 576 at 25 fps, or 720 x 480 at 29.97 fps in countries with dialling
    // code 1; failing that the same rate at any size, then twice the rate. -1 when none.
    int FindBestConfig(const GUID& subtype) const;
    // The first 25 fps format of `subtype` whose input size is `width` x `height`,
    // preferring one whose output sizes match too. -1 when none.
    int FindBestConfig(const GUID& subtype, int width, int height) const;

    // The device's current format as one line; "?" when there is none or it is not video.
    std::u16string CurrentConfigAsText() const;

private:
    GUID SubtypeOrCurrent(const GUID& subtype) const;

    ComPtr<IAMStreamConfig> FStreamConfig;
};

}  // namespace capspect
