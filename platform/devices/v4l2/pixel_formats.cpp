#include "platform/devices/v4l2/pixel_formats.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/sdk/mediatype.h"
#include "platform/support/guids.h"

namespace capspect::v4l2 {
namespace {

struct RgbEntry {
    std::uint32_t fourcc;
    GUID subtype;
    DWORD compression;
};

// V4L2 formats whose bytes lie in memory exactly as in the platform's RGB subtypes
// (little-endian words, blue in the lowest bits).
const std::array kRgbFormats{
    RgbEntry{V4L2_PIX_FMT_BGR24, MEDIASUBTYPE_RGB24, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_XBGR32, MEDIASUBTYPE_RGB32, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_BGR32, MEDIASUBTYPE_RGB32, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_ABGR32, MEDIASUBTYPE_ARGB32, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_RGB565, MEDIASUBTYPE_RGB565, BI_BITFIELDS_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_XRGB555, MEDIASUBTYPE_RGB555, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_RGB555, MEDIASUBTYPE_RGB555, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_ARGB555, MEDIASUBTYPE_ARGB1555, BI_RGB_COMPRESSION},
    RgbEntry{V4L2_PIX_FMT_ARGB444, MEDIASUBTYPE_ARGB4444, BI_RGB_COMPRESSION},
};

// FOURCCs the platform knows under another code for the same layout.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 2> kRenamed{{
    {V4L2_PIX_FMT_YUYV, v4l2_fourcc('Y', 'U', 'Y', '2')},
    {V4L2_PIX_FMT_YUV420, v4l2_fourcc('I', '4', '2', '0')},
}};

struct DepthEntry {
    std::uint32_t fourcc;
    WORD bits;
};

constexpr std::array kDepths{
    // Packed YUV.
    DepthEntry{V4L2_PIX_FMT_YUYV, 16},
    DepthEntry{V4L2_PIX_FMT_UYVY, 16},
    DepthEntry{V4L2_PIX_FMT_YVYU, 16},
    DepthEntry{V4L2_PIX_FMT_VYUY, 16},
    DepthEntry{V4L2_PIX_FMT_Y41P, 12},
    DepthEntry{V4L2_PIX_FMT_YUV444, 16},
    DepthEntry{V4L2_PIX_FMT_YUV555, 16},
    DepthEntry{V4L2_PIX_FMT_YUV565, 16},
    DepthEntry{V4L2_PIX_FMT_YUV32, 32},
    DepthEntry{V4L2_PIX_FMT_AYUV32, 32},
    DepthEntry{V4L2_PIX_FMT_XYUV32, 32},
    DepthEntry{V4L2_PIX_FMT_VUYA32, 32},
    DepthEntry{V4L2_PIX_FMT_VUYX32, 32},
    DepthEntry{V4L2_PIX_FMT_YUVA32, 32},
    DepthEntry{V4L2_PIX_FMT_YUVX32, 32},
    // Planar and semi-planar YUV, single and multi-buffer.
    DepthEntry{V4L2_PIX_FMT_YUV420, 12},
    DepthEntry{V4L2_PIX_FMT_YVU420, 12},
    DepthEntry{V4L2_PIX_FMT_YUV420M, 12},
    DepthEntry{V4L2_PIX_FMT_YVU420M, 12},
    DepthEntry{V4L2_PIX_FMT_NV12, 12},
    DepthEntry{V4L2_PIX_FMT_NV21, 12},
    DepthEntry{V4L2_PIX_FMT_NV12M, 12},
    DepthEntry{V4L2_PIX_FMT_NV21M, 12},
    DepthEntry{V4L2_PIX_FMT_M420, 12},
    DepthEntry{V4L2_PIX_FMT_YUV422P, 16},
    DepthEntry{V4L2_PIX_FMT_NV16, 16},
    DepthEntry{V4L2_PIX_FMT_NV61, 16},
    DepthEntry{V4L2_PIX_FMT_NV16M, 16},
    DepthEntry{V4L2_PIX_FMT_NV61M, 16},
    DepthEntry{V4L2_PIX_FMT_NV24, 24},
    DepthEntry{V4L2_PIX_FMT_NV42, 24},
    DepthEntry{V4L2_PIX_FMT_YUV410, 9},
    DepthEntry{V4L2_PIX_FMT_YVU410, 9},
    // Grey.
    DepthEntry{V4L2_PIX_FMT_GREY, 8},
    DepthEntry{V4L2_PIX_FMT_Y10, 16},
    DepthEntry{V4L2_PIX_FMT_Y12, 16},
    DepthEntry{V4L2_PIX_FMT_Y16, 16},
    DepthEntry{V4L2_PIX_FMT_Y16_BE, 16},
    // RGB.
    DepthEntry{V4L2_PIX_FMT_RGB332, 8},
    DepthEntry{V4L2_PIX_FMT_RGB565, 16},
    DepthEntry{V4L2_PIX_FMT_RGB565X, 16},
    DepthEntry{V4L2_PIX_FMT_RGB555, 16},
    DepthEntry{V4L2_PIX_FMT_XRGB555, 16},
    DepthEntry{V4L2_PIX_FMT_ARGB555, 16},
    DepthEntry{V4L2_PIX_FMT_RGB555X, 16},
    DepthEntry{V4L2_PIX_FMT_RGB444, 16},
    DepthEntry{V4L2_PIX_FMT_ARGB444, 16},
    DepthEntry{V4L2_PIX_FMT_XRGB444, 16},
    DepthEntry{V4L2_PIX_FMT_RGBA444, 16},
    DepthEntry{V4L2_PIX_FMT_RGBX444, 16},
    DepthEntry{V4L2_PIX_FMT_ABGR444, 16},
    DepthEntry{V4L2_PIX_FMT_XBGR444, 16},
    DepthEntry{V4L2_PIX_FMT_BGRA444, 16},
    DepthEntry{V4L2_PIX_FMT_BGRX444, 16},
    DepthEntry{V4L2_PIX_FMT_RGBA555, 16},
    DepthEntry{V4L2_PIX_FMT_RGBX555, 16},
    DepthEntry{V4L2_PIX_FMT_ABGR555, 16},
    DepthEntry{V4L2_PIX_FMT_XBGR555, 16},
    DepthEntry{V4L2_PIX_FMT_BGRA555, 16},
    DepthEntry{V4L2_PIX_FMT_BGRX555, 16},
    DepthEntry{V4L2_PIX_FMT_ARGB555X, 16},
    DepthEntry{V4L2_PIX_FMT_XRGB555X, 16},
    DepthEntry{V4L2_PIX_FMT_RGB24, 24},
    DepthEntry{V4L2_PIX_FMT_BGR24, 24},
    DepthEntry{V4L2_PIX_FMT_BGR666, 32},
    DepthEntry{V4L2_PIX_FMT_RGB32, 32},
    DepthEntry{V4L2_PIX_FMT_BGR32, 32},
    DepthEntry{V4L2_PIX_FMT_XBGR32, 32},
    DepthEntry{V4L2_PIX_FMT_ABGR32, 32},
    DepthEntry{V4L2_PIX_FMT_XRGB32, 32},
    DepthEntry{V4L2_PIX_FMT_ARGB32, 32},
    DepthEntry{V4L2_PIX_FMT_BGRA32, 32},
    DepthEntry{V4L2_PIX_FMT_BGRX32, 32},
    DepthEntry{V4L2_PIX_FMT_RGBA32, 32},
    DepthEntry{V4L2_PIX_FMT_RGBX32, 32},
    DepthEntry{V4L2_PIX_FMT_HSV24, 24},
    DepthEntry{V4L2_PIX_FMT_HSV32, 32},
    // Bayer.
    DepthEntry{V4L2_PIX_FMT_SBGGR8, 8},
    DepthEntry{V4L2_PIX_FMT_SGBRG8, 8},
    DepthEntry{V4L2_PIX_FMT_SGRBG8, 8},
    DepthEntry{V4L2_PIX_FMT_SRGGB8, 8},
    // 10 and 12 significant bits in 16 (the packed variants have their own codes).
    DepthEntry{V4L2_PIX_FMT_SBGGR10, 16},
    DepthEntry{V4L2_PIX_FMT_SGBRG10, 16},
    DepthEntry{V4L2_PIX_FMT_SGRBG10, 16},
    DepthEntry{V4L2_PIX_FMT_SRGGB10, 16},
    DepthEntry{V4L2_PIX_FMT_SBGGR12, 16},
    DepthEntry{V4L2_PIX_FMT_SGBRG12, 16},
    DepthEntry{V4L2_PIX_FMT_SGRBG12, 16},
    DepthEntry{V4L2_PIX_FMT_SRGGB12, 16},
    DepthEntry{V4L2_PIX_FMT_SBGGR16, 16},
    DepthEntry{V4L2_PIX_FMT_SGBRG16, 16},
    DepthEntry{V4L2_PIX_FMT_SGRBG16, 16},
    DepthEntry{V4L2_PIX_FMT_SRGGB16, 16},
};

}  // namespace

PixelFormatMapping MapPixelFormat(std::uint32_t fourcc) {
    for (const RgbEntry& entry : kRgbFormats) {
        if (entry.fourcc == fourcc) {
            return {entry.subtype, entry.compression, true};
        }
    }
    for (const auto& [v4l2, platform] : kRenamed) {
        if (v4l2 == fourcc) {
            return {FourCCGuid(platform), platform, false};
        }
    }
    return {FourCCGuid(fourcc), fourcc, false};
}

std::optional<WORD> KnownBitsPerPixel(std::uint32_t fourcc) {
    const auto found = std::find_if(kDepths.begin(), kDepths.end(),
                                    [fourcc](const DepthEntry& e) { return e.fourcc == fourcc; });
    if (found == kDepths.end()) {
        return std::nullopt;
    }
    return found->bits;
}

bool ImageSizeFromDriver(std::uint32_t fourcc, std::uint32_t flags) {
    return (flags & V4L2_FMT_FLAG_COMPRESSED) != 0 || !KnownBitsPerPixel(fourcc);
}

}  // namespace capspect::v4l2
