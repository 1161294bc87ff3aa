// Memory-mapped streaming and format trials against scripted drivers: frame times from the
// buffers, multi-planar buffers, every failing call, and the node put back as found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/devices/v4l2/mmap_stream.h"
#include "platform/devices/v4l2/recorded_device.h"
#include "platform/devices/v4l2/v4l2_format_trials.h"
#include "tests/v4l2/fixtures.h"

namespace capspect::v4l2 {
namespace {

// A driver with `buffers` buffers of `planes` planes that has a frame ready at every wait,
// each 40 ms after the one before on the monotonic clock, until a scripted failure.
class ScriptedDriver final : public V4l2Streaming {
public:
    std::uint32_t buffers = 4;
    std::uint32_t planes = 1;
    std::uint32_t timestampFlags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
    // The errno each call fails with (from its n-th call on, counted from 0).
    struct Failure {
        std::string call;
        int nth = 0;
        int error = EIO;
    };
    std::vector<Failure> failures;
    bool flagNextFrameError = false;
    bool neverReady = false;

    std::vector<std::string> calls;
    int liveMappings = 0;
    int mappingsAtRelease = -1;  // live mappings when the buffers were released

    int RequestBuffers(v4l2_requestbuffers& request) override {
        if (request.count == 0) {
            mappingsAtRelease = liveMappings;
            return Call("REQBUFS 0");
        }
        request.count = buffers;
        return Call("REQBUFS");
    }
    int QueryBuffer(v4l2_buffer& buffer) override {
        if (buffer.type == V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE) {
            if (buffer.length < planes) {
                return EINVAL;
            }
            buffer.length = planes;
            for (std::uint32_t i = 0; i < planes; ++i) {
                buffer.m.planes[i].length = 4096;
                buffer.m.planes[i].m.mem_offset = buffer.index * 0x10000 + i * 0x1000;
            }
        } else {
            buffer.length = 4096;
            buffer.m.offset = buffer.index * 0x10000;
        }
        return Call("QUERYBUF");
    }
    int QueueBuffer(v4l2_buffer&) override { return Call("QBUF"); }
    int DequeueBuffer(v4l2_buffer& buffer) override {
        if (const int error = Call("DQBUF"); error != 0) {
            return error;
        }
        buffer.index = static_cast<std::uint32_t>(frame_ % buffers);
        buffer.flags = timestampFlags | (flagNextFrameError ? V4L2_BUF_FLAG_ERROR : 0);
        const long long microseconds = 1'000'000 + 40'000 * frame_++;
        buffer.timestamp.tv_sec = microseconds / 1'000'000;
        buffer.timestamp.tv_usec = microseconds % 1'000'000;
        return 0;
    }
    int StreamOn(std::uint32_t) override { return Call("STREAMON"); }
    int StreamOff(std::uint32_t) override { return Call("STREAMOFF"); }
    int SetStd(v4l2_std_id) override { return Call("S_STD"); }
    int WaitForBuffer(std::chrono::milliseconds) override {
        if (neverReady) {
            return ETIMEDOUT;
        }
        return Call("poll");
    }
    MappedBuffer Map(std::size_t, std::uint32_t) override {
        if (const int error = Call("mmap"); error != 0) {
            return {nullptr, error};
        }
        return {std::make_unique<Mapping>(liveMappings), 0};
    }

    int Count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

private:
    class Mapping final : public BufferMapping {
    public:
        explicit Mapping(int& live) : live_(live) { ++live_; }
        ~Mapping() override { --live_; }
        Mapping(const Mapping&) = delete;
        Mapping& operator=(const Mapping&) = delete;

    private:
        int& live_;
    };

    int Call(const std::string& call) {
        const int nth = Count(call);
        calls.push_back(call);
        for (const Failure& failure : failures) {
            if (failure.call == call && nth >= failure.nth) {
                return failure.error;
            }
        }
        return 0;
    }

    long long frame_ = 0;
};

TrialRequest Frames(int frames) {
    TrialRequest request;
    request.frames = frames;
    request.frameTimeout = 10'000;  // 1 ms: a scripted driver that stops is silent at once
    return request;
}

TrialResult Stream(ScriptedDriver& driver, const TrialRequest& request,
                   std::uint32_t type = V4L2_BUF_TYPE_VIDEO_CAPTURE) {
    TrialResult result;
    StreamMmapFrames(driver, type, request, result);
    return result;
}

// Whatever happened, no mapping is left and the buffers went back after the last unmap.
void ExpectReleased(const ScriptedDriver& driver) {
    EXPECT_EQ(driver.liveMappings, 0);
    EXPECT_EQ(driver.Count("REQBUFS 0"), 1);
    EXPECT_EQ(driver.mappingsAtRelease, 0);
}

TEST(MmapStream, FrameTimesAreTheBuffersTimestamps) {
    ScriptedDriver driver;
    const TrialResult result = Stream(driver, Frames(5));
    EXPECT_EQ(result.frameTimes, (std::vector<REFERENCE_TIME>{10'000'000, 10'400'000, 10'800'000,
                                                              11'200'000, 11'600'000}));
    EXPECT_TRUE(result.firstFrameDelay.has_value());
    EXPECT_FALSE(result.failure);
    EXPECT_FALSE(result.silent);
    // Four buffers mapped and queued, each frame's buffer queued again.
    EXPECT_EQ(driver.Count("mmap"), 4);
    EXPECT_EQ(driver.Count("QBUF"), 4 + 5);
    EXPECT_EQ(driver.Count("STREAMOFF"), 1);
    ExpectReleased(driver);
}

TEST(MmapStream, MapsEveryPlaneOfMultiPlanarBuffers) {
    ScriptedDriver driver;
    driver.planes = 2;
    const TrialResult result = Stream(driver, Frames(2), V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE);
    EXPECT_EQ(result.frameTimes.size(), 2u);
    EXPECT_FALSE(result.failure);
    EXPECT_EQ(driver.Count("mmap"), 8);
    ExpectReleased(driver);
}

TEST(MmapStream, EveryFailingCallEndsTheTrialNamedAndReleasesTheBuffers) {
    struct Case {
        ScriptedDriver::Failure failure;
        const char* call;
        std::size_t frames;
        int streamOffs;
    };
    const std::vector<Case> cases = {
        {{"REQBUFS", 0, ENOMEM}, "VIDIOC_REQBUFS", 0, 0},
        {{"QUERYBUF", 1, EINVAL}, "VIDIOC_QUERYBUF", 0, 0},
        {{"mmap", 2, ENOMEM}, "mmap", 0, 0},
        {{"STREAMON", 0, EIO}, "VIDIOC_STREAMON", 0, 0},
        {{"poll", 2, EBADF}, "poll", 2, 1},
        {{"DQBUF", 2, ENODEV}, "VIDIOC_DQBUF", 2, 1},
        {{"QBUF", 5, EIO}, "VIDIOC_QBUF", 2, 1},
        {{"STREAMOFF", 0, ENODEV}, "VIDIOC_STREAMOFF", 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure.call);
        ScriptedDriver driver;
        driver.failures = {c.failure};
        const TrialResult result = Stream(driver, Frames(3));
        ASSERT_TRUE(result.failure);
        EXPECT_EQ(result.failure->call, c.call);
        EXPECT_EQ(result.failure->reason, std::strerror(c.failure.error));
        EXPECT_EQ(result.frameTimes.size(), c.frames);
        EXPECT_EQ(driver.Count("STREAMOFF"), c.streamOffs);
        EXPECT_EQ(driver.liveMappings, 0);
        EXPECT_EQ(driver.Count("REQBUFS 0"), c.failure.call == "REQBUFS" ? 0 : 1);
    }
}

TEST(MmapStream, AFlaggedBufferIsAFailureAndASilentDriverNoHang) {
    ScriptedDriver flagged;
    flagged.flagNextFrameError = true;
    const TrialResult corrupted = Stream(flagged, Frames(3));
    ASSERT_TRUE(corrupted.failure);
    EXPECT_EQ(corrupted.failure->call, "VIDIOC_DQBUF");
    EXPECT_NE(corrupted.failure->reason.find("V4L2_BUF_FLAG_ERROR"), std::string::npos);
    ExpectReleased(flagged);

    ScriptedDriver silent;
    silent.neverReady = true;
    const TrialResult none = Stream(silent, Frames(3));
    EXPECT_TRUE(none.silent);
    EXPECT_TRUE(none.frameTimes.empty());
    EXPECT_FALSE(none.failure);
    ExpectReleased(silent);

    // Woken again and again without a buffer: the wait still ends.
    ScriptedDriver spurious;
    spurious.failures = {{"DQBUF", 0, EAGAIN}};
    const TrialResult woken = Stream(spurious, Frames(3));
    EXPECT_TRUE(woken.silent);
    EXPECT_FALSE(woken.failure);
    ExpectReleased(spurious);
}

TEST(MmapStream, AStopRequestEndsTheTrialBetweenFrames) {
    ScriptedDriver driver;
    TrialRequest request = Frames(10);
    int asked = 0;
    request.stopRequested = [&asked] { return ++asked > 2; };
    const TrialResult result = Stream(driver, request);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.frameTimes.size(), 2u);
    EXPECT_EQ(driver.Count("STREAMOFF"), 1);
    ExpectReleased(driver);
}

// vivid's webcam as recorded; the trials run on the recording, which cannot stream.
class V4l2Trials : public ::testing::Test {
protected:
    V4l2Trials() : device_(testing::LoadRecording("vivid.json")) {
        EXPECT_EQ(RecordSelectedInput(device_, found_), 0);
    }

    v4l2_pix_format Current() {
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        EXPECT_EQ(device_.GetFormat(format), 0);
        return format.fmt.pix;
    }

    V4l2FormatTrials Trials(TrialFormat format) {
        return V4l2FormatTrials(device_, V4L2_BUF_TYPE_VIDEO_CAPTURE, FoundStateOf(found_),
                                [format](int, const AM_MEDIA_TYPE&) { return format; });
    }

    RecordedDevice device_;
    DeviceRecording found_;
    const AM_MEDIA_TYPE anyType_{};
};

TEST_F(V4l2Trials, AnAdjustedSizeIsAChangedFrameAndRestoreGoesBack) {
    const v4l2_pix_format before = Current();
    V4l2FormatTrials trials =
        Trials({v4l2_fourcc('Y', 'U', 'Y', 'V'), {700, 500}, Fraction{1, 25}});
    TrialRequest request = Frames(2);
    request.format = &anyType_;
    const TrialResult result = trials.Run(request);
    EXPECT_FALSE(result.refused);
    ASSERT_TRUE(result.changed);
    // The webcam has discrete sizes only: the driver takes the nearest one.
    EXPECT_NE(result.changed->width, 700);
    // A recording cannot stream: the trial says so instead of pretending.
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->call, "VIDIOC_REQBUFS");

    EXPECT_FALSE(trials.Restore());
    const v4l2_pix_format after = Current();
    EXPECT_EQ(after.pixelformat, before.pixelformat);
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.height, before.height);
}

TEST_F(V4l2Trials, ARefusedFormatNamesTheIoctlAndAGoneDeviceFailsTheRestore) {
    V4l2FormatTrials trials = Trials({v4l2_fourcc('Y', 'U', 'Y', 'V'), {640, 480}, std::nullopt});
    device_.FailCall(Ioctl::SetFmt, 0, EBUSY);
    TrialRequest request = Frames(2);
    request.format = &anyType_;
    const TrialResult result = trials.Run(request);
    ASSERT_TRUE(result.refused);
    EXPECT_EQ(result.refused->call, "VIDIOC_S_FMT");
    EXPECT_EQ(result.refused->reason, std::strerror(EBUSY));

    device_.FailEveryCall(ENODEV);
    const std::optional<FailedCall> restore = trials.Restore();
    ASSERT_TRUE(restore);
    EXPECT_EQ(restore->call, "VIDIOC_S_INPUT");
}

}  // namespace
}  // namespace capspect::v4l2
