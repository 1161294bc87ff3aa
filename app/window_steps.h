// The steps of the main window that do not depend on its toolkit, shared by the Qt window
// and the Win32 one: listing the capture devices in the item combo box, and the device
// failures to tell after a report.
#pragma once

#include <optional>
#include <string>
#include "app/output_stream.h"

#include "Components/VQDirectShow/DXShowCapture.h"
#include "controls/VQComboBoxModel.h"

namespace capspect {

// One item per device, in list order (caption: its description, value: its path); the
// first is selected when there is one.
void ListDevices(const TDXShowCaptureDevices& devices, TVQLangComboBoxModel& choice);

// Lists the devices anew, keeping the chosen device chosen while it is there.
void RelistDevices(const TDXShowCaptureDevices& devices, TVQLangComboBoxModel& choice);

// The device failures since the last call, passed to `reports`' error handler one by one;
// answers the first one's text, which the window shows in its error box: the report holds
// what the device told before it failed, and the user must know it is not the whole list.
std::optional<std::u16string> PassOnDeviceFailures(const TDXShowReports& reports);

// Component reports on `err`, one line each, for --verbose.
TDXShowReports VerboseReports(OutputStream& err);

}  // namespace capspect
