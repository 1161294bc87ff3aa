#include "app/rendered_device.h"

#include <optional>

#include "app/format_report.h"
#include "app/message_text.h"
#include "framework/Exceptions.h"
#include "platform/support/unicode.h"

namespace capspect {
namespace {

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

// Writes the failure line of the verb; answers false for the caller to return.
bool Fail(std::string_view verb, OutputStream& err, std::string_view reason) {
    err << "capspect " << verb << ": " << PrintableText(OneLine(reason)) << '\n';
    return false;
}

// Fails the verb when the device failed to answer while it was rendered: what was read
// is not the device's list. Every failure is an error event (--verbose); the first one is
// the failure line. True when there was none.
bool CheckDeviceFailures(std::string_view verb, ComponentReports& reports, OutputStream& err) {
    const std::vector<DeviceFailure> failures = TakeDeviceFailures();
    if (failures.empty()) {
        return true;
    }
    for (const DeviceFailure& failure : failures) {
        reports.Error(failure.code, failure.text);
    }
    return Fail(verb, err, failures.front().text);
}

// The device the verb is for, or null after writing why there is none.
const TDXShowDevice* ChooseDevice(std::string_view verb, const TDXShowCapture& capture,
                                  const std::string& devicePath, const ComponentReports& reports,
                                  OutputStream& err) {
    const TDXShowCaptureDevices& devices = capture.CaptureDevices();
    if (devices.Count() == 0) {
        Fail(verb, err,
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
        Fail(verb, err,
             "no video capture device has the path " + QuotedText(devicePath) +
                 " (see 'capspect list')");
    }
    return device;
}

}  // namespace

TDXShowReports ComponentReports::Handlers() {
    return {
        [this](HRESULT, const std::u16string& text) {
            errors_.push_back(Utf16ToUtf8(text));
            Print(text);
        },
        [this](HRESULT, const std::u16string& text) { Print(text); },
    };
}

void ComponentReports::Error(HRESULT code, const std::string& text) {
    Handlers().OnError(code, Utf8ToUtf16(text));
}

void ComponentReports::Print(const std::u16string& text) {
    if (verbose_) {
        err_ << PrintableText(OneLine(Utf16ToUtf8(text))) << '\n';
    }
}

std::unique_ptr<RenderedDevice> RenderedDevice::Render(std::string_view verb,
                                                       const std::string& devicePath,
                                                       const CommandContext& context) {
    auto reports = std::make_unique<ComponentReports>(context.err, context.options.verbose);
    std::unique_ptr<TDXShowCapture> capture;
    try {
        capture = std::make_unique<TDXShowCapture>(reports->Handlers());
    } catch (const Exception& error) {
        Fail(verb, context.err, error.what());
        return nullptr;
    }
    const TDXShowDevice* const device =
        ChooseDevice(verb, *capture, devicePath, *reports, context.err);
    if (device == nullptr) {
        return nullptr;
    }
    const std::size_t errorsBefore = reports->Errors().size();
    try {
        RenderDeviceForReport(*capture, device->DevicePath());
    } catch (const Exception& error) {
        if (CheckDeviceFailures(verb, *reports, context.err)) {
            Fail(verb, context.err, error.what());
        }
        return nullptr;
    }
    if (!CheckDeviceFailures(verb, *reports, context.err)) {
        return nullptr;
    }
    if (capture->OutputFormats().Count() == 0) {
        const bool failed = reports->Errors().size() > errorsBefore;
        context.err << "capspect " << verb << ": " << QuotedText(Utf16ToUtf8(device->Description()))
                    << " reported no output formats"
                    << (failed && !context.options.verbose ? " (--verbose shows why)" : "") << '\n';
        if (failed) {
            return nullptr;  // stdout stays empty: there is nothing to show
        }
    }
    return std::unique_ptr<RenderedDevice>(
        new RenderedDevice(std::move(reports), std::move(capture), *device));
}

}  // namespace capspect
