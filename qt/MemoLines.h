// The text of a memo as one string and the start of each of its lines, so that a line is
// found by its number without scanning the text: a report holds tens of thousands of them.
// Lines are separated by '\n', which belongs to no line; a text has at least one line.
#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace capspect {

class MemoLines {
public:
    MemoLines() = default;
    explicit MemoLines(QString text) { SetText(std::move(text)); }

    void SetText(QString text);
    const QString& Text() const { return text_; }
    qsizetype Size() const { return text_.size(); }

    qsizetype LineCount() const { return static_cast<qsizetype>(starts_.size()); }
    qsizetype LineStart(qsizetype line) const { return starts_[static_cast<std::size_t>(line)]; }
    // The position of the line's end: its '\n', or the end of the text for the last line.
    qsizetype LineEnd(qsizetype line) const;
    QStringView Line(qsizetype line) const;
    // The line that holds `position` (0 to Size()); a '\n' belongs to the line it ends.
    qsizetype LineOf(qsizetype position) const;

    // Replaces `length` characters at `position` with `text`.
    void Replace(qsizetype position, qsizetype length, const QString& text);

private:
    QString text_;
    std::vector<qsizetype> starts_{0};
};

}  // namespace capspect
