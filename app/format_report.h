// The format report as the main window builds it on OK, without any window: render the
// chosen device through the capture component, then one entry per output format followed
// by a separator line. The window and `capspect report` share these pieces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Components/VQDirectShow/DXShowCapture.h"

namespace capspect {

// The line after every format's block: 54 hyphen-minus characters.
inline constexpr std::u16string_view kReportSeparator =
    u"------------------------------------------------------";

// Builds the preview graph of the device at `devicePath` (the first device when empty)
// the way OK does: the VMR-9 as renderer, the graph cleared first. A device that refuses
// the preferred format raises EDShowError.
void RenderDeviceForReport(TDXShowCapture& capture, const std::u16string& devicePath);

// The entries of the text area in order: per output format its block (one entry of
// several lines), then the separator.
std::vector<std::u16string> FormatReportEntries(const TDXShowStreamConfig& formats);

// The text area's content: every entry followed by CR LF.
std::u16string JoinReportEntries(const std::vector<std::u16string>& entries);

// The same content in UTF-8, as `capspect report` writes it. Each entry is converted as
// soon as it is made, so no second copy of the report is held in UTF-16.
std::string FormatReportText(const TDXShowStreamConfig& formats);

// RenderDeviceForReport, then the joined entries of the capture component's formats.
std::u16string BuildFormatReport(TDXShowCapture& capture, const std::u16string& devicePath);

}  // namespace capspect
