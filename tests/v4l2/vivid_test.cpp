// The capabilities of the kernel's vivid driver, from its recorded answers, checked against
// what v4l2-ctl --list-formats-ext printed for the same device in the same guest.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/crossbar_layout.h"
#include "platform/devices/v4l2/recorded_device.h"
#include "platform/support/guids.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

using testing::LoadRecording;

// One (pixel format, frame size) line of v4l2-ctl with the frame rates listed under it.
struct ListedSize {
    std::uint32_t fourcc = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<double> fps;
};

std::vector<ListedSize> ParseListFormatsExt(const std::string& path) {
    std::ifstream file(path);
    const std::regex format(R"(^\s*\[\d+\]: '(.{4})(-BE)?')");
    const std::regex size(R"(^\s*Size: Discrete (\d+)x(\d+))");
    const std::regex interval(R"(^\s*Interval: Discrete [0-9.]+s \(([0-9.]+) fps\))");
    std::vector<ListedSize> listed;
    std::uint32_t fourcc = 0;
    std::smatch match;
    for (std::string line; std::getline(file, line);) {
        if (std::regex_search(line, match, format)) {
            const std::string code = match[1];
            fourcc = v4l2_fourcc(code[0], code[1], code[2], code[3]);
            if (match[2].matched) {
                fourcc |= 1u << 31;
            }
        } else if (std::regex_search(line, match, size)) {
            listed.push_back({fourcc,
                              static_cast<std::uint32_t>(std::stoul(match[1])),
                              static_cast<std::uint32_t>(std::stoul(match[2])),
                              {}});
        } else if (std::regex_search(line, match, interval)) {
            listed.back().fps.push_back(std::stod(match[1]));
        }
    }
    return listed;
}

double Fps(REFERENCE_TIME interval) {
    return 1e7 / static_cast<double>(interval);
}

class VividTest : public ::testing::Test {
protected:
    const DeviceRecording recording_ = LoadRecording("vivid.json");

    const InputRecording& Input(const char* name) const {
        for (const InputRecording& input : recording_.inputs) {
            if (std::string(reinterpret_cast<const char*>(input.input->name)) == name) {
                return input;
            }
        }
        throw std::runtime_error(std::string("no input ") + name);
    }
};

TEST_F(VividTest, WebcamOffersEveryListedFormatAndSizeWithTheListedFrameRates) {
    const auto listed = ParseListFormatsExt(std::string(CAPSPECT_V4L2_TEST_DATA) +
                                            "/vivid-webcam-list-formats-ext.txt");
    const auto caps = MapCapabilities(Input("Webcam 0"));
    ASSERT_EQ(listed.size(), 83u * 6u);
    ASSERT_EQ(caps.size(), listed.size());
    for (std::size_t i = 0; i < caps.size(); ++i) {
        SCOPED_TRACE(FourCCText(listed[i].fourcc) + " " + std::to_string(listed[i].width) + "x" +
                     std::to_string(listed[i].height));
        const VideoCapability& cap = caps[i];
        EXPECT_EQ(cap.pixelformat, listed[i].fourcc);
        EXPECT_EQ(cap.caps.InputSize, (SIZE{LONG(listed[i].width), LONG(listed[i].height)}));
        EXPECT_EQ(cap.caps.MinOutputSize, cap.caps.InputSize);
        EXPECT_EQ(cap.caps.MaxOutputSize, cap.caps.InputSize);
        const auto [slowest, fastest] =
            std::minmax_element(listed[i].fps.begin(), listed[i].fps.end());
        EXPECT_NEAR(Fps(cap.caps.MinFrameInterval), *fastest, 0.001);
        EXPECT_NEAR(Fps(cap.caps.MaxFrameInterval), *slowest, 0.001);
        EXPECT_EQ(cap.mediaType.AvgTimePerFrame(), cap.caps.MinFrameInterval);
        EXPECT_EQ(cap.mediaType.formattype, FORMAT_VideoInfo);
        EXPECT_EQ(cap.caps.VideoStandard, AnalogVideo_None);
    }
}

TEST_F(VividTest, WebcamYuyvAt640x480) {
    const auto caps = MapCapabilities(Input("Webcam 0"));
    const VideoCapability& cap = caps[2];  // YUYV's third size
    ASSERT_EQ(cap.caps.InputSize, (SIZE{640, 480}));
    EXPECT_EQ(cap.mediaType.subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(cap.mediaType.Bitmap().biCompression, MakeFourCC('Y', 'U', 'Y', '2'));
    EXPECT_EQ(cap.mediaType.Bitmap().biBitCount, 16);
    EXPECT_EQ(cap.mediaType.Bitmap().biSizeImage, 614400u);
    // 1 to 25 frames per second at 640 x 480 x 16 bits.
    EXPECT_EQ(cap.caps.MinFrameInterval, 400000);
    EXPECT_EQ(cap.caps.MaxFrameInterval, 10000000);
    EXPECT_EQ(cap.caps.MinBitsPerSecond, 4915200);
    EXPECT_EQ(cap.caps.MaxBitsPerSecond, 122880000);
    EXPECT_EQ(std::get<VIDEOINFOHEADER>(cap.mediaType.format).dwBitRate, 122880000u);
}

TEST_F(VividTest, TvInputOffersRangesStandardsAndThePictureAspect) {
    const auto caps = MapCapabilities(Input("TV 0"));
    // Each of the 83 formats has one size range, offered plain and with the 54/59 pixel
    // aspect of a 576-line picture.
    ASSERT_EQ(caps.size(), 83u * 2u);
    const ULONG allStandards = caps[0].caps.VideoStandard;
    EXPECT_TRUE(allStandards & AnalogVideo_PAL_B);
    EXPECT_TRUE(allStandards & AnalogVideo_NTSC_M);
    EXPECT_TRUE(allStandards & AnalogVideo_SECAM_L);
    for (std::size_t i = 0; i < caps.size(); i += 2) {
        const VideoCapability& plain = caps[i];
        const VideoCapability& wide = caps[i + 1];
        EXPECT_EQ(plain.caps.guid, FORMAT_VideoInfo);
        EXPECT_EQ(plain.caps.MinOutputSize, (SIZE{16, 16}));
        EXPECT_EQ(plain.caps.MaxOutputSize, (SIZE{16384, 8640}));
        EXPECT_EQ(plain.caps.OutputGranularityX, 2);
        EXPECT_EQ(plain.caps.OutputGranularityY, 2);
        EXPECT_EQ(plain.caps.InputSize, (SIZE{720, 576}));
        EXPECT_EQ(plain.caps.MinFrameInterval, 400000);
        EXPECT_EQ(plain.caps.MaxFrameInterval, 400000);
        EXPECT_EQ(plain.caps.VideoStandard, allStandards);
        ASSERT_EQ(wide.mediaType.formattype, FORMAT_VideoInfo2);
        EXPECT_EQ(wide.caps.guid, FORMAT_VideoInfo2);
        const auto& header = std::get<VIDEOINFOHEADER2>(wide.mediaType.format);
        EXPECT_EQ(header.dwPictAspectRatioX, 295u);  // 720 * 59 : 576 * 54, reduced
        EXPECT_EQ(header.dwPictAspectRatioY, 216u);
        EXPECT_EQ(header.bmiHeader.biWidth, 720);
        EXPECT_EQ(header.AvgTimePerFrame, 400000);
        EXPECT_EQ(wide.mediaType.subtype, plain.mediaType.subtype);
    }
    // The largest size at the highest rate does not fit the record's 32-bit bit rate.
    EXPECT_EQ(caps[0].caps.MaxBitsPerSecond, std::numeric_limits<LONG>::max());
    EXPECT_EQ(caps[0].caps.MinBitsPerSecond, 16 * 16 * 16 * 25);
}

TEST_F(VividTest, HdmiInputIsDigitalWithSquarePixels) {
    const auto caps = MapCapabilities(Input("HDMI 0"));
    ASSERT_EQ(caps.size(), 83u);
    EXPECT_EQ(caps[0].caps.InputSize, (SIZE{1280, 720}));
    EXPECT_EQ(caps[0].caps.MinFrameInterval, 166667);  // 12375/742500 s = 1/60 s
    EXPECT_EQ(caps[0].caps.VideoStandard, AnalogVideo_None);
}

TEST_F(VividTest, CrossbarHasFourVideoAndTwoAudioInputs) {
    const auto crossbar = CrossbarOf(recording_);
    ASSERT_TRUE(crossbar);
    ASSERT_EQ(crossbar->inputs.size(), 6u);
    // vivid's bus is "platform:", so its webcam sits on a parallel bus rather than USB.
    EXPECT_EQ(crossbar->inputs[0].type, PhysConn_Video_ParallelDigital);
    EXPECT_EQ(crossbar->inputs[1].type, PhysConn_Video_Tuner);
    EXPECT_EQ(crossbar->inputs[2].type, PhysConn_Video_SVideo);
    EXPECT_EQ(crossbar->inputs[3].type, PhysConn_Video_SerialDigital);
    EXPECT_EQ(crossbar->inputs[4].type, PhysConn_Audio_Tuner);
    EXPECT_EQ(crossbar->inputs[5].type, PhysConn_Audio_Line);
    // TV and S-Video carry audio set 0b11: related to the first audio input (pin 4).
    EXPECT_EQ(crossbar->inputs[0].related, -1);
    EXPECT_EQ(crossbar->inputs[1].related, 4);
    EXPECT_EQ(crossbar->inputs[2].related, 4);
    EXPECT_EQ(crossbar->inputs[4].related, 1);
    ASSERT_EQ(crossbar->outputs.size(), 2u);
    EXPECT_EQ(crossbar->outputs[0].routedFrom, 0);   // the webcam is selected
    EXPECT_EQ(crossbar->outputs[1].routedFrom, -1);  // and has no audio
}

TEST(VividMultiPlanarTest, PlanesAddUpToOneImage) {
    const DeviceRecording recording = LoadRecording("vivid-mplane-webcam.json");
    ASSERT_EQ(recording.inputs[0].bufferType, V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE);
    const auto caps = MapCapabilities(recording.inputs[0]);
    ASSERT_EQ(caps.size(), 5u * 6u);
    const VideoCapability& nm12 = caps[3 * 6 + 2];  // NV12M, 640 x 480
    ASSERT_EQ(nm12.pixelformat, V4L2_PIX_FMT_NV12M);
    EXPECT_EQ(nm12.caps.InputSize, (SIZE{640, 480}));
    EXPECT_EQ(nm12.mediaType.Bitmap().biBitCount, 12);
    EXPECT_EQ(nm12.mediaType.Bitmap().biSizeImage, 640u * 480u * 3u / 2u);
    EXPECT_FALSE(CrossbarOf(recording));
}

}  // namespace
}  // namespace capspect::v4l2
