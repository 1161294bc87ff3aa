#include "app/report_command.h"

#include <memory>
#include <optional>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/format_report.h"
#include "app/report_json.h"
#include "framework/Exceptions.h"
#include "platform/unicode.h"

namespace capspect {
namespace {

constexpr std::string_view kUsage = "usage: capspect report [--json] [DEVICE]";

struct ReportArguments {
    bool json = false;
    std::u16string devicePath;  // empty: the first device
};

// The arguments after `report`; writes the usage error and answers nullopt when they are
// wrong.
std::optional<ReportArguments> ParseReportArguments(std::span<const std::string> args,
                                                    std::ostream& err) {
    ReportArguments parsed;
    bool haveDevice = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            parsed.json = true;
            continue;
        }
        if (arg.starts_with('-')) {
            err << "capspect report: unknown option '" << arg << "' (" << kUsage << ")\n";
            return std::nullopt;
        }
        if (haveDevice) {
            err << "capspect report: more than one device given (" << kUsage << ")\n";
            return std::nullopt;
        }
        const std::optional<std::u16string> path = Utf8ToUtf16Strict(arg);
        if (!path) {
            err << "capspect report: the device path is not valid UTF-8\n";
            return std::nullopt;
        }
        parsed.devicePath = *path;
        haveDevice = true;
    }
    return parsed;
}

// A report text on one line: the component's texts may hold line breaks.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') {
                line += ' ';
            }
        } else if (c != '\r') {
            line += c;
        }
    }
    return line;
}

// Receives the component's error and information events: prints them when --verbose is
// given and keeps the error texts for the failure line.
class ComponentReports {
public:
    ComponentReports(std::ostream& err, bool verbose) : err_(err), verbose_(verbose) {}

    TDXShowReports Handlers() {
        return {
            [this](HRESULT, const std::u16string& text) {
                errors_.push_back(Utf16ToUtf8(text));
                Print(text);
            },
            [this](HRESULT, const std::u16string& text) { Print(text); },
        };
    }

    const std::vector<std::string>& Errors() const { return errors_; }

private:
    void Print(const std::u16string& text) {
        if (verbose_) {
            err_ << OneLine(Utf16ToUtf8(text)) << '\n';
        }
    }

    std::ostream& err_;
    const bool verbose_;
    std::vector<std::string> errors_;
};

ExitStatus Fail(std::ostream& err, std::string_view reason) {
    err << "capspect report: " << OneLine(reason) << '\n';
    return ExitStatus::Failure;
}

// The device the report is for, or null after writing why there is none.
const TDXShowDevice* ChooseDevice(const TDXShowCapture& capture, const std::u16string& devicePath,
                                  const ComponentReports& reports, std::ostream& err) {
    const TDXShowCaptureDevices& devices = capture.CaptureDevices();
    if (devices.Count() == 0) {
        Fail(err,
             reports.Errors().empty() ? "no video capture device found" : reports.Errors().front());
        return nullptr;
    }
    if (devicePath.empty()) {
        return &devices.Items(0);
    }
    const TDXShowDevice* const device = devices.FindDevice(devicePath);
    if (device == nullptr) {
        Fail(err, "no video capture device has the path '" + Utf16ToUtf8(devicePath) +
                      "' (see 'capspect list')");
    }
    return device;
}

void WriteReport(const TDXShowCapture& capture, const TDXShowDevice& device, bool json,
                 std::ostream& out) {
    if (json) {
        out << FormatReportAsJson(device, capture.OutputFormats())
                   .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
    } else {
        out << Utf16ToUtf8(JoinReportEntries(FormatReportEntries(capture.OutputFormats())));
    }
}

}  // namespace

ExitStatus RunReportCommand(std::span<const std::string> args, const CommandContext& context) {
    const std::optional<ReportArguments> parsed = ParseReportArguments(args, context.err);
    if (!parsed) {
        return ExitStatus::Usage;
    }
    ComponentReports reports(context.err, context.options.verbose);
    std::unique_ptr<TDXShowCapture> capture;
    try {
        capture = std::make_unique<TDXShowCapture>(reports.Handlers());
    } catch (const Exception& error) {
        return Fail(context.err, error.what());
    }
    const TDXShowDevice* const device =
        ChooseDevice(*capture, parsed->devicePath, reports, context.err);
    if (device == nullptr) {
        return ExitStatus::Failure;
    }
    const std::size_t errorsBefore = reports.Errors().size();
    try {
        RenderDeviceForReport(*capture, device->DevicePath());
    } catch (const Exception& error) {
        return Fail(context.err, error.what());
    }
    WriteReport(*capture, *device, parsed->json, context.out);
    if (capture->OutputFormats().Count() == 0) {
        const bool failed = reports.Errors().size() > errorsBefore;
        context.err << "capspect report: '" << Utf16ToUtf8(device->Description())
                    << "' reported no output formats"
                    << (failed && !context.options.verbose ? " (--verbose shows why)" : "") << '\n';
        return failed ? ExitStatus::Failure : ExitStatus::Success;
    }
    return ExitStatus::Success;
}

}  // namespace capspect
