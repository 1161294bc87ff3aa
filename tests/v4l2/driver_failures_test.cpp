// A driver that fails in the middle of its answers: every ioctl of a recording made to fail
// at every position in turn, with every kind of errno. No recording may then pass as
// complete with answers other than the clean ones; the failure names what was asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/devices/v4l2/capabilities.h"
#include "platform/devices/v4l2/recorded_device.h"
#include "tests/support/stream_caps.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

using testing::LoadRecording;
using testing::RecordingFromText;

using Recorder = int (*)(V4l2Device&, DeviceRecording&);

struct Outcome {
    int result = 0;
    DeviceRecording recording;
    RecordedDevice device;
};

// Records a replay of `source` whose `nth` call of `ioctl` (and the `times - 1` after it)
// fails with `error`.
Outcome RecordFailing(Recorder record, const DeviceRecording& source, Ioctl ioctl, std::size_t nth,
                      int error, std::size_t times) {
    Outcome outcome{0, {}, RecordedDevice(source)};
    outcome.device.FailCall(ioctl, nth, error, times);
    outcome.result = record(outcome.device, outcome.recording);
    return outcome;
}

struct Case {
    const char* name;
    Recorder record;
    DeviceRecording source;
};

DeviceRecording WithInput(DeviceRecording recording, int input) {
    recording.currentInput = input;
    return recording;
}

// vivid with its first few pixel formats per input: every kind of answer, few calls.
DeviceRecording SmallVivid() {
    DeviceRecording vivid = LoadRecording("vivid.json");
    for (InputRecording& input : vivid.inputs) {
        input.formats.resize(std::min<std::size_t>(input.formats.size(), 5));
    }
    return vivid;
}

std::vector<Case> Cases() {
    const DeviceRecording vivid = SmallVivid();
    return {{"vivid webcam, selected input", RecordSelectedInput, vivid},
            {"vivid TV, selected input", RecordSelectedInput, WithInput(vivid, 1)},
            {"vivid, every input", RecordDevice, vivid},
            {"multi-planar webcam, every input", RecordDevice,
             LoadRecording("vivid-mplane-webcam.json")}};
}

constexpr Ioctl kAsked[] = {
    Ioctl::QueryCap,  Ioctl::EnumFmt,  Ioctl::EnumFrameSizes, Ioctl::EnumFrameIntervals,
    Ioctl::GetFmt,    Ioctl::TryFmt,   Ioctl::GetParm,        Ioctl::EnumInput,
    Ioctl::GetInput,  Ioctl::SetInput, Ioctl::EnumStd,        Ioctl::GetStd,
    Ioctl::EnumAudio, Ioctl::GetAudio, Ioctl::CropCap,        Ioctl::GetSelection,
};

// The errnos are taken in turn, position by position.
constexpr int kFailing[] = {EIO, EBUSY, ENOMEM};
constexpr int kGone[] = {ENODEV, ENXIO};
constexpr int kInterrupted[] = {EINTR, EAGAIN};

TEST(DriverFailures, NoFailureAnywherePassesAsACompleteRecording) {
    for (const Case& c : Cases()) {
        RecordedDevice clean(c.source);
        DeviceRecording expected;
        ASSERT_EQ(c.record(clean, expected), 0) << c.name;
        ASSERT_TRUE(expected.failures.empty()) << c.name;
        const nlohmann::json expectedJson = ToJson(expected);
        for (const Ioctl ioctl : kAsked) {
            for (std::size_t nth = 0; nth < clean.CallsOf(ioctl); ++nth) {
                SCOPED_TRACE(std::string(c.name) + ": " + IoctlName(ioctl) + " call " +
                             std::to_string(nth));
                // A failing device: the failure is kept and named, the recording says so.
                const int error = kFailing[nth % std::size(kFailing)];
                const Outcome failed = RecordFailing(c.record, c.source, ioctl, nth, error, 1);
                ASSERT_FALSE(failed.recording.failures.empty());
                EXPECT_EQ(failed.recording.failures.front().ioctl, ioctl);
                EXPECT_EQ(failed.recording.failures.front().error, error);
                const bool fatal = ioctl == Ioctl::QueryCap || ioctl == Ioctl::SetInput;
                EXPECT_EQ(failed.result, fatal ? error : 0);

                // A device that went away: the recording fails, nothing more is asked.
                const int gone = kGone[nth % std::size(kGone)];
                const Outcome left = RecordFailing(c.record, c.source, ioctl, nth, gone, SIZE_MAX);
                EXPECT_EQ(left.result, gone);
                ASSERT_EQ(left.recording.failures.size(), 1u);
                EXPECT_EQ(left.recording.failures.front().ioctl, ioctl);
                EXPECT_EQ(left.device.CallsOf(ioctl), nth + 1);

                // Interrupted calls are asked again and change nothing.
                const int interrupted = kInterrupted[nth % std::size(kInterrupted)];
                const Outcome retried =
                    RecordFailing(c.record, c.source, ioctl, nth, interrupted, 2);
                EXPECT_EQ(retried.result, 0);
                EXPECT_TRUE(retried.recording.failures.empty());
                EXPECT_EQ(ToJson(retried.recording), expectedJson);
            }
        }
    }
}

TEST(DriverFailures, AFailedEnumerationEndsAtTheFailedIndexAndTheRestIsStillAsked) {
    const DeviceRecording vivid = LoadRecording("vivid.json");
    // The 4th VIDIOC_ENUM_FRAMESIZES call is YUYV's index 3 (YUYV is the first format).
    const Outcome failed =
        RecordFailing(RecordSelectedInput, vivid, Ioctl::EnumFrameSizes, 3, EIO, 1);
    ASSERT_EQ(failed.recording.failures.size(), 1u);
    const ReadFailure& failure = failed.recording.failures.front();
    EXPECT_EQ(ReadFailureText(failure),
              "VIDIOC_ENUM_FRAMESIZES for YUYV, index 3: " + std::string(std::strerror(EIO)));
    const InputRecording& webcam = *SelectedInput(failed.recording);
    ASSERT_EQ(webcam.formats.size(), vivid.inputs[0].formats.size());
    EXPECT_EQ(webcam.formats[0].sizes.discrete.size(), 3u);
    EXPECT_EQ(webcam.formats[1].sizes, vivid.inputs[0].formats[1].sizes);

    const Outcome interval =
        RecordFailing(RecordSelectedInput, vivid, Ioctl::EnumFrameIntervals, 1, EBUSY, 1);
    ASSERT_EQ(interval.recording.failures.size(), 1u);
    EXPECT_EQ(ReadFailureText(interval.recording.failures.front()),
              "VIDIOC_ENUM_FRAMEINTERVALS for YUYV 320x180, index 1: " +
                  std::string(std::strerror(EBUSY)));

    const Outcome format = RecordFailing(RecordSelectedInput, vivid, Ioctl::EnumFmt, 40, EIO, 1);
    ASSERT_EQ(format.recording.failures.size(), 1u);
    EXPECT_EQ(ReadFailureText(format.recording.failures.front()),
              "VIDIOC_ENUM_FMT, index 40: " + std::string(std::strerror(EIO)));
    EXPECT_EQ(SelectedInput(format.recording)->formats.size(), 40u);
}

TEST(DriverFailures, ImageSizesAreAskedOnlyWhereOnlyTheDriverKnowsThem) {
    // vivid's formats are all uncompressed formats of known depth: no VIDIOC_TRY_FMT, and
    // the capabilities are those of the recording that asked it at every size.
    const DeviceRecording vivid = LoadRecording("vivid.json");
    for (const int input : {0, 1}) {
        RecordedDevice device(WithInput(vivid, input));
        DeviceRecording recording;
        ASSERT_EQ(RecordSelectedInput(device, recording), 0);
        EXPECT_EQ(device.CallsOf(Ioctl::TryFmt), 0u) << "input " << input;
        const auto mapped = MapCapabilities(*SelectedInput(recording));
        const auto expected = MapCapabilities(vivid.inputs[static_cast<std::size_t>(input)]);
        ASSERT_EQ(mapped.size(), expected.size());
        for (std::size_t i = 0; i < mapped.size(); ++i) {
            EXPECT_TRUE(test::SameCaps(mapped[i].caps, expected[i].caps));
            EXPECT_EQ(mapped[i].mediaType.sampleSize, expected[i].mediaType.sampleSize);
            EXPECT_EQ(mapped[i].mediaType.Bitmap().biSizeImage,
                      expected[i].mediaType.Bitmap().biSizeImage);
        }
    }
    // A compressed format and one of unknown depth take their image size from the driver.
    const DeviceRecording camera = RecordingFromText(R"({
        "querycap": {"driver": "uvcvideo", "card": "Cam", "capabilities": "0x84200001",
                     "device_caps": "0x04200001"},
        "inputs": [{"formats": [
            {"fourcc": "MJPG", "flags": 1, "sizes": [[1280, 720], [640, 480]],
             "at_size": [{"size": [1280, 720], "intervals": ["1/30"],
                          "try_fmt": {"pixelformat": "MJPG", "size": [1280, 720],
                                      "sizeimage": 1843789}},
                         {"size": [640, 480], "intervals": ["1/30"],
                          "try_fmt": {"pixelformat": "MJPG", "size": [640, 480],
                                      "sizeimage": 614989}}]},
            {"fourcc": "ZZ10", "sizes": [[720, 480]],
             "at_size": [{"size": [720, 480], "intervals": ["1/30"],
                          "try_fmt": {"pixelformat": "ZZ10", "size": [720, 480],
                                      "sizeimage": 864000}}]},
            {"fourcc": "YUYV", "sizes": [[640, 480]],
             "at_size": [{"size": [640, 480], "intervals": ["1/30"],
                          "try_fmt": {"pixelformat": "YUYV", "size": [640, 480],
                                      "sizeimage": 614400}}]}]}]
    })");
    RecordedDevice device(camera);
    DeviceRecording recording;
    ASSERT_EQ(RecordSelectedInput(device, recording), 0);
    EXPECT_EQ(device.CallsOf(Ioctl::TryFmt), 3u);
    const auto mapped = MapCapabilities(recording.inputs.front());
    ASSERT_EQ(mapped.size(), 4u);
    EXPECT_EQ(mapped[0].mediaType.sampleSize, 1843789u);
    EXPECT_EQ(mapped[2].mediaType.Bitmap().biBitCount, 20);
    EXPECT_EQ(mapped[3].mediaType.sampleSize, 614400u);
}

}  // namespace
}  // namespace capspect::v4l2
