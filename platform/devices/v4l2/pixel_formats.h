// How a V4L2 pixel format (a FOURCC) appears in a DirectShow media type: its subtype GUID,
// the BITMAPINFOHEADER compression and bit count.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/sdk/guid.h"
#include "platform/sdk/wintypes.h"

namespace capspect::v4l2 {

inline constexpr DWORD BI_RGB_COMPRESSION = 0;
inline constexpr DWORD BI_BITFIELDS_COMPRESSION = 3;

struct PixelFormatMapping {
    GUID subtype;
    DWORD compression;  // biCompression: BI_RGB, BI_BITFIELDS or the FOURCC
    bool rgb;           // one of the platform's RGB subtypes (rows are DWORD-aligned)
};

// The platform's RGB subtype where the memory layout is exactly the same (see
// docs/v4l2.md), the platform's name for the few FOURCCs it spells differently (YUYV is
// YUY2, YU12 is I420), and the FOURCC subtype of the code itself otherwise.
PixelFormatMapping MapPixelFormat(std::uint32_t fourcc);

// Bits per pixel of the formats we know, as stored (10-bit grey takes 16 bits); nothing
// for formats that are compressed or unknown.
std::optional<WORD> KnownBitsPerPixel(std::uint32_t fourcc);

// True when only the driver can tell the image size of a format at a frame size
// (VIDIOC_TRY_FMT's sizeimage): compressed formats (`flags` with V4L2_FMT_FLAG_COMPRESSED)
// and formats whose depth is not known here.
bool ImageSizeFromDriver(std::uint32_t fourcc, std::uint32_t flags);

}  // namespace capspect::v4l2
