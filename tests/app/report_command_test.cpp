#include "app/report_command.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo_catalog.h"
#include "app/format_report.h"
#include "platform/devices/devenum.h"
#include "platform/directshow/platform.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/support/unicode.h"
#include "tests/app/command_run.h"
#include "tests/support/LocaleEnvironment.h"
#include "tests/support/temp_dir.h"

namespace capspect {
namespace {

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

const std::string kSeparatorLine = std::string(54, '-') + "\r\n";

// A PAL card with a VIDEOINFOHEADER and a VIDEOINFOHEADER2 format, and a webcam.
constexpr const char* kLabCatalog = R"({"devices": [
  {"category": "video",
   "properties": {"FriendlyName": "Lab Card", "DevicePath": "pci#lab"},
   "pins": [{"name": "Preview", "category": "PIN_CATEGORY_PREVIEW",
     "streamConfig": {"current": 0, "capabilities": [
       {"caps": {"guid": "FORMAT_Vidscope", "VideoStandard": 80, "InputSize": [720, 576],
                 "MaxCroppingSize": [720, 576], "CropGranularityX": 4, "CropGranularityY": 2,
                 "CropAlignX": 2, "CropAlignY": 2,
                 "MinOutputSize": [360, 288], "MaxOutputSize": [720, 576],
                 "OutputGranularityX": 8, "OutputGranularityY": 2,
                 "ShrinkTapsX": 1, "ShrinkTapsY": 1,
                 "MinFrameInterval": 400000, "MaxFrameInterval": 1000000,
                 "MinBitsPerSecond": 1000, "MaxBitsPerSecond": 165888000},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_UYVY",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 400000,
                      "biWidth": 720, "biHeight": 576, "biBitCount": 16}},
       {"caps": {"guid": "FORMAT_Vidscope2", "InputSize": [720, 576]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope2", "AvgTimePerFrame": 400000,
                      "biWidth": 720, "biHeight": 576, "biBitCount": 16,
                      "dwPictAspectRatioX": 16, "dwPictAspectRatioY": 9}}]}}]},
  {"category": "video",
   "properties": {"FriendlyName": "Lab Webcam", "DevicePath": "usb#webcam"},
   "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
     "streamConfig": {"capabilities": [
       {"caps": {"InputSize": [640, 480]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_MJPG",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 640, "biHeight": 480, "biBitCount": 24}},
       {"caps": {"InputSize": [320, 240]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 320, "biHeight": 240, "biBitCount": 16}},
       {"caps": {"InputSize": [1280, 720]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 666666,
                      "biWidth": 1280, "biHeight": 720, "biBitCount": 16}},
       {"caps": {"InputSize": [1920, 1080]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_NV12",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 666666,
                      "biWidth": 1920, "biHeight": 1080, "biBitCount": 12}}]}}]}
]})";

// The lab card's report; `decimal` is the locale's decimal separator.
std::string LabCardReport(char decimal) {
    const std::string d(1, decimal);
    return "{05589F80-C356-11CE-BF01-00AA0055595A} VIDEOINFOHEADER\r\n"
           "VideoStandard: PAL-B/G\r\n"
           "InputSize: 720 x 576\r\n"
           "MinCroppingSize: 0 / 0\r\n"
           "MaxCroppingSize: 720 / 576\r\n"
           "CropGranularityX: 4\r\n"
           "CropGranularityY: 2\r\n"
           "CropAlignX: 2\r\n"
           "CropAlignY: 2\r\n"
           "MinOutputSize: 360 x 288\r\n"
           "MaxOutputSize: 720 x 576\r\n"
           "OutputGranularityX: 8\r\n"
           "OutputGranularityY: 2\r\n"
           "StretchTapsX: 0\r\n"
           "StretchTapsY: 0\r\n"
           "ShrinkTapsX: 1\r\n"
           "ShrinkTapsY: 1\r\n"
           "MinFrameInterval: 25" +
           d +
           "00\r\n"
           "MaxFrameInterval: 10" +
           d +
           "00\r\n"
           "MinBitsPerSecond: 1000\r\n"
           "MaxBitsPerSecond: 165888000\r\n"
           "\r\n\r\n\r\n"
           "720x576 UYVY 25" +
           d + "00fps\r\n" + kSeparatorLine +
           "{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA} VIDEOINFOHEADER2\r\n"
           "VideoStandard: None\r\n"
           "InputSize: 720 x 576\r\n"
           "MinCroppingSize: 0 / 0\r\n"
           "MaxCroppingSize: 0 / 0\r\n"
           "CropGranularityX: 0\r\n"
           "CropGranularityY: 0\r\n"
           "CropAlignX: 0\r\n"
           "CropAlignY: 0\r\n"
           "MinOutputSize: 0 x 0\r\n"
           "MaxOutputSize: 0 x 0\r\n"
           "OutputGranularityX: 0\r\n"
           "OutputGranularityY: 0\r\n"
           "StretchTapsX: 0\r\n"
           "StretchTapsY: 0\r\n"
           "ShrinkTapsX: 0\r\n"
           "ShrinkTapsY: 0\r\n"
           "MinBitsPerSecond: 0\r\n"
           "MaxBitsPerSecond: 0\r\n"
           "\r\n\r\n\r\n"
           "720x576 YUY2 25" +
           d + "00fps AR 1" + d + "778\r\n" + kSeparatorLine;
}

class ReportCommand : public testing::Test {
protected:
    std::string CatalogFile(const std::string& json) const {
        return dir_.Write("devices.json", std::vector<std::uint8_t>(json.begin(), json.end()))
            .string();
    }

    test::TempDir dir_;
};

TEST_F(ReportCommand, PrintsTheReportByteForByteWithCrLf) {
    const std::string file = CatalogFile(kLabCatalog);
    {
        const test::LocaleEnvironment british("en_GB.UTF-8");
        for (const auto& args :
             {std::vector<std::string>{"report", "--devices", file},
              std::vector<std::string>{"--devices", file, "report", "PCI#LAB"}}) {
            const CommandRun run = RunCapspect(args);
            EXPECT_EQ(run.status, ExitStatus::Success);
            EXPECT_EQ(run.out, LabCardReport('.'));
            EXPECT_EQ(run.err, "");
        }
    }
    const test::LocaleEnvironment german(test::kGerman);
    EXPECT_EQ(RunCapspect({"report", "--devices", file}).out, LabCardReport(','));
}

TEST_F(ReportCommand, FourFormatsGiveFourBlocksEachEndingInTheSeparator) {
    const CommandRun run =
        RunCapspect({"report", "--devices", CatalogFile(kLabCatalog), "usb#webcam"});
    ASSERT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(Count(run.out, kSeparatorLine), 4);
    EXPECT_EQ(Count(run.out, "\n"), Count(run.out, "\r\n"));
    const std::vector<std::string> mediaTypeLines{
        "640x480 MJPG 30", "320x240 YUY2 30", "1280x720 YUY2 15", "1920x1080 unknown SubType 15"};
    std::size_t at = 0;
    for (const std::string& line : mediaTypeLines) {
        at = run.out.find("\r\n\r\n\r\n\r\n" + line, at);
        ASSERT_NE(at, std::string::npos) << line;
        at = run.out.find("fps\r\n" + kSeparatorLine, at);
        ASSERT_NE(at, std::string::npos) << line;
    }
    EXPECT_TRUE(run.out.ends_with("fps\r\n" + kSeparatorLine));
}

TEST_F(ReportCommand, VerboseShowsTheComponentsInformationOnStderr) {
    const test::LocaleEnvironment british("en_GB.UTF-8");
    const CommandRun run =
        RunCapspect({"report", "--verbose", "--devices", CatalogFile(kLabCatalog)});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(run.out, LabCardReport('.'));
    EXPECT_EQ(run.err, "LogMsg: Select UYVY: 0\n");
}

TEST_F(ReportCommand, FailuresAreOneLineOnStderrAndNoReport) {
    const std::string lab = CatalogFile(kLabCatalog);
    const CommandRun unknown = RunCapspect({"report", "--devices", lab, "pci#elsewhere"});
    EXPECT_EQ(unknown.status, ExitStatus::Failure);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "capspect report: no video capture device has the path 'pci#elsewhere' (see "
              "'capspect list')\n");

    const CommandRun none = RunCapspect({"report", "--devices", CatalogFile(R"({"devices": []})")});
    EXPECT_EQ(none.status, ExitStatus::Failure);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "capspect report: no video capture device found\n");

    std::string refusing = kLabCatalog;
    refusing.replace(refusing.find(R"("streamConfig")"), 0,
                     R"("faults": {"SetFormat": "E_ACCESSDENIED"}, )");
    const test::LocaleEnvironment british("en_GB.UTF-8");
    const CommandRun refused = RunCapspect({"report", "--devices", CatalogFile(refusing)});
    EXPECT_EQ(refused.status, ExitStatus::Failure);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(Count(refused.err, "\n"), 1) << refused.err;
    EXPECT_TRUE(refused.err.starts_with("capspect report: TDXShowStreamConfigItems.Select: "))
        << refused.err;
}

TEST_F(ReportCommand, ADeviceWithoutFormatsSaysSo) {
    const std::string bare = CatalogFile(R"({"devices": [
      {"category": "video", "properties": {"FriendlyName": "Bare", "DevicePath": "usb#bare"},
       "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
                 "mediaTypes": [{"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                                 "formattype": "FORMAT_Vidscope", "biWidth": 640,
                                 "biHeight": 480, "biBitCount": 16}]}]},
      {"category": "video", "properties": {"FriendlyName": "Locked", "DevicePath": "usb#locked"},
       "faults": {"BindToObject": "E_ACCESSDENIED"}}]})");
    const CommandRun empty = RunCapspect({"report", "--devices", bare});
    EXPECT_EQ(empty.status, ExitStatus::Success);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "capspect report: 'Bare' reported no output formats\n");

    const CommandRun locked = RunCapspect({"report", "--devices", bare, "usb#locked"});
    EXPECT_EQ(locked.status, ExitStatus::Failure);
    EXPECT_EQ(locked.out, "");
    EXPECT_EQ(locked.err,
              "capspect report: 'Locked' reported no output formats (--verbose shows why)\n");
}

TEST_F(ReportCommand, WrongArgumentsAreUsageErrors) {
    const std::string lab = CatalogFile(kLabCatalog);
    for (const auto& args : {std::vector<std::string>{"report", "--devices", lab, "--xml"},
                             std::vector<std::string>{"report", "--devices", lab, "a", "b"}}) {
        const CommandRun run = RunCapspect(args);
        EXPECT_EQ(run.status, ExitStatus::Usage);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Count(run.err, "\n"), 1) << run.err;
    }
}

TEST_F(ReportCommand, JsonHoldsTheSameFormats) {
    const test::LocaleEnvironment british("en_GB.UTF-8");
    const CommandRun run = RunCapspect({"report", "--json", "--devices", CatalogFile(kLabCatalog)});
    ASSERT_EQ(run.status, ExitStatus::Success);
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["device"]["description"], "Lab Card");
    EXPECT_EQ(report["device"]["devicePath"], "pci#lab");
    const nlohmann::json& formats = report["formats"];
    ASSERT_EQ(formats.size(), 2U);

    const nlohmann::json& pal = formats[0];
    EXPECT_EQ(pal["index"], 0);
    EXPECT_EQ(pal["caps"]["guid"]["name"], "VIDEOINFOHEADER");
    EXPECT_EQ(pal["caps"]["VideoStandard"], 80);
    EXPECT_EQ(pal["caps"]["VideoStandardName"], "PAL-B/G");
    EXPECT_EQ(pal["caps"]["MinOutputSize"], nlohmann::json::array({360, 288}));
    EXPECT_EQ(pal["caps"]["MaxFrameInterval"], 1000000);
    EXPECT_EQ(pal["caps"]["MaxBitsPerSecond"], 165888000);
    EXPECT_EQ(pal["mediaType"]["majortype"]["name"], "MEDIATYPE_Video");
    EXPECT_EQ(pal["mediaType"]["subtype"]["guid"], "{59565955-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(pal["mediaType"]["subtype"]["name"], "UYVY");
    EXPECT_EQ(pal["mediaType"]["formattype"]["name"], "VIDEOINFOHEADER");
    EXPECT_EQ(pal["mediaType"]["cbFormat"], 88);
    EXPECT_EQ(pal["mediaType"]["biWidth"], 720);
    EXPECT_EQ(pal["mediaType"]["AvgTimePerFrame"], 400000);
    EXPECT_FALSE(pal["mediaType"].contains("aspect"));
    EXPECT_EQ(pal["fps"], 25.0);
    EXPECT_EQ(pal["text"], "720x576 UYVY 25.00fps");

    const nlohmann::json& wide = formats[1];
    EXPECT_EQ(wide["caps"]["guid"]["name"], "VIDEOINFOHEADER2");
    EXPECT_EQ(wide["caps"]["VideoStandardName"], "None");
    EXPECT_EQ(wide["mediaType"]["cbFormat"], 112);
    EXPECT_EQ(wide["mediaType"]["dwPictAspectRatioX"], 16);
    EXPECT_DOUBLE_EQ(wide["mediaType"]["aspect"].get<double>(), 16.0 / 9.0);
    EXPECT_EQ(wide["text"], "720x576 YUY2 25.00fps AR 1.778");
}

// A capture device offering one 320 x 240 format of each subtype, in this order.
std::string OneFormatPerSubtype(const std::vector<std::string>& subtypes) {
    std::string capabilities;
    for (const std::string& subtype : subtypes) {
        capabilities += std::string(capabilities.empty() ? "" : ",") +
                        R"({"caps": {"InputSize": [320, 240]},
                            "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": ")" +
                        subtype + R"(", "formattype": "FORMAT_Vidscope",
                            "AvgTimePerFrame": 400000, "biWidth": 320, "biHeight": 240,
                            "biBitCount": 16}})";
    }
    return R"({"devices": [{"category": "video",
        "properties": {"FriendlyName": "Sensor", "DevicePath": "usb#sensor"},
        "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
                  "streamConfig": {"capabilities": [)" +
           capabilities + "]}}]}]}";
}

TEST_F(ReportCommand, JsonNamesUnknownFourCCsByTheirCharacters) {
    const test::LocaleEnvironment british("en_GB.UTF-8");
    const std::vector<std::string> subtypes{
        "MEDIASUBTYPE_UYVY",                       // named by the report
        "MEDIASUBTYPE_RGB565",                     // named by the report, not by its GUID
        "{3231564E-0000-0010-8000-00AA00389B71}",  // NV12
        "{2030315a-0000-0010-8000-00aa00389b71}",  // "Z10 ", lower-case registry text
        "{B5315258-0000-0010-8000-00AA00389B71}",  // XR15 with the big-endian bit
        "{00000001-0000-0010-8000-00AA00389B71}",  // a wave format tag, no characters
        "{3231564E-0000-0010-8000-00AA00389B72}",  // not a FOURCC subtype
    };
    const CommandRun run =
        RunCapspect({"report", "--json", "--devices", CatalogFile(OneFormatPerSubtype(subtypes))});
    ASSERT_EQ(run.status, ExitStatus::Success) << run.err;
    const nlohmann::json formats = nlohmann::json::parse(run.out)["formats"];
    ASSERT_EQ(formats.size(), subtypes.size());
    const std::vector<std::string> names{"UYVY",       "B565",       "NV12",           "Z10 ",
                                         "0xB5315258", "0x00000001", "unknown SubType"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(subtypes[i]);
        EXPECT_EQ(formats[i]["mediaType"]["subtype"]["name"], names[i]);
    }
    // The text report, and the JSON's copy of its line, keep the report's own names.
    EXPECT_EQ(formats[2]["text"], "320x240 unknown SubType 25.00fps");
    EXPECT_EQ(formats[2]["mediaType"]["subtype"]["guid"], "{3231564E-0000-0010-8000-00AA00389B71}");
    const CommandRun text =
        RunCapspect({"report", "--devices", CatalogFile(OneFormatPerSubtype(subtypes))});
    EXPECT_EQ(Count(text.out, " unknown SubType 25.00fps\r\n"), 5);
    EXPECT_EQ(Count(text.out, "NV12"), 0);
}

TEST(ReportDemo, ShowsEveryFormatOfTheFirstDemoDeviceWithItsPreferredFormatSelected) {
    // The first video device reports its preview pin's formats, else its capture pin's.
    std::size_t expected = 0;
    for (const sim::CatalogDevice& device : LoadDemoCatalog().devices) {
        if (device.category != sim::DeviceCategory::Video) {
            continue;
        }
        for (const GUID& category : {PIN_CATEGORY_PREVIEW, PIN_CATEGORY_CAPTURE}) {
            for (const sim::PinDesc& pin : device.pins) {
                if (expected == 0 && pin.category == category && pin.streamConfig) {
                    expected = pin.streamConfig->capabilities.size();
                }
            }
        }
        break;
    }
    ASSERT_GT(expected, 0U);
    const test::LocaleEnvironment british("en_GB.UTF-8");
    const CommandRun run = RunCapspect({"report", "--demo", "--verbose"});
    EXPECT_EQ(run.status, ExitStatus::Success);
    EXPECT_EQ(Count(run.out, kSeparatorLine), static_cast<int>(expected));
    EXPECT_TRUE(run.err.starts_with("LogMsg: Select UYVY: ")) << run.err;
}

// A device whose first and last formats are short and whose others are long, so that the
// report outgrows the room estimated from the first and the last block.
std::string CatalogWithLongMiddleFormats(int longFormats) {
    const std::string shortFormat = R"({"caps": {"InputSize": [64, 48]},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333,
                      "biWidth": 64, "biHeight": 48, "biBitCount": 16}})";
    const std::string longFormat = R"({"caps": {"guid": "FORMAT_Vidscope2",
                 "InputSize": [-2147483648, -2147483648],
                 "MinCroppingSize": [-2147483648, -2147483648],
                 "MaxCroppingSize": [-2147483648, -2147483648],
                 "CropGranularityX": -2147483648, "CropGranularityY": -2147483648,
                 "MinOutputSize": [-2147483648, -2147483648],
                 "MaxOutputSize": [-2147483648, -2147483648],
                 "MinFrameInterval": 333667, "MaxFrameInterval": 9223372036854775807,
                 "MinBitsPerSecond": -2147483648, "MaxBitsPerSecond": -2147483648},
        "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                      "formattype": "FORMAT_Vidscope2", "AvgTimePerFrame": 333667,
                      "biWidth": 1920, "biHeight": 1080, "biBitCount": 16,
                      "dwPictAspectRatioX": 16, "dwPictAspectRatioY": 9}})";
    std::string formats = shortFormat;
    for (int i = 0; i < longFormats; ++i) {
        formats += "," + longFormat;
    }
    formats += "," + shortFormat;
    return R"({"devices": [{"category": "video", "properties": {"FriendlyName": "Odd"},
        "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
                  "streamConfig": {"capabilities": [)" +
           formats + "]}}]}]}";
}

TEST_F(ReportCommand, AReportLongerThanItsEstimateIsWrittenWhole) {
    const std::string catalog = CatalogWithLongMiddleFormats(200);
    const CommandRun run = RunCapspect({"report", "--devices", CatalogFile(catalog)});
    ASSERT_EQ(run.status, ExitStatus::Success) << run.err;
    EXPECT_EQ(Count(run.out, kSeparatorLine), 202);

    sim::RegisterSimulatedPlatform();
    sim::InstallCatalog(sim::LoadCatalogString(catalog));
    TDXShowCapture capture;
    EXPECT_EQ(run.out, Utf16ToUtf8(BuildFormatReport(capture, u"")));
}

TEST(ReportSequence, PressingOkTwiceGivesTheSameReport) {
    sim::RegisterSimulatedPlatform();
    sim::InstallCatalog(LoadDemoCatalog());
    TDXShowCapture capture;
    const std::u16string first = BuildFormatReport(capture, u"");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(BuildFormatReport(capture, u""), first);
    const std::u16string path = capture.CaptureDevices().Items(1).DevicePath();
    EXPECT_NE(BuildFormatReport(capture, path), first);
}

}  // namespace
}  // namespace capspect
