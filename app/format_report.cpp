#include "app/format_report.h"

#include <utility>

#include "platform/unicode.h"

namespace capspect {

void RenderDeviceForReport(TDXShowCapture& capture, const std::u16string& devicePath) {
    capture.SetDSVideoRenderer(vrVMR9);
    capture.RenderFile(devicePath, true);
}

namespace {

// Calls `take` with each entry of the report in order.
template <typename Take>
void ForEachReportEntry(const TDXShowStreamConfig& formats, Take take) {
    for (int i = 0; i < formats.Count(); ++i) {
        take(formats.Items(i).AllAsText());
        take(std::u16string(kReportSeparator));
    }
}

constexpr std::u16string_view kLineEnd = u"\r\n";

}  // namespace

std::vector<std::u16string> FormatReportEntries(const TDXShowStreamConfig& formats) {
    std::vector<std::u16string> entries;
    entries.reserve(2 * static_cast<std::size_t>(formats.Count()));
    ForEachReportEntry(formats,
                       [&entries](std::u16string entry) { entries.push_back(std::move(entry)); });
    return entries;
}

std::string FormatReportText(const TDXShowStreamConfig& formats) {
    std::string text;
    ForEachReportEntry(formats, [&text](const std::u16string& entry) {
        text.append(Utf16ToUtf8(entry)).append("\r\n");
    });
    return text;
}

std::u16string JoinReportEntries(const std::vector<std::u16string>& entries) {
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
