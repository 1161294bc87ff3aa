// Compares what `v4l2-ctl --list-formats-ext` lists for a device with the formats of
// `capspect report --json` for the same device and input: every listed (pixel format,
// frame size) must be a format of the report, in the listed order, with the same frame-rate
// range. Used by the vivid integration test on the outputs of a QEMU guest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace capspect::test {

// A frame size or range of sizes; a discrete size has min = max and steps of 1.
struct SizeRange {
    std::uint32_t minWidth = 0;
    std::uint32_t minHeight = 0;
    std::uint32_t maxWidth = 0;
    std::uint32_t maxHeight = 0;
    std::uint32_t stepX = 1;
    std::uint32_t stepY = 1;

    bool operator==(const SizeRange&) const = default;
};

std::string ToString(const SizeRange& size);

struct FpsRange {
    double lowest = 0;
    double highest = 0;
};

// One size v4l2-ctl lists under a pixel format, with the frame rates listed under it.
struct ListedSize {
    std::string code;  // as v4l2-ctl writes it: "YUYV", "Y10 ", "Y16 -BE"
    SizeRange size;
    std::optional<FpsRange> fps;  // none when no interval is listed (size ranges)
};

std::vector<ListedSize> ParseListFormatsExt(std::istream& text);

// The current frame rate `v4l2-ctl --get-parm` prints ("Frames per second: 25.000 ...").
std::optional<double> ParseGetParmFps(std::istream& text);

// The name the JSON report gives a V4L2 pixel format: the platform's subtype name where
// the backend maps the code onto one (YUYV is YUY2, BGR3 is RGB24, ...), the four characters
// otherwise, and the code in hex for big-endian variants ("Y16 -BE" is 0xA0363159).
std::string ReportSubtypeName(std::string_view code);

// One format of the JSON report.
struct ReportedFormat {
    std::string subtypeName;
    SizeRange size;
    FpsRange fps;             // from Min/MaxFrameInterval; 0 where the report gives no interval
    bool videoInfo2 = false;  // the capability's format type is VIDEOINFOHEADER2
};

// The formats of a `capspect report --json` document; throws nlohmann::json::exception when
// a field is missing or of the wrong type.
std::vector<ReportedFormat> ReportedFormats(const nlohmann::json& report);

struct Comparison {
    std::vector<std::string> mismatches;  // empty when the report holds what is listed
    std::size_t pixelFormats = 0;         // distinct pixel formats listed
    std::size_t listedSizes = 0;
    std::size_t reportFormats = 0;
};

// Walks both lists in order. Each listed size is one format of the report, which may be
// followed by its copy with the picture aspect (the same subtype and size in a
// VIDEOINFOHEADER2); the copy is checked too.
// `currentFps` stands in for the rates of sizes listed without intervals.
Comparison CompareWithReport(const std::vector<ListedSize>& listed,
                             const std::vector<ReportedFormat>& reported,
                             std::optional<double> currentFps);

}  // namespace capspect::test
