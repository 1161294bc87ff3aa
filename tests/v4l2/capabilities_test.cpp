// The capability mapping on small hand-written devices: the cases vivid does not show.
#include <gtest/gtest.h>

#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/recorded_device.h"
#include "platform/support/guids.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

using testing::RecordingFromText;

// A USB webcam: MJPEG with the driver's largest frame size per resolution, and YUYV.
constexpr const char* kUsbCamera = R"({
  "querycap": {"driver": "uvcvideo", "card": "USB Camera", "bus_info": "usb-0000:00:14.0-1",
               "capabilities": "0x84A00001", "device_caps": "0x04200001"},
  "inputs": [{
    "input": {"index": 0, "name": "Camera 1", "type": "camera"},
    "format": {"pixelformat": "YUYV", "size": [640, 480], "bytesperline": 1280, "sizeimage": 614400},
    "parm": {"capability": "0x1000", "timeperframe": "1/30"},
    "formats": [
      {"fourcc": "MJPG", "description": "Motion-JPEG", "flags": 1,
       "sizes": [[1280, 720]],
       "at_size": [{"size": [1280, 720], "intervals": ["1/30", "1/15"],
                    "try_fmt": {"pixelformat": "MJPG", "size": [1280, 720], "sizeimage": 1843789}}]},
      {"fourcc": "YUYV", "description": "YUYV 4:2:2",
       "sizes": [[640, 480]],
       "at_size": [{"size": [640, 480], "intervals": {"continuous": {"min": "1/30", "max": "1/1", "step": "1/1"}}}]}
    ]}]
})";

TEST(Capabilities, CompressedFormatsTakeTheirBitRateFromTheDriversImageSize) {
    const auto caps = MapCapabilities(RecordingFromText(kUsbCamera).inputs[0]);
    ASSERT_EQ(caps.size(), 2u);
    const VideoCapability& mjpg = caps[0];
    EXPECT_EQ(mjpg.mediaType.subtype, MEDIASUBTYPE_MJPG);
    EXPECT_FALSE(mjpg.mediaType.fixedSizeSamples);
    EXPECT_EQ(mjpg.mediaType.Bitmap().biBitCount, 0);
    EXPECT_EQ(mjpg.mediaType.Bitmap().biSizeImage, 1843789u);
    EXPECT_EQ(mjpg.caps.MaxBitsPerSecond, 1843789 * 8 * 30);
    EXPECT_EQ(mjpg.caps.MinBitsPerSecond, 1843789 * 8 * 15);
}

TEST(Capabilities, IntervalRangesGiveTheirEnds) {
    const VideoCapability yuyv = MapCapabilities(RecordingFromText(kUsbCamera).inputs[0])[1];
    EXPECT_EQ(yuyv.caps.MinFrameInterval, 333333);
    EXPECT_EQ(yuyv.caps.MaxFrameInterval, 10000000);
    EXPECT_EQ(yuyv.caps.OutputGranularityX, 1);
    EXPECT_TRUE(yuyv.mediaType.fixedSizeSamples);
    EXPECT_EQ(yuyv.mediaType.sampleSize, 614400u);
}

// A grabber that enumerates no sizes or intervals at all and has an unusual format.
constexpr const char* kPlainGrabber = R"({
  "querycap": {"driver": "grab", "card": "Grabber", "capabilities": "0x04000001"},
  "inputs": [{
    "format": {"pixelformat": "UYVY", "size": [720, 480], "bytesperline": 1440, "sizeimage": 691200},
    "std": "0x0000B000",
    "standards": [{"id": "0x000000FF", "name": "PAL", "frameperiod": "1/25", "framelines": 625},
                  {"id": "0x0000B000", "name": "NTSC", "frameperiod": "1001/30000", "framelines": 525}],
    "formats": [
      {"fourcc": "UYVY", "at_size": [{"size": [720, 480]}]},
      {"fourcc": "ZZ10", "at_size": [{"size": [720, 480],
                    "try_fmt": {"pixelformat": "ZZ10", "size": [720, 480], "sizeimage": 864000}}]},
      {"fourcc": "ZZ20", "at_size": []}
    ]}]
})";

TEST(Capabilities, WithoutEnumerationsTheCurrentSizeAndStandardPeriodAreUsed) {
    const auto caps = MapCapabilities(RecordingFromText(kPlainGrabber).inputs[0]);
    // ZZ20 has no size the driver told, so it cannot be offered.
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0].caps.InputSize, (SIZE{720, 480}));
    EXPECT_EQ(caps[0].caps.MaxOutputSize, (SIZE{720, 480}));
    EXPECT_EQ(caps[0].caps.MinFrameInterval, 333667);
    EXPECT_EQ(caps[0].caps.MaxFrameInterval, 333667);
    EXPECT_EQ(caps[0].caps.VideoStandard,
              ULONG(AnalogVideo_NTSC_M | AnalogVideo_NTSC_M_J | AnalogVideo_PAL_B |
                    AnalogVideo_PAL_G | AnalogVideo_PAL_H | AnalogVideo_PAL_I | AnalogVideo_PAL_D));
    // An unknown uncompressed format: 864000 bytes for 720 x 480 is 20 bits per pixel.
    EXPECT_EQ(caps[1].mediaType.subtype, FourCCGuid("ZZ10"));
    EXPECT_EQ(caps[1].mediaType.Bitmap().biBitCount, 20);
    EXPECT_EQ(caps[1].mediaType.Bitmap().biSizeImage, 864000u);
}

TEST(Capabilities, WithoutAnyIntervalTheRatesStayZero) {
    DeviceRecording recording = RecordingFromText(kPlainGrabber);
    recording.inputs[0].standard.reset();
    const auto caps = MapCapabilities(recording.inputs[0]);
    EXPECT_EQ(caps[0].caps.MinFrameInterval, 0);
    EXPECT_EQ(caps[0].caps.MaxBitsPerSecond, 0);
    EXPECT_EQ(caps[0].mediaType.AvgTimePerFrame(), 0);
}

// A scaler whose current size lies outside its range (or off its steps).
constexpr const char* kScaler = R"({
  "querycap": {"driver": "scale", "card": "Scaler", "capabilities": "0x04000001"},
  "inputs": [{
    "format": {"pixelformat": "BGR3", "size": [640, 480], "bytesperline": 1920, "sizeimage": 921600},
    "formats": [
      {"fourcc": "BGR3",
       "sizes": {"stepwise": {"min": [32, 32], "max": [1280, 720], "step": [4, 2]}},
       "at_size": [{"size": [32, 32], "intervals": ["1/60"]},
                   {"size": [1280, 720], "intervals": ["1/15", "1/5"]}]}
    ]}]
})";

TEST(Capabilities, StepwiseSizesOutsideTheRangeReportTheMaximumAsInputSize) {
    const auto caps = MapCapabilities(RecordingFromText(kScaler).inputs[0]);
    ASSERT_EQ(caps.size(), 1u);
    const VideoCapability& cap = caps[0];
    EXPECT_EQ(cap.caps.InputSize, (SIZE{640, 480}));
    EXPECT_EQ(cap.caps.OutputGranularityX, 4);
    EXPECT_EQ(cap.caps.OutputGranularityY, 2);
    // Intervals gathered at both ends of the range.
    EXPECT_EQ(cap.caps.MinFrameInterval, 166667);
    EXPECT_EQ(cap.caps.MaxFrameInterval, 2000000);
    EXPECT_EQ(cap.caps.MinBitsPerSecond, 32 * 32 * 24 * 5);
    EXPECT_EQ(cap.caps.MaxBitsPerSecond, 1280 * 720 * 24 * 60);
    // The platform's RGB24: rows padded to whole DWORDs.
    EXPECT_EQ(cap.mediaType.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(cap.mediaType.Bitmap().biSizeImage, 1920u * 480u);

    // Beyond the range, or off its steps: the maximum.
    for (std::uint32_t width : {4000u, 641u, 16u}) {
        DeviceRecording outside = RecordingFromText(kScaler);
        outside.inputs[0].format->width = width;
        EXPECT_EQ(MapCapabilities(outside.inputs[0])[0].caps.InputSize, (SIZE{1280, 720})) << width;
    }
}

}  // namespace
}  // namespace capspect::v4l2
