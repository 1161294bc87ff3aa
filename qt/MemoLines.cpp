#include "qt/MemoLines.h"

#include <algorithm>
#include <cassert>

namespace capspect {
namespace {

// Appends the start of every line that begins inside `text`, which sits at `offset`.
void AppendLineStarts(std::vector<qsizetype>& starts, QStringView text, qsizetype offset) {
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1)) {
        starts.push_back(offset + at + 1);
    }
}

}  // namespace

void MemoLines::SetText(QString text) {
    text_ = std::move(text);
    starts_.assign(1, 0);
    AppendLineStarts(starts_, text_, 0);
}

qsizetype MemoLines::LineEnd(qsizetype line) const {
    return line + 1 < LineCount() ? LineStart(line + 1) - 1 : text_.size();
}

QStringView MemoLines::Line(qsizetype line) const {
    const qsizetype start = LineStart(line);
    return QStringView(text_).sliced(start, LineEnd(line) - start);
}

qsizetype MemoLines::LineOf(qsizetype position) const {
    // The last line that starts at or before the position.
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), position);
    return static_cast<qsizetype>(after - starts_.begin()) - 1;
}

void MemoLines::Replace(qsizetype position, qsizetype length, const QString& text) {
    assert(position >= 0 && length >= 0 && position + length <= text_.size());
    text_.replace(position, length, text);
    // Lines starting inside the replaced part go; those after it move by the difference.
    const auto first = std::upper_bound(starts_.begin(), starts_.end(), position);
    const auto last = std::upper_bound(first, starts_.end(), position + length);
    const qsizetype shift = text.size() - length;
    std::vector<qsizetype> inserted;
    AppendLineStarts(inserted, text, position);
    std::for_each(last, starts_.end(), [shift](qsizetype& start) { start += shift; });
    const auto at = starts_.erase(first, last);
    starts_.insert(at, inserted.begin(), inserted.end());
}

}  // namespace capspect
