// Recording a device and replaying it: the recorder asks what the mapping needs, the replay
// answers like the driver did, and the JSON form keeps every answer.
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "platform/devices/v4l2/recorded_device.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

using testing::LoadJson;
using testing::LoadRecording;

TEST(Recording, RecordingTheReplayOfVividGivesTheSameDocument) {
    for (const char* name : {"vivid.json", "vivid-mplane-webcam.json"}) {
        const nlohmann::json original = LoadJson(name);
        RecordedDevice device(RecordingFromJson(original));
        DeviceRecording again;
        ASSERT_EQ(RecordDevice(device, again), 0) << name;
        EXPECT_EQ(ToJson(again), original) << name;
    }
}

TEST(Recording, RestoresTheSelectedInput) {
    DeviceRecording recording = LoadRecording("vivid.json");
    recording.currentInput = 2;
    RecordedDevice device(recording);
    DeviceRecording again;
    ASSERT_EQ(RecordDevice(device, again), 0);
    int input = -1;
    ASSERT_EQ(device.GetInput(input), 0);
    EXPECT_EQ(input, 2);
    EXPECT_EQ(again.currentInput, 2);
}

TEST(Recording, AVanishedDeviceIsReportedNotRecorded) {
    RecordedDevice device(LoadRecording("vivid.json"));
    device.FailEveryCall(ENODEV);
    DeviceRecording recording;
    EXPECT_EQ(RecordDevice(device, recording), ENODEV);
}

TEST(Recording, MalformedDocumentsNameThePlaceOfTheFault) {
    nlohmann::json document = LoadJson("vivid-mplane-webcam.json");
    document["inputs"][0]["formats"][1]["fourcc"] = "TOOLONG";
    try {
        RecordingFromJson(document);
        FAIL() << "accepted a bad FOURCC";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "$.inputs[0].formats[1].fourcc is not a FOURCC");
    }
    document = LoadJson("vivid-mplane-webcam.json");
    document["inputs"][0]["formats"][0]["at_size"][0]["intervals"][0] = "1:30";
    EXPECT_THROW(RecordingFromJson(document), std::invalid_argument);
    document.erase("querycap");
    EXPECT_THROW(RecordingFromJson(document), std::invalid_argument);
}

TEST(Recording, FourCCTextKeepsEveryCode) {
    EXPECT_EQ(FourCCText(V4L2_PIX_FMT_YUYV), "YUYV");
    EXPECT_EQ(FourCCText(V4L2_PIX_FMT_Y16_BE), "0xA0363159");
    EXPECT_EQ(FourCCFromText("0xA0363159"), V4L2_PIX_FMT_Y16_BE);
    EXPECT_EQ(FourCCFromText("Y16 "), V4L2_PIX_FMT_Y16);
    EXPECT_FALSE(FourCCFromText("0xA036315G"));
    EXPECT_FALSE(FourCCFromText("YUY"));
}

class ReplayTest : public ::testing::Test {
protected:
    RecordedDevice device_{LoadRecording("vivid.json")};

    v4l2_pix_format Set(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height) {
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        format.fmt.pix.pixelformat = fourcc;
        format.fmt.pix.width = width;
        format.fmt.pix.height = height;
        EXPECT_EQ(device_.SetFormat(format), 0);
        v4l2_format current{};
        current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        EXPECT_EQ(device_.GetFormat(current), 0);
        return current.fmt.pix;
    }
};

TEST_F(ReplayTest, SwitchingTheInputBringsItsFormatsAndStandards) {
    v4l2_std_id standard = 0;
    EXPECT_EQ(device_.GetStd(standard), ENODATA);
    ASSERT_EQ(device_.SetInput(1), 0);
    EXPECT_EQ(device_.GetStd(standard), 0);
    EXPECT_EQ(standard, V4L2_STD_PAL);
    v4l2_frmsizeenum size{};
    size.pixel_format = V4L2_PIX_FMT_YUYV;
    ASSERT_EQ(device_.EnumFrameSizes(size), 0);
    EXPECT_EQ(size.type, V4L2_FRMSIZE_TYPE_STEPWISE);
    size.index = 1;
    EXPECT_EQ(device_.EnumFrameSizes(size), EINVAL);
    EXPECT_EQ(device_.SetInput(7), EINVAL);
}

TEST_F(ReplayTest, FormatsSnapToWhatTheDriverOffers) {
    // Discrete sizes: the nearest one.
    const v4l2_pix_format webcam = Set(V4L2_PIX_FMT_UYVY, 650, 470);
    EXPECT_EQ(webcam.width, 640u);
    EXPECT_EQ(webcam.height, 480u);
    EXPECT_EQ(webcam.sizeimage, 614400u);
    // An unknown format becomes the first one.
    EXPECT_EQ(Set(v4l2_fourcc('N', 'O', 'N', 'E'), 320, 180).pixelformat, V4L2_PIX_FMT_YUYV);
    // Ranges: clamped and on the step, image size scaled.
    ASSERT_EQ(device_.SetInput(1), 0);
    const v4l2_pix_format tv = Set(V4L2_PIX_FMT_YUYV, 353, 100000);
    EXPECT_EQ(tv.width, 352u);
    EXPECT_EQ(tv.height, 8640u);
    EXPECT_EQ(tv.bytesperline, 704u);
    EXPECT_EQ(tv.sizeimage, 352u * 8640u * 2u);
}

TEST_F(ReplayTest, FrameIntervalsMustBeOfferedAtTheCurrentSize) {
    Set(V4L2_PIX_FMT_YUYV, 1280, 720);
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {1, 10};
    ASSERT_EQ(device_.SetParm(parm), 0);
    EXPECT_EQ(parm.parm.capture.timeperframe.denominator, 10u);
    // 30 fps is not offered at 1280 x 720: the interval stays.
    parm.parm.capture.timeperframe = {1, 30};
    ASSERT_EQ(device_.SetParm(parm), 0);
    EXPECT_EQ(parm.parm.capture.timeperframe.denominator, 10u);
}

}  // namespace
}  // namespace capspect::v4l2
