// Time per format report on the simulated platform: the whole `capspect report --demo`
// (catalog load, device enumeration, preview graph, report text), and rendering plus
// report text alone for devices with more and more formats, which shows the cost per
// format. BM_ReportCommandText does what `capspect report` does after the catalog is
// loaded, from 1,000 to 100,000 formats, and counts the memory it needs at its peak
// beside the size of the report it writes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/command_line.h"
#include "app/format_report.h"
#include "platform/devices/catalog.h"
#include "platform/devices/devenum.h"
#include "platform/directshow/platform.h"
#include "platform/support/platform_context.h"

namespace {

// Bytes the program holds from operator new, and the most it held since the last reset.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

}  // namespace

void* operator new(std::size_t size) {
    void* const block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t live = liveBytes += malloc_usable_size(block);
    std::size_t peak = peakBytes.load();
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return block;
}

// GCC takes the free() of a block from the replaced operator new, once inlined into a
// delete expression, for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
    if (block != nullptr) {
        liveBytes -= malloc_usable_size(block);
        std::free(block);
    }
}

void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}
#pragma GCC diagnostic pop

namespace {

void BM_ReportCommand(benchmark::State& state) {
    const std::vector<std::string> args = {"report", "--demo"};
    std::size_t bytes = 0;
    for (auto _ : state) {
        capspect::StringOutput out;
        capspect::StringOutput err;
        if (capspect::RunCommandLine(args, out, err) != capspect::ExitStatus::Success) {
            state.SkipWithError(err.Text().c_str());
            break;
        }
        bytes = out.Text().size();
    }
    state.counters["report_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReportCommand)->Unit(benchmark::kMicrosecond);

// One device whose capture pin offers `count` formats.
capspect::sim::Catalog CatalogWithFormats(int count) {
    std::string json = R"({"devices": [{"category": "video",
        "properties": {"FriendlyName": "Bench", "DevicePath": "usb#bench"},
        "pins": [{"name": "Capture", "category": "PIN_CATEGORY_CAPTURE",
                  "streamConfig": {"capabilities": [)";
    for (int i = 0; i < count; ++i) {
        const std::string width = std::to_string(16 + 2 * i);
        json += (i == 0 ? "" : ",");
        json += R"({"caps": {"InputSize": [)" + width +
                R"(, 480]}, "mediaType": {"majortype": "MEDIATYPE_Video",
                "subtype": "MEDIASUBTYPE_YUY2", "formattype": "FORMAT_Vidscope",
                "AvgTimePerFrame": 333333, "biWidth": )" +
                width + R"(, "biHeight": 480, "biBitCount": 16}})";
    }
    return capspect::sim::LoadCatalogString(json + "]}}]}]}");
}

void BM_RenderAndReportText(benchmark::State& state) {
    const auto formats = static_cast<int>(state.range(0));
    const capspect::PlatformContext platform;
    capspect::sim::RegisterSimulatedPlatform();
    capspect::sim::InstallCatalog(CatalogWithFormats(formats));
    for (auto _ : state) {
        capspect::TDXShowCapture capture;
        benchmark::DoNotOptimize(capspect::BuildFormatReport(capture, u""));
    }
    state.SetItemsProcessed(state.iterations() * formats);
}
BENCHMARK(BM_RenderAndReportText)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

// Rendering and the UTF-8 report text as `capspect report` makes them. Counters: the
// time per format (compare it across sizes: it should stay flat), the report's size and
// the most memory held above what was held before the report began, also as a multiple
// of the report's size.
void BM_ReportCommandText(benchmark::State& state) {
    const auto formats = static_cast<int>(state.range(0));
    const capspect::PlatformContext platform;
    capspect::sim::RegisterSimulatedPlatform();
    capspect::sim::InstallCatalog(CatalogWithFormats(formats));
    std::size_t reportBytes = 0;
    std::size_t peakAbove = 0;
    for (auto _ : state) {
        const std::size_t before = liveBytes.load();
        peakBytes = before;
        {
            capspect::TDXShowCapture capture;
            capspect::RenderDeviceForReport(capture, u"");
            const std::string text = capspect::FormatReportText(capture.OutputFormats());
            reportBytes = text.size();
            benchmark::DoNotOptimize(text.data());
        }
        peakAbove = std::max(peakAbove, peakBytes.load() - before);
    }
    state.SetItemsProcessed(state.iterations() * formats);
    state.counters["per_format"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * formats,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["report_bytes"] = static_cast<double>(reportBytes);
    state.counters["peak_bytes"] = static_cast<double>(peakAbove);
    state.counters["peak_per_report_byte"] =
        static_cast<double>(peakAbove) / static_cast<double>(std::max<std::size_t>(reportBytes, 1));
}
BENCHMARK(BM_ReportCommandText)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
