// Test support: capability records and video media types as capture devices report them.
#pragma once

#include <span>

#include "platform/support/mediatypes.h"

namespace capspect::test {

// A capability of one fixed size: input, minimum and maximum output size all `width` x
// `height`, granularities and alignment 1; no cropping, taps or bit rates.
inline VIDEO_STREAM_CONFIG_CAPS FixedSizeCaps(LONG width, LONG height, LONGLONG minFrameInterval,
                                              LONGLONG maxFrameInterval) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_Vidscope;
    caps.InputSize = {width, height};
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.CropAlignX = caps.CropAlignY = 1;
    caps.MinOutputSize = caps.MaxOutputSize = {width, height};
    caps.OutputGranularityX = caps.OutputGranularityY = 1;
    caps.MinFrameInterval = minFrameInterval;
    caps.MaxFrameInterval = maxFrameInterval;
    return caps;
}

inline BITMAPINFOHEADER BitmapHeader(LONG width, LONG height, WORD bitCount, DWORD compression) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = compression;
    return header;
}

// A video media type with a VIDEOINFOHEADER block.
inline MediaType VideoInfoType(const GUID& subtype, LONG width, LONG height,
                               REFERENCE_TIME avgTimePerFrame, WORD bitCount = 16) {
    VIDEOINFOHEADER header{};
    header.AvgTimePerFrame = avgTimePerFrame;
    header.bmiHeader = BitmapHeader(width, height, bitCount, subtype.Data1);
    return MediaType::Video(subtype, header);
}

// A video media type with a VIDEOINFOHEADER2 block and the picture aspect ratio x:y.
inline MediaType VideoInfo2Type(const GUID& subtype, LONG width, LONG height,
                                REFERENCE_TIME avgTimePerFrame, DWORD aspectX, DWORD aspectY) {
    VIDEOINFOHEADER2 header{};
    header.AvgTimePerFrame = avgTimePerFrame;
    header.dwPictAspectRatioX = aspectX;
    header.dwPictAspectRatioY = aspectY;
    header.bmiHeader = BitmapHeader(width, height, 16, subtype.Data1);
    const auto* bytes = reinterpret_cast<const BYTE*>(&header);
    return MediaType(MEDIATYPE_Video, subtype, FORMAT_Vidscope2,
                     std::span<const BYTE>(bytes, sizeof(header)));
}

}  // namespace capspect::test
