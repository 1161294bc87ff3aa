#include "app/window_steps.h"

#include <algorithm>
#include <vector>

#include "app/backend.h"
#include "platform/support/unicode.h"

namespace capspect {

void ListDevices(const TDXShowCaptureDevices& devices, TVQLangComboBoxModel& choice) {
    for (int i = 0; i < devices.Count(); ++i) {
        choice.Add(devices.Items(i).Description(), devices.Items(i).DevicePath());
    }
    if (choice.GetCount() > 0) {
        choice.SetItemIndexNr(0);
    }
}

void RelistDevices(const TDXShowCaptureDevices& devices, TVQLangComboBoxModel& choice) {
    const std::u16string chosen = choice.ItemIndex();
    choice.Clear();
    ListDevices(devices, choice);
    if (!chosen.empty() && devices.FindDevice(chosen) != nullptr) {
        choice.SetItemIndex(chosen);
    }
}

std::optional<std::u16string> PassOnDeviceFailures(const TDXShowReports& reports) {
    const std::vector<DeviceFailure> failures = TakeDeviceFailures();
    for (const DeviceFailure& failure : failures) {
        if (reports.OnError) {
            reports.OnError(failure.code, Utf8ToUtf16(failure.text));
        }
    }
    if (failures.empty()) {
        return std::nullopt;
    }
    return Utf8ToUtf16(failures.front().text);
}

TDXShowReports VerboseReports(OutputStream& err) {
    const auto print = [&err](HRESULT, const std::u16string& text) {
        std::string line = Utf16ToUtf8(text);
        std::ranges::replace_if(
            line, [](char c) { return c == '\r' || c == '\n'; }, ' ');
        err << line << '\n';
    };
    return {print, print};
}

}  // namespace capspect
