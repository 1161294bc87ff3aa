// Time per format report on the simulated platform: the whole `capspect report --demo`
// (catalog load, device enumeration, preview graph, report text), and rendering plus
// report text alone for devices with more and more formats, which shows the cost per
// format.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/command_line.h"
#include "app/format_report.h"
#include "platform/devices/catalog.h"
#include "platform/devices/devenum.h"
#include "platform/directshow/platform.h"

namespace {

void BM_ReportCommand(benchmark::State& state) {
    const std::vector<std::string> args = {"report", "--demo"};
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (capspect::RunCommandLine(args, out, err) != capspect::ExitStatus::Success) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        bytes = out.str().size();
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
    capspect::sim::RegisterSimulatedPlatform();
    capspect::sim::InstallCatalog(CatalogWithFormats(formats));
    for (auto _ : state) {
        capspect::TDXShowCapture capture;
        benchmark::DoNotOptimize(capspect::BuildFormatReport(capture, u""));
    }
    capspect::sim::InstallCatalog({});
    state.SetItemsProcessed(state.iterations() * formats);
}
BENCHMARK(BM_RenderAndReportText)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
