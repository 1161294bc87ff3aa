// The small conversions under the capability mapping: errno codes, frame intervals, bit
// rates, aspect ratios, standards, connectors and pixel formats.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/devices/v4l2/analog.h"
#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/errors.h"
#include "platform/devices/v4l2/pixel_formats.h"
#include "platform/support/guids.h"

namespace capspect::v4l2 {
namespace {

TEST(ErrnoCodes, CarryTheErrnoInAWin32FacilityFailure) {
    EXPECT_EQ(HResultFromErrno(0), S_OK);
    EXPECT_EQ(static_cast<std::uint32_t>(HResultFromErrno(ENODEV)), 0x80070013u);
    for (int error = 1; error < 134; ++error) {
        const HRESULT hr = HResultFromErrno(error);
        EXPECT_TRUE(FAILED(hr)) << error;
        EXPECT_EQ(ErrnoFromHResult(hr), error);
    }
}

TEST(ErrnoCodes, NonErrnoValuesNeverReadAsSuccess) {
    EXPECT_EQ(HResultFromErrno(-EINVAL), E_FAIL);
    EXPECT_EQ(HResultFromErrno(0x10000), E_FAIL);
    EXPECT_FALSE(ErrnoFromHResult(E_FAIL));
    EXPECT_FALSE(ErrnoFromHResult(S_OK));
    EXPECT_FALSE(ErrnoFromHResult(HRESULT_FROM_WIN32(0)));
}

TEST(FrameIntervals, RoundToTheNearest100Nanoseconds) {
    EXPECT_EQ(IntervalToReferenceTime({1, 30}), 333333);
    EXPECT_EQ(IntervalToReferenceTime({1001, 30000}), 333667);
    EXPECT_EQ(IntervalToReferenceTime({1, 25}), 400000);
    EXPECT_EQ(IntervalToReferenceTime({1, 60}), 166667);
    EXPECT_EQ(IntervalToReferenceTime({2, 25}), 800000);
    EXPECT_EQ(IntervalToReferenceTime({1, 0}), 0);
    EXPECT_EQ(IntervalToReferenceTime({0xFFFFFFFFu, 1}), 42949672950000000);
}

TEST(BitRates, FollowTheExactIntervalAndStayInRange) {
    EXPECT_EQ(BitsPerSecond(640 * 480 * 16, {1, 30}), 147456000);
    EXPECT_EQ(BitsPerSecond(640 * 480 * 16, {1, 5}), 24576000);
    EXPECT_EQ(BitsPerSecond(640 * 480 * 16, {1001, 30000}), 147308691);
    EXPECT_EQ(BitsPerSecond(3840ull * 2160 * 32, {1, 60}), std::numeric_limits<LONG>::max());
    EXPECT_EQ(BitsPerSecond(1000, {0, 1}), 0);
    EXPECT_EQ(BitsPerSecond(1000, {1, 0}), 0);
}

TEST(PictureAspect, FollowsThePixelShape) {
    // 10/11-wide NTSC pixels over 704 active samples make 4:3.
    EXPECT_EQ(PictureAspectRatio(704, 480, {11, 10}), (std::pair<DWORD, DWORD>{4, 3}));
    EXPECT_EQ(PictureAspectRatio(720, 576, {54, 59}), (std::pair<DWORD, DWORD>{295, 216}));
    EXPECT_EQ(PictureAspectRatio(1920, 1080, {1, 1}), (std::pair<DWORD, DWORD>{16, 9}));
    EXPECT_EQ(PictureAspectRatio(0, 576, {54, 59}), (std::pair<DWORD, DWORD>{0, 0}));
    EXPECT_EQ(PictureAspectRatio(720, 576, {0, 1}), (std::pair<DWORD, DWORD>{0, 0}));
}

TEST(AnalogStandards, MapFamilyByFamily) {
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_PAL_BG | V4L2_STD_PAL_I),
              ULONG(AnalogVideo_PAL_B | AnalogVideo_PAL_G | AnalogVideo_PAL_I));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_PAL_DK), ULONG(AnalogVideo_PAL_D));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_PAL_Nc), ULONG(AnalogVideo_PAL_N_COMBO));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_NTSC),
              ULONG(AnalogVideo_NTSC_M | AnalogVideo_NTSC_M_J));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_NTSC_443), ULONG(AnalogVideo_NTSC_433));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_SECAM_LC), ULONG(AnalogVideo_SECAM_L1));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_SECAM),
              ULONG(AnalogVideo_SECAM_B | AnalogVideo_SECAM_D | AnalogVideo_SECAM_G |
                    AnalogVideo_SECAM_H | AnalogVideo_SECAM_K | AnalogVideo_SECAM_K1 |
                    AnalogVideo_SECAM_L | AnalogVideo_SECAM_L1));
    EXPECT_EQ(AnalogVideoStandardsFrom(V4L2_STD_ATSC), ULONG(AnalogVideo_None));
    EXPECT_EQ(AnalogVideoStandardsFrom(0), ULONG(AnalogVideo_None));
}

v4l2_input Input(const char* name, std::uint32_t type, std::uint32_t capabilities = 0) {
    v4l2_input input{};
    std::strncpy(reinterpret_cast<char*>(input.name), name, sizeof input.name - 1);
    input.type = type;
    input.capabilities = capabilities;
    return input;
}

TEST(Connectors, VideoInputsByTypeNameAndCapabilities) {
    EXPECT_EQ(VideoConnectorOf(Input("Television", V4L2_INPUT_TYPE_TUNER), ""),
              PhysConn_Video_Tuner);
    EXPECT_EQ(VideoConnectorOf(Input("S-Video 1", V4L2_INPUT_TYPE_CAMERA), ""),
              PhysConn_Video_SVideo);
    EXPECT_EQ(VideoConnectorOf(Input("Composite1", V4L2_INPUT_TYPE_CAMERA), ""),
              PhysConn_Video_Composite);
    EXPECT_EQ(VideoConnectorOf(Input("Component", V4L2_INPUT_TYPE_CAMERA), ""),
              PhysConn_Video_YRYBY);
    EXPECT_EQ(VideoConnectorOf(Input("HDMI 0", V4L2_INPUT_TYPE_CAMERA), ""),
              PhysConn_Video_SerialDigital);
    EXPECT_EQ(VideoConnectorOf(Input("Port 2", V4L2_INPUT_TYPE_CAMERA, V4L2_IN_CAP_DV_TIMINGS), ""),
              PhysConn_Video_SerialDigital);
    EXPECT_EQ(VideoConnectorOf(Input("Port 1", V4L2_INPUT_TYPE_CAMERA, V4L2_IN_CAP_STD), ""),
              PhysConn_Video_Composite);
    EXPECT_EQ(VideoConnectorOf(Input("Camera 1", V4L2_INPUT_TYPE_CAMERA), "usb-0000:00:14.0-1"),
              PhysConn_Video_USB);
    EXPECT_EQ(VideoConnectorOf(Input("Camera 1", V4L2_INPUT_TYPE_CAMERA), "platform:cam"),
              PhysConn_Video_ParallelDigital);
}

TEST(Connectors, AudioInputsByName) {
    auto audio = [](const char* name) {
        v4l2_audio a{};
        std::strncpy(reinterpret_cast<char*>(a.name), name, sizeof a.name - 1);
        return AudioConnectorOf(a);
    };
    EXPECT_EQ(audio("TV"), PhysConn_Audio_Tuner);
    EXPECT_EQ(audio("Line-In"), PhysConn_Audio_Line);
    EXPECT_EQ(audio("Microphone"), PhysConn_Audio_Mic);
    EXPECT_EQ(audio("S/PDIF in"), PhysConn_Audio_SPDIFDigital);
    EXPECT_EQ(audio("HDMI audio"), PhysConn_Audio_AudioDecoder);
    EXPECT_EQ(audio(""), PhysConn_Audio_Line);
}

TEST(PixelFormats, RgbSubtypesOnlyWhereTheLayoutMatches) {
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_BGR24).subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_XBGR32).subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_ABGR32).subtype, MEDIASUBTYPE_ARGB32);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_RGB565).subtype, MEDIASUBTYPE_RGB565);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_RGB565).compression, BI_BITFIELDS_COMPRESSION);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_XRGB555).subtype, MEDIASUBTYPE_RGB555);
    EXPECT_TRUE(MapPixelFormat(V4L2_PIX_FMT_XRGB555).rgb);
    // Red first in memory, or big-endian words: not the platform's RGB, so FOURCC subtypes.
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_RGB24).subtype, FourCCGuid("RGB3"));
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_RGB565X).subtype, FourCCGuid("RGBR"));
    EXPECT_FALSE(MapPixelFormat(V4L2_PIX_FMT_RGB24).rgb);
}

TEST(PixelFormats, FourCCSubtypesWithThePlatformsSpellings) {
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_YUYV).subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_YUV420).subtype, MEDIASUBTYPE_I420);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_UYVY).subtype, MEDIASUBTYPE_UYVY);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_MJPEG).subtype, MEDIASUBTYPE_MJPG);
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_MJPEG).compression, V4L2_PIX_FMT_MJPEG);
    // A big-endian variant keeps all 32 bits of its code.
    EXPECT_EQ(MapPixelFormat(V4L2_PIX_FMT_Y16_BE).subtype.Data1, V4L2_PIX_FMT_Y16_BE);
}

TEST(PixelFormats, KnownDepthsAreStorageBits) {
    EXPECT_EQ(KnownBitsPerPixel(V4L2_PIX_FMT_NV12), 12);
    EXPECT_EQ(KnownBitsPerPixel(V4L2_PIX_FMT_Y10), 16);
    EXPECT_EQ(KnownBitsPerPixel(V4L2_PIX_FMT_BGR666), 32);
    EXPECT_FALSE(KnownBitsPerPixel(V4L2_PIX_FMT_MJPEG));
}

}  // namespace
}  // namespace capspect::v4l2
