#include "app/format_report.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/support/unicode.h"
#include "util/TextHelpers.h"

namespace capspect {

void RenderDeviceForReport(TDXShowCapture& capture, const std::u16string& devicePath) {
    capture.SetDSVideoRenderer(vrVMR9);
    capture.RenderFile(devicePath, true);
}

namespace {

// Calls `take` with each entry of the report in order.
template <typename Take>
void ForEachReportEntry(const TDXShowStreamConfig& formats, Take take) {
    const NumberSeparators separators = UserNumberSeparators();
    for (int i = 0; i < formats.Count(); ++i) {
        take(formats.Items(i).AllAsText(separators));
        take(std::u16string(kReportSeparator));
    }
}

constexpr std::u16string_view kLineEnd = u"\r\n";

// Room for the UTF-8 report: every format at the size of the longer of the first and the
// last block, and a sixteenth more (blocks of one device differ in a few digits). Two more
// blocks leave room for the last one's bound in ReserveFor, so that a report that meets
// its estimate is never copied.
std::size_t ReportTextEstimate(const TDXShowStreamConfig& formats) {
    const int count = formats.Count();
    if (count == 0) {
        return 0;
    }
    const std::size_t longest =
        std::max(formats.Items(0).AllAsText().size(), formats.Items(count - 1).AllAsText().size());
    const std::size_t perFormat = longest + kReportSeparator.size() + 2 * kLineEnd.size();
    return perFormat * static_cast<std::size_t>(count) * 17 / 16 + 2 * perFormat;
}

// Makes room for `more` bytes. Beyond the estimate the text grows by an eighth: doubling
// would hold the old and the new text at once, three times the report at the peak. The
// text moves into a string reserved afresh, since reserve() on the text itself may
// double its capacity anyway.
void ReserveFor(std::string& text, std::size_t more) {
    const std::size_t needed = text.size() + more;
    if (needed <= text.capacity()) {
        return;
    }
    std::string larger;
    larger.reserve(std::max(needed, text.capacity() + text.capacity() / 8));
    larger.append(text);
    text = std::move(larger);
}

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
    text.reserve(ReportTextEstimate(formats));
    ForEachReportEntry(formats, [&text](const std::u16string& entry) {
        // A UTF-16 unit takes at most three bytes of UTF-8.
        ReserveFor(text, 3 * entry.size() + kLineEnd.size());
        AppendAsUtf8(text, entry);
        text.append("\r\n");
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
