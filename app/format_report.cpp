#include "app/format_report.h"

namespace capspect {

void RenderDeviceForReport(TDXShowCapture& capture, const std::u16string& devicePath) {
    capture.SetDSVideoRenderer(vrVMR9);
    capture.RenderFile(devicePath, true);
}

std::vector<std::u16string> FormatReportEntries(const TDXShowStreamConfig& formats) {
    std::vector<std::u16string> entries;
    entries.reserve(2 * static_cast<std::size_t>(formats.Count()));
    for (int i = 0; i < formats.Count(); ++i) {
        entries.push_back(formats.Items(i).AllAsText());
        entries.emplace_back(kReportSeparator);
    }
    return entries;
}

std::u16string JoinReportEntries(const std::vector<std::u16string>& entries) {
    constexpr std::u16string_view kLineEnd = u"\r\n";
    std::size_t length = 0;
    for (const std::u16string& entry : entries) {
        length += entry.size() + kLineEnd.size();
    }
    std::u16string text;
    text.reserve(length);
    for (const std::u16string& entry : entries) {
        text.append(entry).append(kLineEnd);
    }
    return text;
}

std::u16string BuildFormatReport(TDXShowCapture& capture, const std::u16string& devicePath) {
    RenderDeviceForReport(capture, devicePath);
    return JoinReportEntries(FormatReportEntries(capture.OutputFormats()));
}

}  // namespace capspect
