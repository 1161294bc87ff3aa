// The device verbs on the V4L2 backend against vivid's webcam input as recorded in a
// guest (tests/data/v4l2/vivid.json, 498 formats): what the program itself does for
// `capspect report`, `report --json` and `snapshot`, from the backend's start to the last
// byte of output, without the driver's time. Beside bench/vivid_report_bench.sh it tells
// the program's share of the guest's figures from the kernel's.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/backend.h"
#include "app/command_line.h"
#include "app/report_command.h"
#include "app/snapshot_command.h"
#include "platform/devices/v4l2/v4l2_platform.h"
#include "platform/support/platform_context.h"
#include "tests/support/fake_v4l2_tree.h"
#include "tests/v4l2/fixtures.h"

namespace capspect {
namespace {

enum Verb { kReport, kReportJson, kSnapshot };

void BM_V4l2DeviceVerb(benchmark::State& state) {
    test::FakeV4l2Tree tree;
    tree.AddNode("video0", v4l2::testing::LoadRecording("vivid.json"),
                 "platform-vivid-000-video-index0");
    const auto verb = static_cast<Verb>(state.range(0));
    const std::vector<std::string> args =
        verb == kReportJson ? std::vector<std::string>{"--json"} : std::vector<std::string>{};
    const BackendOptions options;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const PlatformContext platform;
        v4l2::StartV4l2Platform(tree.Roots(), tree.Opener());
        StringOutput out;
        StringOutput err;
        const CommandContext context{out, err, options};
        const ExitStatus status =
            verb == kSnapshot ? RunSnapshotCommand(args, context) : RunReportCommand(args, context);
        if (status != ExitStatus::Success) {
            state.SkipWithError(err.Text().c_str());
            break;
        }
        bytes = out.Text().size();
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_V4l2DeviceVerb)
    ->ArgName("verb")
    ->Arg(kReport)
    ->Arg(kReportJson)
    ->Arg(kSnapshot)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace capspect
