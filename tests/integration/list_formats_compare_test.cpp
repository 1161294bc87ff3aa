#include "tests/integration/list_formats_compare.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <set>
#include <sstream>

namespace capspect::test {
namespace {

std::vector<ListedSize> Parse(const std::string& text) {
    std::istringstream stream(text);
    return ParseListFormatsExt(stream);
}

// A camera with two discrete sizes of YUYV, and tuner ranges of a big-endian format and of
// two formats the report gives the same name.
constexpr const char* kListing = R"(ioctl: VIDIOC_ENUM_FMT
	Type: Video Capture

	[0]: 'YUYV' (YUYV 4:2:2)
		Size: Discrete 640x480
			Interval: Discrete 0.040s (25.000 fps)
			Interval: Discrete 1.000s (1.000 fps)
		Size: Discrete 1280x720
			Interval: Stepwise 0.033s - 1.000s with step 0.000s (1.000-30.000 fps)
	[1]: 'Y16 -BE' (16-bit Greyscale BE)
		Size: Stepwise 16x16 - 16384x8640 with step 2/2
	[2]: 'Y10 ' (10-bit Greyscale)
		Size: Continuous 16x16 - 1920x1080
	[3]: 'RGBO' (16-bit A/XRGB 1-5-5-5)
		Size: Stepwise 16x16 - 16384x8640 with step 2/2
	[4]: 'XR15' (16-bit XRGB 1-5-5-5)
		Size: Stepwise 16x16 - 16384x8640 with step 2/2
)";

TEST(ListFormatsExt, ReadsDiscreteSizesRangesAndTheirRates) {
    const std::vector<ListedSize> listed = Parse(kListing);
    ASSERT_EQ(listed.size(), 6U);
    EXPECT_EQ(listed[0].code, "YUYV");
    EXPECT_EQ(listed[0].size, (SizeRange{640, 480, 640, 480, 1, 1}));
    ASSERT_TRUE(listed[0].fps);
    EXPECT_DOUBLE_EQ(listed[0].fps->lowest, 1.0);
    EXPECT_DOUBLE_EQ(listed[0].fps->highest, 25.0);
    ASSERT_TRUE(listed[1].fps);
    EXPECT_DOUBLE_EQ(listed[1].fps->lowest, 1.0);
    EXPECT_DOUBLE_EQ(listed[1].fps->highest, 30.0);
    EXPECT_EQ(listed[2].code, "Y16 -BE");
    EXPECT_EQ(listed[2].size, (SizeRange{16, 16, 16384, 8640, 2, 2}));
    EXPECT_FALSE(listed[2].fps);
    EXPECT_EQ(listed[3].code, "Y10 ");
    EXPECT_EQ(listed[3].size, (SizeRange{16, 16, 1920, 1080, 1, 1}));
    EXPECT_EQ(listed[5].code, "XR15");
    EXPECT_EQ(listed[5].size, listed[4].size);
}

TEST(ListFormatsExt, ReadsTheRecordedVividWebcam) {
    std::ifstream file(std::string(CAPSPECT_V4L2_TEST_DATA) + "/vivid-webcam-list-formats-ext.txt");
    const std::vector<ListedSize> listed = ParseListFormatsExt(file);
    std::set<std::string> codes;
    for (const ListedSize& size : listed) {
        codes.insert(size.code);
        EXPECT_TRUE(size.fps) << size.code << " " << ToString(size.size);
    }
    EXPECT_EQ(codes.size(), 83U);
    EXPECT_EQ(listed.size(), 83U * 6U);
    EXPECT_EQ(codes.count("Y16 -BE"), 1U);
}

TEST(ListFormatsExt, GetParmGivesTheCurrentRate) {
    std::istringstream parm(
        "Streaming Parameters Video Capture:\n"
        "\tCapabilities     : timeperframe\n"
        "\tFrames per second: 29.970 (30000/1001)\n"
        "\tRead buffers     : 0\n");
    EXPECT_EQ(ParseGetParmFps(parm), 29.97);
    std::istringstream none("VIDIOC_G_PARM: failed: Inappropriate ioctl for device\n");
    EXPECT_FALSE(ParseGetParmFps(none));
}

TEST(ListFormatsExt, ReportNamesFollowTheBackendsMapping) {
    EXPECT_EQ(ReportSubtypeName("YUYV"), "YUY2");
    EXPECT_EQ(ReportSubtypeName("BGR3"), "RGB24");
    EXPECT_EQ(ReportSubtypeName("RGBP"), "B565");
    EXPECT_EQ(ReportSubtypeName("NV12"), "NV12");
    EXPECT_EQ(ReportSubtypeName("Y10 "), "Y10 ");
    // The recording writes V4L2_PIX_FMT_Y16_BE as 0xA0363159 and XRGB555-BE as 0xB5315258.
    EXPECT_EQ(ReportSubtypeName("Y16 -BE"), "0xA0363159");
    EXPECT_EQ(ReportSubtypeName("XR15-BE"), "0xB5315258");
}

nlohmann::json ReportFormat(const std::string& name, std::array<int, 2> min, std::array<int, 2> max,
                            int step, long long minInterval, long long maxInterval,
                            bool withAspect = false) {
    return {{"caps",
             {{"guid", {{"name", withAspect ? "VIDEOINFOHEADER2" : "VIDEOINFOHEADER"}}},
              {"MinOutputSize", min},
              {"MaxOutputSize", max},
              {"OutputGranularityX", step},
              {"OutputGranularityY", step},
              {"MinFrameInterval", minInterval},
              {"MaxFrameInterval", maxInterval}}},
            {"mediaType", {{"subtype", {{"name", name}}}}}};
}

// The report of kListing's device: the stepwise ranges plain and with the picture aspect.
nlohmann::json MatchingReport() {
    const auto range = [](const std::string& name, bool withAspect) {
        return ReportFormat(name, {16, 16}, {16384, 8640}, 2, 400000, 400000, withAspect);
    };
    return {
        {"formats",
         {ReportFormat("YUY2", {640, 480}, {640, 480}, 1, 400000, 10000000),
          ReportFormat("YUY2", {1280, 720}, {1280, 720}, 1, 333333, 10000000),
          range("0xA0363159", false), range("0xA0363159", true),
          ReportFormat("Y10 ", {16, 16}, {1920, 1080}, 1, 400000, 400000), range("RGB555", false),
          range("RGB555", true), range("RGB555", false), range("RGB555", true)}}};
}

Comparison Compare(const nlohmann::json& report, std::optional<double> currentFps = 25.0) {
    return CompareWithReport(Parse(kListing), ReportedFormats(report), currentFps);
}

TEST(CompareWithReport, AcceptsTheSameFormatsAndCountsThem) {
    const Comparison comparison = Compare(MatchingReport());
    EXPECT_TRUE(comparison.mismatches.empty()) << comparison.mismatches.front();
    EXPECT_EQ(comparison.pixelFormats, 5U);
    EXPECT_EQ(comparison.listedSizes, 6U);
    EXPECT_EQ(comparison.reportFormats, 9U);
    // Without the current rate the ranges' rates are not compared.
    EXPECT_TRUE(Compare(MatchingReport(), std::nullopt).mismatches.empty());
}

TEST(CompareWithReport, FindsEveryKindOfDifference) {
    struct Case {
        const char* what;
        void (*change)(nlohmann::json& formats);
    };
    const Case cases[] = {
        {"a slower top rate", [](nlohmann::json& f) { f[0]["caps"]["MinFrameInterval"] = 666667; }},
        {"another lowest rate",
         [](nlohmann::json& f) { f[1]["caps"]["MaxFrameInterval"] = 5000000; }},
        {"a copy with the aspect at another rate",
         [](nlohmann::json& f) { f[3]["caps"]["MinFrameInterval"] = 333667; }},
        {"another subtype name",
         [](nlohmann::json& f) { f[0]["mediaType"]["subtype"]["name"] = "YUYV"; }},
        {"another step", [](nlohmann::json& f) { f[2]["caps"]["OutputGranularityX"] = 1; }},
        {"a missing size", [](nlohmann::json& f) { f.erase(1); }},
        {"a missing format", [](nlohmann::json& f) { f.erase(4); }},
        {"a second copy with the aspect", [](nlohmann::json& f) { f.insert(f.begin() + 4, f[3]); }},
        {"a missing last format", [](nlohmann::json& f) { f.erase(f.begin() + 7, f.end()); }},
        {"an extra format", [](nlohmann::json& f) { f.push_back(f[0]); }},
        {"the order changed", [](nlohmann::json& f) { std::swap(f[0], f[1]); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nlohmann::json report = MatchingReport();
        c.change(report["formats"]);
        const Comparison comparison = Compare(report);
        ASSERT_EQ(comparison.mismatches.size(), 1U);
    }
    // The current rate stands in for the rates of the ranges.
    EXPECT_EQ(Compare(MatchingReport(), 30.0).mismatches.size(), 7U);
}

TEST(CompareWithReport, AReportWithoutTheNeededFieldsIsRejected) {
    nlohmann::json report = MatchingReport();
    report["formats"][2]["mediaType"] = nullptr;
    EXPECT_THROW(ReportedFormats(report), nlohmann::json::exception);
    EXPECT_THROW(ReportedFormats(nlohmann::json::object()), nlohmann::json::exception);
}

}  // namespace
}  // namespace capspect::test
