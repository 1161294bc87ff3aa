#include "tests/integration/list_formats_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <istream>
#include <regex>
#include <set>
#include <utility>

namespace capspect::test {
namespace {

std::uint32_t Number(const std::ssub_match& digits) {
    return static_cast<std::uint32_t>(std::stoul(digits.str()));
}

SizeRange ListedRange(const std::smatch& match, std::uint32_t stepX, std::uint32_t stepY) {
    return {Number(match[1]), Number(match[2]), Number(match[3]), Number(match[4]), stepX, stepY};
}

void AddRates(ListedSize& size, double a, double b) {
    const auto [low, high] = std::minmax(a, b);
    if (!size.fps) {
        size.fps = FpsRange{low, high};
    } else {
        size.fps->lowest = std::min(size.fps->lowest, low);
        size.fps->highest = std::max(size.fps->highest, high);
    }
}

std::string FpsText(const FpsRange& fps) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f-%.3f fps", fps.lowest, fps.highest);
    return text;
}

bool SameRates(const FpsRange& a, const FpsRange& b) {
    // v4l2-ctl prints three decimals; the report's rates come from 100 ns intervals.
    constexpr double kTolerance = 0.001;
    return std::abs(a.lowest - b.lowest) <= kTolerance &&
           std::abs(a.highest - b.highest) <= kTolerance;
}

double FpsOfInterval(long long interval100ns) {
    return interval100ns > 0 ? 1e7 / static_cast<double>(interval100ns) : 0.0;
}

SizeRange SizeOfJson(const nlohmann::json& size) {
    return {size.at(0).get<std::uint32_t>(), size.at(1).get<std::uint32_t>(), 0, 0, 1, 1};
}

std::string Describe(const std::string& name, const SizeRange& size) {
    return "'" + name + "' " + ToString(size);
}

}  // namespace

std::string ToString(const SizeRange& size) {
    std::string text = std::to_string(size.minWidth) + "x" + std::to_string(size.minHeight);
    if (size.minWidth != size.maxWidth || size.minHeight != size.maxHeight) {
        text += "-" + std::to_string(size.maxWidth) + "x" + std::to_string(size.maxHeight) +
                " step " + std::to_string(size.stepX) + "/" + std::to_string(size.stepY);
    }
    return text;
}

std::vector<ListedSize> ParseListFormatsExt(std::istream& text) {
    const std::regex format(R"(^\s*\[\d+\]: '(.{4}(-BE)?)')");
    const std::regex discrete(R"(^\s*Size: Discrete (\d+)x(\d+))");
    const std::regex stepwise(
        R"(^\s*Size: Stepwise (\d+)x(\d+) - (\d+)x(\d+) with step (\d+)/(\d+))");
    const std::regex continuous(R"(^\s*Size: Continuous (\d+)x(\d+) - (\d+)x(\d+))");
    const std::regex interval(R"(^\s*Interval: Discrete [0-9.]+s \(([0-9.]+) fps\))");
    const std::regex intervalRange(
        R"(^\s*Interval: (Stepwise|Continuous) .*\(([0-9.]+)-([0-9.]+) fps\))");

    std::vector<ListedSize> listed;
    std::string code;
    std::smatch match;
    for (std::string line; std::getline(text, line);) {
        if (std::regex_search(line, match, format)) {
            code = match[1];
        } else if (std::regex_search(line, match, discrete)) {
            const std::uint32_t w = Number(match[1]);
            const std::uint32_t h = Number(match[2]);
            listed.push_back({code, {w, h, w, h, 1, 1}, std::nullopt});
        } else if (std::regex_search(line, match, stepwise)) {
            listed.push_back({code, ListedRange(match, Number(match[5]), Number(match[6])), {}});
        } else if (std::regex_search(line, match, continuous)) {
            listed.push_back({code, ListedRange(match, 1, 1), std::nullopt});
        } else if (!listed.empty() && std::regex_search(line, match, interval)) {
            const double fps = std::stod(match[1]);
            AddRates(listed.back(), fps, fps);
        } else if (!listed.empty() && std::regex_search(line, match, intervalRange)) {
            AddRates(listed.back(), std::stod(match[2]), std::stod(match[3]));
        }
    }
    return listed;
}

std::optional<double> ParseGetParmFps(std::istream& text) {
    const std::regex rate(R"(^\s*Frames per second: ([0-9.]+))");
    std::smatch match;
    for (std::string line; std::getline(text, line);) {
        if (std::regex_search(line, match, rate)) {
            return std::stod(match[1]);
        }
    }
    return std::nullopt;
}

std::string ReportSubtypeName(std::string_view code) {
    // The codes the backend maps onto the platform's own subtypes (docs/v4l2.md).
    static const std::pair<std::string_view, std::string_view> kPlatformNames[] = {
        {"YUYV", "YUY2"},   {"YU12", "I420"},     {"BGR3", "RGB24"},    {"XR24", "RGB32"},
        {"BGR4", "RGB32"},  {"AR24", "ARGB32"},   {"RGBP", "B565"},     {"XR15", "RGB555"},
        {"RGBO", "RGB555"}, {"AR15", "ARGB1555"}, {"AR12", "ARGB4444"},
    };
    for (const auto& [v4l2, platform] : kPlatformNames) {
        if (code == v4l2) {
            return std::string(platform);
        }
    }
    if (code.size() == 7 && code.ends_with("-BE")) {
        std::uint32_t fourcc = 1U << 31;
        for (int i = 0; i < 4; ++i) {
            fourcc |= static_cast<std::uint32_t>(static_cast<unsigned char>(code[i])) << (8 * i);
        }
        char hex[11];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(fourcc));
        return hex;
    }
    return std::string(code);
}

std::vector<ReportedFormat> ReportedFormats(const nlohmann::json& report) {
    std::vector<ReportedFormat> formats;
    for (const nlohmann::json& format : report.at("formats")) {
        const nlohmann::json& caps = format.at("caps");
        SizeRange size = SizeOfJson(caps.at("MinOutputSize"));
        const SizeRange largest = SizeOfJson(caps.at("MaxOutputSize"));
        size.maxWidth = largest.minWidth;
        size.maxHeight = largest.minHeight;
        size.stepX = caps.at("OutputGranularityX").get<std::uint32_t>();
        size.stepY = caps.at("OutputGranularityY").get<std::uint32_t>();
        // The shortest interval is the highest rate.
        const FpsRange fps{FpsOfInterval(caps.at("MaxFrameInterval").get<long long>()),
                           FpsOfInterval(caps.at("MinFrameInterval").get<long long>())};
        formats.push_back({format.at("mediaType").at("subtype").at("name").get<std::string>(), size,
                           fps,
                           caps.at("guid").at("name").get<std::string>() == "VIDEOINFOHEADER2"});
    }
    return formats;
}

Comparison CompareWithReport(const std::vector<ListedSize>& listed,
                             const std::vector<ReportedFormat>& reported,
                             std::optional<double> currentFps) {
    Comparison result;
    result.listedSizes = listed.size();
    result.reportFormats = reported.size();
    std::set<std::string> codes;
    for (const ListedSize& entry : listed) {
        codes.insert(entry.code);
    }
    result.pixelFormats = codes.size();
    std::size_t next = 0;
    for (const ListedSize& entry : listed) {
        const std::string name = ReportSubtypeName(entry.code);
        const std::string wanted = Describe(entry.code, entry.size);
        const auto matches = [&](const ReportedFormat& format) {
            return format.subtypeName == name && format.size == entry.size;
        };
        if (next == reported.size() || !matches(reported[next])) {
            // Out of step: whatever follows would only repeat this fault.
            result.mismatches.push_back(
                "v4l2-ctl lists " + wanted + ", the report has " +
                (next == reported.size()
                     ? std::string("no more formats")
                     : Describe(reported[next].subtypeName, reported[next].size)) +
                " as format " + std::to_string(next));
            return result;
        }
        std::optional<FpsRange> rates = entry.fps;
        if (!rates && currentFps) {
            rates = FpsRange{*currentFps, *currentFps};
        }
        const auto checkRates = [&](std::size_t index) {
            if (rates && !SameRates(*rates, reported[index].fps)) {
                result.mismatches.push_back(wanted + ": v4l2-ctl gives " + FpsText(*rates) +
                                            ", report format " + std::to_string(index) + " " +
                                            FpsText(reported[index].fps));
            }
        };
        checkRates(next++);
        if (next < reported.size() && !reported[next - 1].videoInfo2 && reported[next].videoInfo2 &&
            matches(reported[next])) {
            checkRates(next++);
        }
    }
    if (next < reported.size()) {
        result.mismatches.push_back("report format " + std::to_string(next) + " (" +
                                    Describe(reported[next].subtypeName, reported[next].size) +
                                    ") and those after it are not listed by v4l2-ctl");
    }
    return result;
}

}  // namespace capspect::test
