#include "app/verify_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "app/format_report.h"
#include "app/verify_device.h"
#include "app/verify_interrupt.h"
#include "app/verify_run.h"
#include "platform/linux/clock.h"
#include "platform/support/mediatypes.h"
#include "tests/app/command_run.h"
#include "tests/support/LocaleEnvironment.h"
#include "tests/support/temp_dir.h"

namespace capspect {
namespace {

// One 30 fps format per outcome, in this order: ok, refused (SetFormat fails for index 1),
// changed (640x480 YUY2 delivered), no frames, slow (15 fps delivered), failed (after 2 frames),
// silent after 2 frames (failed). The last has MaxFrameInterval 0.5 s, so its wait for a
// frame is at least 1.5 s.
constexpr const char* kOutcomeCatalog = R"({"devices": [
  {"category": "video",
   "properties": {"FriendlyName": "Verify Cam", "DevicePath": "usb#verify"},
   "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
     "faults": {"SetFormat": {"hr": "E_ACCESSDENIED", "indices": [1]}},
     "streamConfig": {"capabilities": [
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 640, "biHeight": 480, "biBitCount": 16}},
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 320, "biHeight": 240, "biBitCount": 16}},
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_MJPG",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 1280, "biHeight": 720, "biBitCount": 24},
        "streaming": {"deliveredSize": [640, 480], "deliveredSubtype": "MEDIASUBTYPE_YUY2"}},
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 1920, "biHeight": 1080, "biBitCount": 16},
        "streaming": {"frames": 0}},
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_MJPG",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 640, "biHeight": 480, "biBitCount": 24},
        "streaming": {"frameInterval": 666667}},
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_NV12",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 320, "biHeight": 240, "biBitCount": 12},
        "streaming": {"failure": {"afterFrames": 2, "hr": "E_UNEXPECTED"}}},
       {"caps": {"MinFrameInterval": 333333, "MaxFrameInterval": 5000000},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 160, "biHeight": 120, "biBitCount": 16},
        "streaming": {"frames": 2, "firstFrameDelay": 1000000}}]}}]},
  {"category": "video",
   "properties": {"FriendlyName": "Good Cam", "DevicePath": "usb#good"},
   "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
     "streamConfig": {"current": 1, "capabilities": [
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 640, "biHeight": 480, "biBitCount": 16}},
       {"mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_MJPG",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 400000,
                      "biWidth": 1280, "biHeight": 720, "biBitCount": 24}}]}}]}
]})";

std::vector<std::string> Columns(const std::string& line) {
    std::vector<std::string> columns;
    std::istringstream in(line);
    for (std::string column; std::getline(in, column, '\t');) {
        columns.push_back(column);
    }
    return columns;
}

class VerifyCommand : public testing::Test {
protected:
    std::string Catalog() const {
        const std::string json = kOutcomeCatalog;
        return dir_.Write("devices.json", std::vector<std::uint8_t>(json.begin(), json.end()))
            .string();
    }

    CommandRun Verify(std::vector<std::string> args) const {
        args.insert(args.begin(), {"verify", "--devices", Catalog()});
        return RunCapspect(args);
    }

    // Simulated frames come at once, and waits for them advance this clock only.
    const TestClock clock_;
    const test::LocaleEnvironment english_{test::kEnglish};
    test::TempDir dir_;
};

TEST_F(VerifyCommand, EachOutcomeHasItsLineInReportOrder) {
    const CommandRun run = Verify({});
    EXPECT_EQ(run.status, ExitStatus::Failure);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 8u) << run.out;
    const std::vector<std::vector<std::string>> expected = {
        {"640x480 YUY2 30.00fps", "ok", "5 frames", "30.00 of 30.00 fps", "first frame 33 ms"},
        {"320x240 YUY2 30.00fps", "refused", "0 frames", "- of 30.00 fps", "no first frame",
         "IAMStreamConfig::SetFormat: Access is denied (0x80070005)"},
        {"1280x720 MJPG 30.00fps", "changed", "5 frames", "30.00 of 30.00 fps", "first frame 33 ms",
         "delivered 640x480 YUY2"},
        {"1920x1080 YUY2 30.00fps", "no frames", "0 frames", "- of 30.00 fps", "no first frame",
         "no frame within 5.00 s"},
        {"640x480 MJPG 30.00fps", "slow", "5 frames", "15.00 of 30.00 fps", "first frame 67 ms"},
        {"320x240 unknown SubType 30.00fps", "failed", "2 frames", "30.00 of 30.00 fps",
         "first frame 33 ms", "EC_ERRORABORT: Catastrophic failure (0x8000FFFF)"},
        {"160x120 YUY2 30.00fps", "failed", "2 frames", "30.00 of 30.00 fps", "first frame 100 ms",
         "wait for frame 3: none within 5000 ms (0x8004022E)"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Columns(lines[i]), expected[i]) << lines[i];
    }
    EXPECT_EQ(lines[7],
              "7 of 7 formats verified: 1 ok, 1 refused, 1 changed, 1 no frames, 1 slow, 2 failed");
}

TEST_F(VerifyCommand, OptionsChooseFramesTimeoutAndFormats) {
    const CommandRun two = Verify({"--frames", "2", "--formats=1,4-5", "--timeout", "0.5"});
    const std::vector<std::string> lines = Lines(two.out);
    ASSERT_EQ(lines.size(), 4u) << two.out;
    EXPECT_EQ(Columns(lines[0])[2], "2 frames");
    // The wait is the longer of the timeout and three frame periods of the slowest rate.
    EXPECT_EQ(Columns(lines[1]).back(), "no frame within 0.50 s");
    EXPECT_EQ(Columns(lines[2])[3], "15.00 of 30.00 fps");
    EXPECT_EQ(lines[3],
              "3 of 3 formats verified: 1 ok, 0 refused, 0 changed, 1 no frames, 1 slow, 0 failed");

    const CommandRun silent = Verify({"--formats", "7", "--timeout", "0.1"});
    EXPECT_EQ(Columns(Lines(silent.out)[0]).back(),
              "wait for frame 3: none within 1500 ms (0x8004022E)");
}

TEST_F(VerifyCommand, JsonHoldsTheSameResults) {
    const CommandRun run = Verify({"--json", "--formats", "2-5"});
    EXPECT_EQ(run.status, ExitStatus::Failure);
    const nlohmann::json document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["device"]["devicePath"], "usb#verify");
    EXPECT_EQ(document["framesAsked"], 5);
    EXPECT_EQ(document["timeoutMs"], 5000);
    EXPECT_EQ(document["complete"], true);
    const nlohmann::json& formats = document["formats"];
    ASSERT_EQ(formats.size(), 4u);
    EXPECT_EQ(formats[0]["index"], 1);
    EXPECT_EQ(formats[0]["outcome"], "refused");
    EXPECT_EQ(formats[0]["error"]["call"], "IAMStreamConfig::SetFormat");
    EXPECT_EQ(formats[0]["error"]["code"], "0x80070005");
    EXPECT_TRUE(formats[0]["measuredFps"].is_null());
    EXPECT_EQ(formats[1]["outcome"], "changed");
    EXPECT_EQ(formats[1]["delivered"],
              (nlohmann::json{{"width", 640}, {"height", 480}, {"subtype", "YUY2"}}));
    EXPECT_EQ(formats[2]["outcome"], "no frames");
    EXPECT_EQ(formats[2]["frames"], 0);
    EXPECT_EQ(formats[3]["outcome"], "slow");
    EXPECT_NEAR(formats[3]["measuredFps"].get<double>(), 15.0, 0.01);
    EXPECT_NEAR(formats[3]["advertisedFps"].get<double>(), 30.0, 0.01);
    EXPECT_EQ(formats[3]["mediaType"], "640x480 MJPG 30.00fps");
    EXPECT_EQ(document["summary"]["planned"], 4);
    EXPECT_EQ(document["summary"]["slow"], 1);
    EXPECT_EQ(document["summary"]["ok"], 0);
    EXPECT_TRUE(document["restoreError"].is_null());
}

TEST_F(VerifyCommand, ExitStatusIsZeroOnlyWhenEveryFormatIsOk) {
    const CommandRun good = Verify({"usb#good"});
    EXPECT_EQ(good.status, ExitStatus::Success) << good.out << good.err;
    EXPECT_EQ(Lines(good.out).back(),
              "2 of 2 formats verified: 2 ok, 0 refused, 0 changed, 0 no frames, 0 slow, 0 failed");
    EXPECT_EQ(Verify({"--formats", "1"}).status, ExitStatus::Success);
    EXPECT_EQ(Verify({"--formats", "1-2"}).status, ExitStatus::Failure);

    const CommandRun unknown = Verify({"usb#elsewhere"});
    EXPECT_EQ(unknown.status, ExitStatus::Failure);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "capspect verify: no video capture device has the path 'usb#elsewhere' (see "
              "'capspect list')\n");
}

TEST_F(VerifyCommand, TheDemoCardHasOneSlowFormatToShow) {
    const CommandRun run = RunCapspect({"verify", "--demo"});
    EXPECT_EQ(run.status, ExitStatus::Failure);
    std::vector<std::string> notOk;
    for (const std::string& line : Lines(run.out)) {
        const std::vector<std::string> columns = Columns(line);
        if (columns.size() > 1 && columns[1] != "ok") {
            notOk.push_back(columns[0] + " " + columns[1] + " " + columns[3]);
        }
    }
    EXPECT_EQ(notOk, std::vector<std::string>{"768x576 YUY2 25.00fps slow 12.50 of 25.00 fps"});
}

TEST_F(VerifyCommand, BadArgumentsAreUsageErrorsNamingTheArgument) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--frames", "0"}, "--frames '0': expected a whole number from 1 to 100000"},
        {{"--frames=2x"}, "--frames '2x': expected a whole number from 1 to 100000"},
        {{"--timeout", "-1"}, "--timeout '-1': expected seconds above 0, at most 3600"},
        {{"--formats", "3-1"}, "--formats '3-1': expected positions from 1 such as 1-3,7"},
        {{"--formats", "1,"}, "--formats '1,': expected positions from 1 such as 1-3,7"},
        {{"--frames"}, "--frames needs a value"},
        {{"--fast"}, "unknown option '--fast'"},
        {{"usb#good", "usb#verify"}, "more than one device given"},
    };
    for (const auto& [args, message] : cases) {
        const CommandRun run = Verify(args);
        EXPECT_EQ(run.status, ExitStatus::Usage) << message;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("capspect verify: " + message + " (usage: capspect verify"))
            << run.err;
    }
}

VerifySettings Only(std::vector<int> indices) {
    VerifySettings settings;
    settings.only = std::move(indices);
    return settings;
}

// The runner on a rendered catalog device, to watch the device's format around a run.
class VerifyRunOnDevice : public VerifyCommand {
protected:
    void SetUp() override {
        BackendOptions options;
        options.devicesFile = Catalog();
        backend_ = Backend::Start(options, errors_);
        ASSERT_NE(backend_, nullptr) << errors_.Text();
        capture_ = std::make_unique<TDXShowCapture>(TDXShowReports{});
        RenderDeviceForReport(*capture_, u"usb#good");
        trials_ = RenderedDeviceTrials(*capture_);
        ASSERT_NE(trials_, nullptr);
        ASSERT_EQ(CurrentSubtype(), MEDIASUBTYPE_MJPG);  // the catalog's current format
    }

    GUID CurrentSubtype() const {
        AM_MEDIA_TYPE* current = nullptr;
        EXPECT_EQ(Formats().StreamConfig()->GetFormat(&current), S_OK);
        const UniqueMediaType owned(current);
        return owned ? owned->subtype : GUID_NULL;
    }

    const TDXShowStreamConfig& Formats() const { return capture_->OutputFormats(); }

    StringOutput errors_;
    std::unique_ptr<Backend> backend_;
    std::unique_ptr<TDXShowCapture> capture_;
    std::unique_ptr<FormatTrials> trials_;
};

TEST_F(VerifyRunOnDevice, RestoresTheFormatAfterSuccess) {
    const VerifyRun run = VerifyFormats(Formats(), *trials_, Only({0}), {});
    ASSERT_EQ(run.verdicts.size(), 1u);
    EXPECT_EQ(run.verdicts[0].outcome, VerifyOutcome::Ok);
    EXPECT_EQ(CurrentSubtype(), MEDIASUBTYPE_MJPG);
    EXPECT_FALSE(run.restoreFailure);
}

TEST_F(VerifyRunOnDevice, StopsBetweenFramesRestoresAndMarksTheRunIncomplete) {
    int asked = 0;
    std::vector<int> positions;
    // The stop comes while the second format streams: it is not among the results.
    const VerifyRun run = VerifyFormats(
        Formats(), *trials_, VerifySettings{},
        [&asked, &positions] { return positions.size() == 2 && ++asked > 2; },
        [&positions](const VerifyProgress& at) { positions.push_back(at.position); });
    EXPECT_FALSE(run.complete);
    ASSERT_EQ(run.verdicts.size(), 1u);
    EXPECT_EQ(run.verdicts[0].mediaType, "640x480 YUY2 30.00fps");
    EXPECT_EQ(positions, (std::vector<int>{1, 2}));
    EXPECT_EQ(CurrentSubtype(), MEDIASUBTYPE_MJPG);
    EXPECT_FALSE(run.restoreFailure);
}

// Trials that throw on their second format, as a device side may on running out of memory.
class ThrowingTrials final : public FormatTrials {
public:
    explicit ThrowingTrials(FormatTrials& inner) : inner_(inner) {}
    TrialResult Run(const TrialRequest& request) override {
        if (++runs_ == 2) {
            throw std::bad_alloc();
        }
        return inner_.Run(request);
    }
    std::optional<FailedCall> Restore() override { return inner_.Restore(); }

private:
    FormatTrials& inner_;
    int runs_ = 0;
};

TEST_F(VerifyRunOnDevice, RestoresTheFormatWhenATrialThrows) {
    ThrowingTrials throwing(*trials_);
    EXPECT_THROW(VerifyFormats(Formats(), throwing, VerifySettings{}, {}), std::bad_alloc);
    EXPECT_EQ(CurrentSubtype(), MEDIASUBTYPE_MJPG);
}

TEST_F(VerifyRunOnDevice, RestoresTheFormatAfterFailedFormats) {
    RenderDeviceForReport(*capture_, u"usb#verify");
    trials_ = RenderedDeviceTrials(*capture_);
    ASSERT_NE(trials_, nullptr);
    const GUID found = CurrentSubtype();  // the catalog's first capability: YUY2
    const VerifyRun run = VerifyFormats(Formats(), *trials_, Only({4, 5}), {});
    ASSERT_EQ(run.verdicts.size(), 2u);
    EXPECT_EQ(run.verdicts[1].outcome, VerifyOutcome::Failed);
    EXPECT_EQ(found, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(CurrentSubtype(), found);
}

TEST(VerifyInterrupt, CtrlCSetsTheFlagAndTheHandlerBeforeComesBack) {
    static bool previousCalled = false;
    const auto previous = std::signal(SIGINT, [](int) { previousCalled = true; });
    {
        const InterruptWatch watch;
        EXPECT_FALSE(watch.Interrupted());
        std::raise(SIGINT);
        EXPECT_TRUE(watch.Interrupted());
        EXPECT_FALSE(previousCalled);
    }
    std::raise(SIGINT);
    EXPECT_TRUE(previousCalled);
    std::signal(SIGINT, previous);
}

}  // namespace
}  // namespace capspect
