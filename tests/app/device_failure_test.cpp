// A V4L2 device that fails while it is read: `report`, `report --json` and `snapshot` fail
// with one line naming the device, the ioctl, what it was asked for and the errno, and
// print nothing on stdout; a clean or merely interrupted read still succeeds.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/report_command.h"
#include "app/snapshot_command.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "tests/support/fake_v4l2_tree.h"
#include "tests/v4l2/fixtures.h"

namespace capspect {
namespace {

using v4l2::Ioctl;

struct VerbRun {
    ExitStatus status;
    std::string out;
    std::string err;
};

class DeviceFailureCommands : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.AddNode("video0", v4l2::testing::LoadRecording("vivid.json"));
        v4l2::StartV4l2Platform(tree_.Roots(), tree_.Opener());
    }

    // The device's next bind fails `ioctl`'s `nth` call with `error` (`times` times).
    void FailNextBind(Ioctl ioctl, std::size_t nth, int error, std::size_t times = 1) {
        tree_.PrepareNextOpen("video0", [=](v4l2::RecordedDevice& device) {
            device.FailCall(ioctl, nth, error, times);
        });
    }

    VerbRun Run(ExitStatus (*verb)(std::span<const std::string>, const CommandContext&),
                std::vector<std::string> args = {}, bool verbose = false) {
        StringOutput out;
        StringOutput err;
        BackendOptions options;
        options.verbose = verbose;
        const ExitStatus status = verb(args, CommandContext{out, err, options});
        return {status, out.Text(), err.Text()};
    }

    std::string Path() const { return tree_.Dev("video0").string(); }

    test::FakeV4l2Tree tree_;
};

TEST_F(DeviceFailureCommands, AFailedEnumerationFailsEveryFormOfTheReportWithOneLine) {
    const std::string line =
        Path() + ": VIDIOC_ENUM_FRAMESIZES for YUYV, index 3: " + std::strerror(EIO) + "\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--json"}}) {
        FailNextBind(Ioctl::EnumFrameSizes, 3, EIO);
        const VerbRun report = Run(RunReportCommand, args);
        EXPECT_EQ(report.status, ExitStatus::Failure);
        EXPECT_EQ(report.out, "");
        EXPECT_EQ(report.err, "capspect report: " + line);
    }
    FailNextBind(Ioctl::EnumFrameSizes, 3, EIO);
    const VerbRun snapshot = Run(RunSnapshotCommand);
    EXPECT_EQ(snapshot.status, ExitStatus::Failure);
    EXPECT_EQ(snapshot.out, "");
    EXPECT_EQ(snapshot.err, "capspect snapshot: " + line);
}

TEST_F(DeviceFailureCommands, VerboseShowsTheFailureAsAnErrorEvent) {
    FailNextBind(Ioctl::EnumFrameIntervals, 8, EBUSY);
    const VerbRun report = Run(RunReportCommand, {}, true);
    EXPECT_EQ(report.status, ExitStatus::Failure);
    EXPECT_EQ(report.out, "");
    const std::string failure =
        Path() + ": VIDIOC_ENUM_FRAMEINTERVALS for YUYV 320x180, index 8: " + std::strerror(EBUSY);
    EXPECT_NE(report.err.find("\n" + failure + "\n"), std::string::npos) << report.err;
    EXPECT_TRUE(report.err.ends_with("\ncapspect report: " + failure + "\n")) << report.err;
}

TEST_F(DeviceFailureCommands, ADeviceThatGoesAwayIsNamedNotAnEmptyDevice) {
    const std::string line =
        Path() + ": VIDIOC_ENUM_FMT, index 40: " + std::strerror(ENODEV) + "\n";
    FailNextBind(Ioctl::EnumFmt, 40, ENODEV, SIZE_MAX);
    const VerbRun report = Run(RunReportCommand);
    EXPECT_EQ(report.status, ExitStatus::Failure);
    EXPECT_EQ(report.out, "");
    EXPECT_EQ(report.err, "capspect report: " + line);

    FailNextBind(Ioctl::EnumFmt, 40, ENODEV, SIZE_MAX);
    const VerbRun snapshot = Run(RunSnapshotCommand);
    EXPECT_EQ(snapshot.status, ExitStatus::Failure);
    EXPECT_EQ(snapshot.err, "capspect snapshot: " + line);
}

TEST_F(DeviceFailureCommands, InterruptedCallsChangeNothing) {
    const VerbRun clean = Run(RunReportCommand);
    ASSERT_EQ(clean.status, ExitStatus::Success) << clean.err;
    EXPECT_EQ(clean.err, "");
    FailNextBind(Ioctl::EnumFrameIntervals, 10, EINTR);
    const VerbRun interrupted = Run(RunReportCommand);
    EXPECT_EQ(interrupted.status, ExitStatus::Success) << interrupted.err;
    EXPECT_EQ(interrupted.out, clean.out);
}

}  // namespace
}  // namespace capspect
