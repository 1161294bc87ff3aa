#include "app/verify_verdict.h"

#include <gtest/gtest.h>

#include "app/verify_output.h"
#include "app/verify_progress.h"
#include "platform/support/mediatypes.h"

namespace capspect {
namespace {

TrialResult FramesAt(std::vector<REFERENCE_TIME> times) {
    TrialResult trial;
    trial.frameTimes = std::move(times);
    trial.firstFrameDelay = 250'000;
    return trial;
}

TEST(VerifyVerdict, RateComesFromTheFrameTimesNotTheirCount) {
    EXPECT_NEAR(*MeasuredRate(FramesAt({1'000'000, 1'333'333, 1'666'667, 2'000'000})), 30.0, 1e-3);
    // Time of the device's clock, wherever it starts.
    EXPECT_NEAR(*MeasuredRate(FramesAt({-400'000, 0, 400'000})), 25.0, 1e-9);
    EXPECT_FALSE(MeasuredRate(FramesAt({1'000'000})));
    EXPECT_FALSE(MeasuredRate(FramesAt({1'000'000, 1'000'000})));  // no time between them
}

// A top-down RGB format is asked with a negative height; the same frame delivered is not
// a change, and a changed frame is told with its height as a size.
TEST(VerifyVerdict, AChangedFrameIgnoresTheDirectionOfRgbRows) {
    const VideoFrame topDown{640, -480, MEDIASUBTYPE_RGB24, 333'333};
    EXPECT_FALSE(ChangedFrame(topDown, {640, 480, MEDIASUBTYPE_RGB24}));
    EXPECT_FALSE(ChangedFrame(topDown, {640, -480, MEDIASUBTYPE_RGB24}));
    const std::optional<DeliveredFormat> smaller =
        ChangedFrame(topDown, {320, -240, MEDIASUBTYPE_RGB24});
    ASSERT_TRUE(smaller);
    EXPECT_EQ(smaller->height, 240);
    EXPECT_TRUE(ChangedFrame(topDown, {640, 480, MEDIASUBTYPE_YUY2}));
}

TEST(VerifyVerdict, WorstOutcomeWins) {
    TrialResult changedAndSlow = FramesAt({0, 666'667, 1'333'333});
    changedAndSlow.changed = DeliveredFormat{640, 480, MEDIASUBTYPE_YUY2};
    EXPECT_EQ(JudgeTrial(changedAndSlow, "", 30.0, 0).outcome, VerifyOutcome::Changed);

    TrialResult failedAfterFrames = changedAndSlow;
    failedAfterFrames.failure = FailedCall{"VIDIOC_DQBUF", E_FAIL, "Input/output error"};
    EXPECT_EQ(JudgeTrial(failedAfterFrames, "", 30.0, 0).outcome, VerifyOutcome::Failed);

    TrialResult refused;
    refused.refused = FailedCall{"VIDIOC_S_FMT", E_FAIL, "Invalid argument"};
    refused.failure = failedAfterFrames.failure;
    const FormatVerdict refusedVerdict = JudgeTrial(refused, "", 30.0, 0);
    EXPECT_EQ(refusedVerdict.outcome, VerifyOutcome::Refused);
    EXPECT_EQ(refusedVerdict.problem->call, "VIDIOC_S_FMT");

    TrialResult silentAtOnce;
    silentAtOnce.silent = true;
    EXPECT_EQ(JudgeTrial(silentAtOnce, "", 30.0, 0).outcome, VerifyOutcome::NoFrames);
    EXPECT_FALSE(JudgeTrial(silentAtOnce, "", 30.0, 0).problem);
}

TEST(VerifyVerdict, SlowIsBelowNinetyPercentOfTheAdvertisedRate) {
    const TrialResult at27 = FramesAt({0, 363'636, 727'273});  // 27.5 fps
    EXPECT_EQ(JudgeTrial(at27, "", 30.0, 0).outcome, VerifyOutcome::Ok);
    const TrialResult at26 = FramesAt({0, 384'615, 769'231});  // 26.0 fps
    EXPECT_EQ(JudgeTrial(at26, "", 30.0, 0).outcome, VerifyOutcome::Slow);
    EXPECT_EQ(JudgeTrial(at26, "", std::nullopt, 0).outcome, VerifyOutcome::Ok);
    EXPECT_EQ(JudgeTrial(FramesAt({0}), "", 30.0, 0).outcome, VerifyOutcome::Ok);
    EXPECT_DOUBLE_EQ(*JudgeTrial(at26, "", 30.0, 0).firstFrameMs, 25.0);
}

TEST(VerifyVerdict, SilenceAfterSomeFramesIsAFailureNamingTheFrameAwaited) {
    TrialResult trial = FramesAt({0, 333'333});
    trial.silent = true;
    const FormatVerdict verdict = JudgeTrial(trial, "640x480 YUY2 30.00fps", 30.0, 50'000'000);
    EXPECT_EQ(verdict.outcome, VerifyOutcome::Failed);
    EXPECT_EQ(verdict.problem->call, "wait for frame 3");
    EXPECT_EQ(verdict.problem->reason, "none within 5000 ms");
    EXPECT_EQ(verdict.frames, 2);
}

TEST(VerifyVerdict, FrameTimeoutIsTheLongerOfTimeoutAndThreeSlowestPeriods) {
    VIDEOINFOHEADER header{};
    header.AvgTimePerFrame = 400'000;
    header.bmiHeader.biWidth = 720;
    header.bmiHeader.biHeight = 576;
    const MediaType format = MediaType::Video(MEDIASUBTYPE_UYVY, header);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    EXPECT_EQ(FrameTimeout(50'000'000, caps, format.Get()), 50'000'000);
    EXPECT_EQ(FrameTimeout(1'000'000, caps, format.Get()), 1'200'000);
    caps.MaxFrameInterval = 20'000'000;  // 0.5 fps at the slowest
    EXPECT_EQ(FrameTimeout(50'000'000, caps, format.Get()), 60'000'000);
}

TEST(VerifyOutputText, AStoppedRunSaysItIsIncompleteAndIsNoSuccess) {
    VerifyRun run;
    run.planned = 3;
    run.verdicts.push_back(JudgeTrial(FramesAt({0, 333'333}), "640x480 YUY2 30.00fps", 30.0, 0));
    run.indices.push_back(0);
    EXPECT_FALSE(FormatVerifyText(run).ends_with("; incomplete: stopped\n"));
    EXPECT_FALSE(AllFormatsOk(run));  // one of three formats
    run.planned = 1;
    EXPECT_TRUE(AllFormatsOk(run));
    run.complete = false;
    EXPECT_FALSE(AllFormatsOk(run));
    EXPECT_TRUE(FormatVerifyText(run).ends_with(
        "1 of 1 formats verified: 1 ok, 0 refused, 0 changed, 0 no frames, 0 slow, 0 failed; "
        "incomplete: stopped\n"));
    run.complete = true;
    run.restoreFailure = FailedCall{"VIDIOC_S_INPUT", E_FAIL, "No such device"};
    EXPECT_FALSE(AllFormatsOk(run));
}

TEST(VerifyProgressText, SaysWhereTheRunIsAndWhatIsLeft) {
    using std::chrono::seconds;
    EXPECT_EQ(ProgressText({1, 12, "640x480 YUY2 30.00fps"}, seconds(0)),
              "verify: format 1 of 12: 640x480 YUY2 30.00fps, 0 s elapsed");
    EXPECT_EQ(ProgressText({5, 12, "320x240 MJPG 30.00fps"}, seconds(8)),
              "verify: format 5 of 12: 320x240 MJPG 30.00fps, 8 s elapsed, about 16 s left");
    EXPECT_EQ(DurationText(seconds(125)), "2 min 05 s");
    EXPECT_EQ(DurationText(seconds(3780)), "1 h 03 min");
}

}  // namespace
}  // namespace capspect
