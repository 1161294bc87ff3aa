#include "app/report_command.h"

#include <memory>
#include <optional>

#include "app/format_report.h"
#include "app/message_text.h"
#include "app/rendered_device.h"
#include "app/report_json.h"

namespace capspect {
namespace {

constexpr std::string_view kUsage = "usage: capspect report [--json] [DEVICE]";

struct ReportArguments {
    bool json = false;
    std::string devicePath;  // as given; empty: the first device
};

// The arguments after `report`; writes the usage error and answers nullopt when they are
// wrong.
std::optional<ReportArguments> ParseReportArguments(std::span<const std::string> args,
                                                    OutputStream& err) {
    ReportArguments parsed;
    bool haveDevice = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            parsed.json = true;
            continue;
        }
        if (arg.starts_with('-')) {
            err << "capspect report: unknown option " << QuotedText(arg) << " (" << kUsage << ")\n";
            return std::nullopt;
        }
        if (haveDevice) {
            err << "capspect report: more than one device given (" << kUsage << ")\n";
            return std::nullopt;
        }
        parsed.devicePath = arg;
        haveDevice = true;
    }
    return parsed;
}

// The whole report as it goes to stdout; built completely before any of it is written.
std::string ReportText(const TDXShowCapture& capture, const TDXShowDevice& device, bool json) {
    if (json) {
        return FormatReportAsJson(device, capture.OutputFormats());
    }
    return FormatReportText(capture.OutputFormats());
}

}  // namespace

ExitStatus RunReportCommand(std::span<const std::string> args, const CommandContext& context) {
    const std::optional<ReportArguments> parsed = ParseReportArguments(args, context.err);
    if (!parsed) {
        return ExitStatus::Usage;
    }
    const std::unique_ptr<RenderedDevice> rendered =
        RenderedDevice::Render("report", parsed->devicePath, context);
    if (!rendered) {
        return ExitStatus::Failure;
    }
    context.out << ReportText(rendered->Capture(), rendered->Device(), parsed->json);
    return ExitStatus::Success;
}

}  // namespace capspect
