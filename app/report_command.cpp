#include "app/report_command.h"

#include <memory>
#include <optional>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"
#include "app/format_report.h"
#include "app/message_text.h"
#include "app/report_json.h"
#include "framework/Exceptions.h"
#include "platform/support/unicode.h"

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
                                                    std::ostream& err) {
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

    // An error that reaches the command outside the component (a device failure the
    // backend saw), reported as the component's own are.
    void Error(HRESULT code, const std::string& text) {
        Handlers().OnError(code, Utf8ToUtf16(text));
    }

    const std::vector<std::string>& Errors() const { return errors_; }

private:
    void Print(const std::u16string& text) {
        if (verbose_) {
            err_ << PrintableText(OneLine(Utf16ToUtf8(text))) << '\n';
        }
    }

    std::ostream& err_;
    const bool verbose_;
    std::vector<std::string> errors_;
};

ExitStatus Fail(std::ostream& err, std::string_view reason) {
    err << "capspect report: " << PrintableText(OneLine(reason)) << '\n';
    return ExitStatus::Failure;
}

// Fails the report when the device failed to answer while it was rendered: what was read
// is not the device's list. Every failure is an error event (--verbose); the first one is
// the failure line.
std::optional<ExitStatus> FailOnDeviceFailures(ComponentReports& reports, std::ostream& err) {
    const std::vector<DeviceFailure> failures = TakeDeviceFailures();
    if (failures.empty()) {
        return std::nullopt;
    }
    for (const DeviceFailure& failure : failures) {
        reports.Error(failure.code, failure.text);
    }
    return Fail(err, failures.front().text);
}

// The device the report is for, or null after writing why there is none.
const TDXShowDevice* ChooseDevice(const TDXShowCapture& capture, const std::string& devicePath,
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
    // Device paths are Unicode text, so bytes that are not UTF-8 name no device.
    const std::optional<std::u16string> path = Utf8ToUtf16Strict(devicePath);
    const TDXShowDevice* const device = path ? devices.FindDevice(*path) : nullptr;
    if (device == nullptr) {
        Fail(err, "no video capture device has the path " + QuotedText(devicePath) +
                      " (see 'capspect list')");
    }
    return device;
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
        if (const auto failed = FailOnDeviceFailures(reports, context.err)) {
            return *failed;
        }
        return Fail(context.err, error.what());
    }
    if (const auto failed = FailOnDeviceFailures(reports, context.err)) {
        return *failed;
    }
    if (capture->OutputFormats().Count() == 0) {
        const bool failed = reports.Errors().size() > errorsBefore;
        context.err << "capspect report: " << QuotedText(Utf16ToUtf8(device->Description()))
                    << " reported no output formats"
                    << (failed && !context.options.verbose ? " (--verbose shows why)" : "") << '\n';
        if (failed) {
            return ExitStatus::Failure;  // stdout stays empty: there is no report
        }
    }
    context.out << ReportText(*capture, *device, parsed->json);
    return ExitStatus::Success;
}

}  // namespace capspect
