// Long runs on the simulated platform: rendering a device and reporting its formats over
// and over must not make the heap grow, and a catalog with a huge number of formats must
// be reported in full. Leaks of single objects show up here as growth, and the sanitizer
// build checks the rest with LeakSanitizer at exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/backend.h"
#include "app/command_line.h"
#include "app/format_report.h"
#include "tests/app/command_run.h"
#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of heap bytes in use; GCC ships no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace capspect {
namespace {

// Bytes the program holds on the heap right now.
std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// Runs `step` `warmUp` times, then `rest` more times, and answers how much the heap grew
// over the rest. The warm-up fills whatever is made once (registries, caches).
std::ptrdiff_t HeapGrowth(int warmUp, int rest, const std::function<void()>& step) {
    for (int i = 0; i < warmUp; ++i) {
        step();
    }
    const std::size_t before = HeapInUse();
    for (int i = 0; i < rest; ++i) {
        step();
    }
    return static_cast<std::ptrdiff_t>(HeapInUse()) - static_cast<std::ptrdiff_t>(before);
}

// Less than one byte per step: whatever a step leaves behind, even a single small object,
// adds at least that much.
void ExpectNoGrowth(std::ptrdiff_t growth, int steps) {
    EXPECT_LT(growth, steps) << "the heap grew by " << growth << " bytes over " << steps
                             << " steps";
}

TEST(LongRun, AThousandReportCommandsAreAllTheSameAndDoNotGrowTheHeap) {
    // Each run starts the simulated platform from the catalog, renders the device, tears
    // the graph and the platform down again.
    const CommandRun first = RunCapspect({"report", "--demo"});
    ASSERT_EQ(first.status, ExitStatus::Success) << first.err;
    ASSERT_NE(first.out, "");
    int differing = 0;
    const std::ptrdiff_t growth = HeapGrowth(100, 900, [&] {
        const CommandRun run = RunCapspect({"report", "--demo"});
        if (run.status != ExitStatus::Success || run.out != first.out || !run.err.empty()) {
            ++differing;
        }
    });
    EXPECT_EQ(differing, 0);
    ExpectNoGrowth(growth, 900);
}

TEST(LongRun, TenThousandReportsOnOnePlatformAreAllTheSameAndDoNotGrowTheHeap) {
    BackendOptions options;
    options.demo = true;
    StringOutput err;
    const std::unique_ptr<Backend> backend = Backend::Start(options, err);
    ASSERT_NE(backend, nullptr) << err.Text();

    std::u16string first;
    {
        TDXShowCapture capture;
        first = BuildFormatReport(capture, u"");
    }
    ASSERT_NE(first, u"");
    int differing = 0;
    const std::ptrdiff_t growth = HeapGrowth(100, 9900, [&] {
        TDXShowCapture capture;
        if (BuildFormatReport(capture, u"") != first) {
            ++differing;
        }
    });
    EXPECT_EQ(differing, 0);
    ExpectNoGrowth(growth, 9900);
}

// A catalog of one device with `count` formats, each its own frame size.
std::string CatalogWithFormats(int count) {
    std::string json = R"({"devices": [{"category": "video",
        "properties": {"FriendlyName": "Huge", "DevicePath": "usb#huge"},
        "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
                  "streamConfig": {"capabilities": [)";
    for (int i = 0; i < count; ++i) {
        const std::string width = std::to_string(16 + 2 * (i % 1000));
        const std::string height = std::to_string(16 + 2 * (i / 1000));
        json += (i == 0 ? "" : ",");
        json += R"({"caps": {"InputSize": [)" + width + "," + height +
                R"(]}, "mediaType": {"majortype": "MEDIATYPE_Video", "subtype": "MEDIASUBTYPE_YUY2",
                "formattype": "FORMAT_Vidscope", "AvgTimePerFrame": 333333, "biWidth": )" +
                width + R"(, "biHeight": )" + height + R"(, "biBitCount": 16}})";
    }
    return json + "]}}]}]}";
}

std::ptrdiff_t Occurrences(const std::string& text, const std::string& what) {
    std::ptrdiff_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

TEST(LongRun, ADeviceWithAHundredThousandFormatsIsReportedInFull) {
    constexpr int kFormats = 100000;
    const test::TempDir dir;
    const std::string json = CatalogWithFormats(kFormats);
    const std::string file =
        dir.Write("huge.json", std::vector<std::uint8_t>(json.begin(), json.end())).string();

    const CommandRun list = RunCapspect({"list", "--devices", file});
    EXPECT_EQ(list.status, ExitStatus::Success) << list.err;
    EXPECT_EQ(list.out, "Huge\tusb#huge\n");

    const CommandRun report = RunCapspect({"report", "--devices", file});
    ASSERT_EQ(report.status, ExitStatus::Success) << report.err;
    const std::string separator = std::string(kReportSeparator.begin(), kReportSeparator.end());
    EXPECT_EQ(Occurrences(report.out, separator + "\r\n"), kFormats);
    EXPECT_NE(report.out.find("2014x214 YUY2"), std::string::npos);  // the last format
}

}  // namespace
}  // namespace capspect
