#include "qt/QtMemo.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <utility>

#include "qt/QtMemoAccessible.h"

namespace capspect {
namespace {

// Space between the frame and the text, as a plain text document leaves it.
constexpr qreal kMargin = 4;

// Lines held end in LF; texts given or pasted may end them with CR LF or CR.
QString WithLineFeeds(const QString& text) {
    if (!text.contains(u'\r')) {
        return text;  // shared, not copied
    }
    // One pass: a report of thousands of lines comes with CR LF throughout.
    QString converted(text.size(), Qt::Uninitialized);
    QChar* out = converted.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            *out++ = u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            *out++ = c;
        }
    }
    converted.truncate(out - converted.constData());
    return converted;
}

bool IsPrintable(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const QList<uint> codePoints = text.toUcs4();
    return std::all_of(codePoints.begin(), codePoints.end(),
                       [](uint codePoint) { return QChar::isPrint(char32_t{codePoint}); });
}

QTextLine RowAtY(const QTextLayout& layout, qreal y) {
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine row = layout.lineAt(i);
        if (y < row.y() + row.height()) {
            return row;
        }
    }
    return layout.lineAt(layout.lineCount() - 1);
}

QTextLine RowOf(const QTextLayout& layout, int column) {
    const QTextLine row = layout.lineForTextPosition(column);
    return row.isValid() ? row : layout.lineAt(layout.lineCount() - 1);
}

}  // namespace

QtMemo::QtMemo(QWidget* parent) : QAbstractScrollArea(parent) {
    InstallQtMemoAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    UpdateScrollBar();
}

QtMemo::~QtMemo() = default;

void QtMemo::SetText(const QString& text) {
    const QString previous = lines_.Text();  // shared, not copied
    lines_.SetText(WithLineFeeds(text));
    preedit_.clear();
    ForgetLayouts();
    AnnounceChange(0, previous, text);
    caret_ = anchor_ = 0;
    goalX_.reset();
    history_.Clear();
    UpdateScrollBar();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void QtMemo::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
}

void QtMemo::SetCaretPosition(qsizetype position, bool keepAnchor) {
    caret_ = std::clamp<qsizetype>(position, 0, lines_.Size());
    if (!keepAnchor) {
        anchor_ = caret_;
    }
    history_.EndTyping();
    EnsureVisible(caret_);
    RestartCaretBlink();
    viewport()->update();
    AnnounceCaret();
}

std::pair<qsizetype, qsizetype> QtMemo::Selection() const {
    // By value: the ends must not follow the caret when it moves.
    return {std::min(caret_, anchor_), std::max(caret_, anchor_)};
}

void QtMemo::SetSelection(qsizetype anchor, qsizetype caret) {
    anchor_ = std::clamp<qsizetype>(anchor, 0, lines_.Size());
    SetCaretPosition(caret, true);
}

void QtMemo::Insert(const QString& text) {
    ReplaceSelection(WithLineFeeds(text));
}

QString QtMemo::SelectedText() const {
    const auto [from, to] = Selection();
    return lines_.Text().sliced(from, to - from);
}

void QtMemo::SelectAll() {
    anchor_ = 0;
    caret_ = lines_.Size();
    viewport()->update();
    AnnounceCaret();
}

void QtMemo::Copy() const {
    if (HasSelection()) {
        QApplication::clipboard()->setText(SelectedText());
    }
}

void QtMemo::Cut() {
    if (HasSelection() && !readOnly_) {
        Copy();
        ReplaceSelection(QString());
    }
}

void QtMemo::Paste() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) {
        Insert(text);
    }
}

void QtMemo::Undo() {
    if (!readOnly_) {
        if (const auto edit = history_.Undo()) {
            Apply(*edit, true);
        }
    }
}

void QtMemo::Redo() {
    if (!readOnly_) {
        if (const auto edit = history_.Redo()) {
            Apply(*edit, false);
        }
    }
}

void QtMemo::ScrollToTop() {
    verticalScrollBar()->setValue(0);
}

int QtMemo::FirstVisibleLine() const {
    return verticalScrollBar()->value();
}

qsizetype QtMemo::LineAt(QPoint point) const {
    return lines_.LineOf(PositionAt(point));
}

// --- Layout ------------------------------------------------------------------------------

std::shared_ptr<const QTextLayout> QtMemo::LayOut(qsizetype line) const {
    if (layoutWidth_ != TextWidth()) {
        ForgetLayouts();
        layoutWidth_ = TextWidth();
    }
    if (const auto found = layouts_.find(line); found != layouts_.end()) {
        return found->second;
    }
    if (layouts_.size() >= kMaxKeptLayouts) {
        ForgetLayouts();  // those in view are soon laid out again
    }
    std::shared_ptr<const QTextLayout> layout = NewLayout(line);
    layouts_.emplace(line, layout);
    return layout;
}

void QtMemo::ForgetLayouts() const {
    layouts_.clear();
}

void QtMemo::ForgetEditedLayouts(qsizetype position, const QString& removed,
                                 const QString& inserted) {
    // The edit's first line changed; with line breaks gone or added, every later line has
    // a new number as well.
    const qsizetype first = lines_.LineOf(position);
    const bool renumbered = removed.contains(u'\n') || inserted.contains(u'\n');
    std::erase_if(layouts_, [first, renumbered](const auto& entry) {
        return renumbered ? entry.first >= first : entry.first == first;
    });
}

std::unique_ptr<QTextLayout> QtMemo::NewLayout(qsizetype line) const {
    auto layout = std::make_unique<QTextLayout>(lines_.Line(line).toString(), font(), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (!preedit_.isEmpty() && line == lines_.LineOf(caret_)) {
        // What the input method is composing shows at the caret, marked as it asks.
        const int column = static_cast<int>(caret_ - lines_.LineStart(line));
        layout->setPreeditArea(column, preedit_);
        QList<QTextLayout::FormatRange> formats = preeditFormats_;
        for (QTextLayout::FormatRange& format : formats) {
            format.start += column;
        }
        layout->setFormats(formats);
    }
    layout->beginLayout();
    qreal y = 0;
    for (QTextLine row = layout->createLine(); row.isValid(); row = layout->createLine()) {
        row.setLineWidth(TextWidth());
        row.setPosition(QPointF(0, y));
        y += row.height();
    }
    layout->endLayout();
    return layout;
}

qreal QtMemo::LineHeight(qsizetype line) const {
    return LayOut(line)->boundingRect().height();
}

qreal QtMemo::TextWidth() const {
    return std::max<qreal>(1, viewport()->width() - 2 * kMargin);
}

int QtMemo::PageRows() const {
    return std::max(
        1, static_cast<int>((viewport()->height() - kMargin) / fontMetrics().lineSpacing()));
}

template <typename Visit>
void QtMemo::VisitLinesInView(Visit visit) const {
    qreal top = kMargin;
    for (qsizetype line = FirstVisibleLine();
         line < lines_.LineCount() && top < viewport()->height(); ++line) {
        const auto layout = LayOut(line);
        if (!visit(line, *layout, top)) {
            return;
        }
        top += layout->boundingRect().height();
    }
}

qsizetype QtMemo::PositionAt(QPointF point) const {
    // The point's line is the first that reaches below it; the last line in view answers
    // for points below the text.
    qsizetype position = lines_.Size();
    VisitLinesInView([&](qsizetype line, const QTextLayout& layout, qreal top) {
        const QTextLine row = RowAtY(layout, point.y() - top);
        position = lines_.LineStart(line) + row.xToCursor(point.x() - kMargin);
        return point.y() >= top + layout.boundingRect().height();
    });
    return position;
}

QRect QtMemo::CharacterRect(qsizetype position) const {
    return RectAt(position, 0);
}

QRect QtMemo::RectAt(qsizetype position, int columnsFurther) const {
    const qsizetype target = lines_.LineOf(position);
    QRect rect;
    VisitLinesInView([&](qsizetype line, const QTextLayout& layout, qreal top) {
        if (line < target) {
            return true;
        }
        if (line == target) {
            const int column = static_cast<int>(position - lines_.LineStart(line)) + columnsFurther;
            const QTextLine row = RowOf(layout, column);
            const qreal left = row.cursorToX(column);
            const bool last = column >= layout.text().size() + layout.preeditAreaText().size();
            const qreal right = last ? left + 1 : row.cursorToX(column + 1);
            rect = QRectF(kMargin + std::min(left, right), top + row.y(),
                          std::max<qreal>(1, std::abs(right - left)), row.height())
                       .toAlignedRect();
        }
        return false;
    });
    return rect;
}

QRect QtMemo::CaretRect() const {
    const QRect character = RectAt(caret_, preedit_.isEmpty() ? 0 : preeditCursor_);
    return character.isNull() ? character
                              : QRect(character.topLeft(), QSize(1, character.height()));
}

void QtMemo::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    // Plain copies: structured bindings cannot be captured by clang 14's lambdas.
    const qsizetype selectionStart = Selection().first;
    const qsizetype selectionEnd = Selection().second;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));

    VisitLinesInView([&](qsizetype line, const QTextLayout& layout, qreal top) {
        const qsizetype start = lines_.LineStart(line);
        const qsizetype end = lines_.LineEnd(line);
        QList<QTextLayout::FormatRange> selections;
        if (selectionStart < end && selectionEnd > start) {
            const qsizetype from = std::max(selectionStart, start);
            const qsizetype to = std::min(selectionEnd, end);
            selections.append(
                {static_cast<int>(from - start), static_cast<int>(to - from), selected});
        }
        const QPointF origin(kMargin, top);
        layout.draw(&painter, origin, selections);
        if (caretShown_ && caret_ >= start && caret_ <= end) {
            const int preedit = preedit_.isEmpty() ? 0 : preeditCursor_;
            layout.drawCursor(&painter, origin, static_cast<int>(caret_ - start) + preedit);
        }
        return true;
    });
}

void QtMemo::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ForgetLayouts();
        UpdateScrollBar();
        viewport()->update();
    }
}

void QtMemo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

void QtMemo::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

void QtMemo::UpdateScrollBar() {
    // The last position shows the last lines with no room left below them.
    qreal height = kMargin;
    qsizetype first = lines_.LineCount();
    while (first > 0) {
        height += LineHeight(first - 1);
        if (height > viewport()->height()) {
            break;
        }
        --first;
    }
    QScrollBar& bar = *verticalScrollBar();
    bar.setRange(0, static_cast<int>(std::min<qsizetype>(first, lines_.LineCount() - 1)));
    bar.setPageStep(PageRows());
}

void QtMemo::EnsureVisible(qsizetype position) {
    const qsizetype line = lines_.LineOf(position);
    if (line < FirstVisibleLine()) {
        verticalScrollBar()->setValue(static_cast<int>(line));
        return;
    }
    // The highest first line that still shows the position's line whole.
    qreal height = kMargin + LineHeight(line);
    qsizetype top = line;
    while (top > FirstVisibleLine() && height + LineHeight(top - 1) <= viewport()->height()) {
        height += LineHeight(--top);
    }
    if (top > FirstVisibleLine()) {
        verticalScrollBar()->setValue(static_cast<int>(top));
    }
}

// --- Caret motion ------------------------------------------------------------------------

qsizetype QtMemo::NextPosition(qsizetype position, QTextLayout::CursorMode mode) const {
    const qsizetype line = lines_.LineOf(position);
    if (position == lines_.LineEnd(line)) {
        return std::min(position + 1, lines_.Size());
    }
    const qsizetype start = lines_.LineStart(line);
    return start + LayOut(line)->nextCursorPosition(static_cast<int>(position - start), mode);
}

qsizetype QtMemo::PreviousPosition(qsizetype position, QTextLayout::CursorMode mode) const {
    const qsizetype line = lines_.LineOf(position);
    const qsizetype start = lines_.LineStart(line);
    if (position == start) {
        return std::max<qsizetype>(position - 1, 0);
    }
    return start + LayOut(line)->previousCursorPosition(static_cast<int>(position - start), mode);
}

qreal QtMemo::CaretX() const {
    const qsizetype line = lines_.LineOf(caret_);
    const int column = static_cast<int>(caret_ - lines_.LineStart(line));
    return RowOf(*LayOut(line), column).cursorToX(column);
}

// The position `rows` rows below (or above, when negative) `position`, nearest the goal x.
qsizetype QtMemo::RowsAway(qsizetype position, int rows) const {
    qsizetype line = lines_.LineOf(position);
    auto layout = LayOut(line);
    const int column = static_cast<int>(position - lines_.LineStart(line));
    int row = RowOf(*layout, column).lineNumber();
    const qreal x = goalX_.value_or(layout->lineAt(row).cursorToX(column));
    for (; rows > 0; --rows) {
        if (row + 1 < layout->lineCount()) {
            ++row;
        } else if (line + 1 < lines_.LineCount()) {
            layout = LayOut(++line);
            row = 0;
        }
    }
    for (; rows < 0; ++rows) {
        if (row > 0) {
            --row;
        } else if (line > 0) {
            layout = LayOut(--line);
            row = layout->lineCount() - 1;
        }
    }
    return lines_.LineStart(line) + layout->lineAt(row).xToCursor(x);
}

qsizetype QtMemo::Target(Motion motion) const {
    const qsizetype line = lines_.LineOf(caret_);
    switch (motion) {
        case Motion::NextCharacter:
            return NextPosition(caret_, QTextLayout::SkipCharacters);
        case Motion::PreviousCharacter:
            return PreviousPosition(caret_, QTextLayout::SkipCharacters);
        case Motion::NextWord:
            return NextPosition(caret_, QTextLayout::SkipWords);
        case Motion::PreviousWord:
            return PreviousPosition(caret_, QTextLayout::SkipWords);
        case Motion::NextRow:
            return RowsAway(caret_, 1);
        case Motion::PreviousRow:
            return RowsAway(caret_, -1);
        case Motion::NextPage:
            return RowsAway(caret_, PageRows());
        case Motion::PreviousPage:
            return RowsAway(caret_, -PageRows());
        case Motion::RowStart:
        case Motion::RowEnd: {
            const qsizetype start = lines_.LineStart(line);
            const auto layout = LayOut(line);
            const QTextLine row = RowOf(*layout, static_cast<int>(caret_ - start));
            const bool lastRow = row.lineNumber() + 1 == layout->lineCount();
            if (motion == Motion::RowStart) {
                return start + row.textStart();
            }
            return lastRow ? lines_.LineEnd(line) : start + row.textStart() + row.textLength();
        }
        case Motion::TextStart:
            return 0;
        case Motion::TextEnd:
            return lines_.Size();
    }
    return caret_;
}

bool QtMemo::Move(QKeyEvent* event) {
    struct Key {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        Motion motion;
    };
    static constexpr Key kKeys[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Motion::NextCharacter},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar,
         Motion::PreviousCharacter},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Motion::NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Motion::PreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Motion::NextRow},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Motion::PreviousRow},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Motion::NextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Motion::PreviousPage},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Motion::RowStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Motion::RowEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
         Motion::TextStart},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Motion::TextEnd},
    };
    for (const Key& key : kKeys) {
        const bool select = event->matches(key.select);
        if (!select && !event->matches(key.move)) {
            continue;
        }
        const bool vertical = key.motion == Motion::NextRow || key.motion == Motion::PreviousRow ||
                              key.motion == Motion::NextPage || key.motion == Motion::PreviousPage;
        if (!vertical) {
            goalX_.reset();
        } else if (!goalX_) {
            goalX_ = CaretX();
        }
        SetCaretPosition(Target(key.motion), select);
        return true;
    }
    return false;
}

// --- Editing -----------------------------------------------------------------------------

bool QtMemo::EditByKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (readOnly_) {
        return false;
    } else if (event->matches(QKeySequence::Cut)) {
        Cut();
    } else if (event->matches(QKeySequence::Paste)) {
        Paste();
    } else if (event->matches(QKeySequence::Undo)) {
        Undo();
    } else if (event->matches(QKeySequence::Redo)) {
        Redo();
    } else if (event->matches(QKeySequence::Delete)) {
        DeleteTo(NextPosition(caret_, QTextLayout::SkipCharacters));
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        DeleteTo(NextPosition(caret_, QTextLayout::SkipWords));
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        DeleteTo(PreviousPosition(caret_, QTextLayout::SkipWords));
    } else if (event->matches(QKeySequence::Backspace) || event->key() == Qt::Key_Backspace) {
        DeleteTo(PreviousPosition(caret_, QTextLayout::SkipCharacters));
    } else if (event->matches(QKeySequence::InsertParagraphSeparator) ||
               event->matches(QKeySequence::InsertLineSeparator)) {
        ReplaceSelection(QStringLiteral("\n"));
    } else if (!(event->modifiers() & Qt::ControlModifier) && IsPrintable(event->text())) {
        ReplaceSelection(event->text(), EditKind::Typing);
    } else {
        return false;
    }
    return true;
}

void QtMemo::DeleteTo(qsizetype position) {
    // With a selection, deletion keys delete it and nothing more.
    if (!HasSelection()) {
        anchor_ = position;
    }
    ReplaceSelection(QString());
}

void QtMemo::ReplaceSelection(const QString& text, EditKind kind) {
    if (readOnly_) {
        return;
    }
    const auto [from, to] = Selection();
    if (from == to && text.isEmpty()) {
        return;
    }
    const QString removed = lines_.Text().sliced(from, to - from);
    history_.Record({from, removed, text}, kind == EditKind::Typing);
    lines_.Replace(from, to - from, text);
    AnnounceChange(from, removed, text);
    ForgetEditedLayouts(from, removed, text);
    caret_ = anchor_ = from + text.size();
    AfterChange();
}

void QtMemo::Apply(const MemoHistory::Edit& edit, bool undo) {
    const QString& out = undo ? edit.inserted : edit.removed;
    const QString& in = undo ? edit.removed : edit.inserted;
    lines_.Replace(edit.position, out.size(), in);
    ForgetEditedLayouts(edit.position, out, in);
    AnnounceChange(edit.position, out, in);
    caret_ = anchor_ = edit.position + in.size();
    AfterChange();
}

void QtMemo::AfterChange() {
    goalX_.reset();
    UpdateScrollBar();
    EnsureVisible(caret_);
    RestartCaretBlink();
    viewport()->update();
}

// Screen readers hear of edits and of the caret only while one is listening.
void QtMemo::AnnounceChange(qsizetype position, const QString& removed, const QString& inserted) {
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, static_cast<int>(position), removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

void QtMemo::AnnounceCaret() {
    if (!QAccessible::isActive()) {
        return;
    }
    if (HasSelection()) {
        const auto [from, to] = Selection();
        QAccessibleTextSelectionEvent event(this, static_cast<int>(from), static_cast<int>(to));
        event.setCursorPosition(static_cast<int>(caret_));
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextCursorEvent event(this, static_cast<int>(caret_));
        QAccessible::updateAccessibility(&event);
    }
}

// --- Events ------------------------------------------------------------------------------

bool QtMemo::event(QEvent* event) {
    // Keys the memo handles are its own, not shortcuts of the window around it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* const key = static_cast<QKeyEvent*>(event);
        const bool own = key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) ||
                         key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Undo) ||
                         key->matches(QKeySequence::Redo) ||
                         key->matches(QKeySequence::SelectAll) ||
                         key->matches(QKeySequence::Delete) ||
                         (!(key->modifiers() & Qt::ControlModifier) && IsPrintable(key->text()));
        if (own) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void QtMemo::keyPressEvent(QKeyEvent* event) {
    if (Move(event) || EditByKey(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void QtMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (!preedit_.isEmpty()) {
        QGuiApplication::inputMethod()->commit();  // a click ends the composing
    }
    selecting_ = true;
    goalX_.reset();
    SetCaretPosition(PositionAt(event->position()), event->modifiers().testFlag(Qt::ShiftModifier));
}

void QtMemo::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    // Dragging past the top or the bottom scrolls a line at a time.
    QPointF point = event->position();
    if (point.y() < 0) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        point.setY(0);
    } else if (point.y() >= viewport()->height()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        point.setY(viewport()->height() - 1);
    }
    // The scroll bar moved already; keeping the caret in view would move it once more.
    caret_ = PositionAt(point);
    history_.EndTyping();
    viewport()->update();
    AnnounceCaret();
}

void QtMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    selecting_ = false;
    QClipboard* const clipboard = QApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(SelectedText(), QClipboard::Selection);
    }
}

void QtMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SelectWordAt(PositionAt(event->position()));
    }
}

void QtMemo::SelectWordAt(qsizetype position) {
    const qsizetype line = lines_.LineOf(position);
    const qsizetype start = lines_.LineStart(line);
    const QString text = lines_.Line(line).toString();
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, text);
    qsizetype at = position - start;
    words.setPosition(at);
    // Just behind a word's last character, the click meant that word.
    if (at > 0 && words.isAtBoundary() &&
        !words.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem)) {
        words.setPosition(--at);
    }
    const qsizetype begin = words.isAtBoundary() ? at : words.toPreviousBoundary();
    words.setPosition(at);
    const qsizetype end = words.toNextBoundary();
    anchor_ = start + std::max<qsizetype>(begin, 0);
    caret_ = start + (end < 0 ? text.size() : end);
    history_.EndTyping();
    viewport()->update();
    AnnounceCaret();
}

void QtMemo::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const auto add = [this, &menu](const QString& text, QKeySequence::StandardKey key, bool enabled,
                                   auto action) {
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        QAction* const item =
            menu.addAction(shortcut.isEmpty() ? text : text + u'\t' + shortcut, this, action);
        item->setEnabled(enabled);
    };
    const bool editable = !readOnly_;
    add(tr("&Undo"), QKeySequence::Undo, editable && CanUndo(), [this] { Undo(); });
    add(tr("&Redo"), QKeySequence::Redo, editable && CanRedo(), [this] { Redo(); });
    menu.addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, editable && HasSelection(), [this] { Cut(); });
    add(tr("&Copy"), QKeySequence::Copy, HasSelection(), [this] { Copy(); });
    add(tr("&Paste"), QKeySequence::Paste, editable && !QApplication::clipboard()->text().isEmpty(),
        [this] { Paste(); });
    add(tr("Delete"), QKeySequence::UnknownKey, editable && HasSelection(),
        [this] { ReplaceSelection(QString()); });
    menu.addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, !lines_.Text().isEmpty(),
        [this] { SelectAll(); });
    menu.exec(event->globalPos());
}

void QtMemo::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartCaretBlink();
}

void QtMemo::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    caretBlink_.stop();
    caretShown_ = false;
    viewport()->update();
}

void QtMemo::RestartCaretBlink() {
    if (!hasFocus()) {
        return;
    }
    caretShown_ = true;
    const int flashTime = QApplication::styleHints()->cursorFlashTime();
    if (flashTime > 0) {
        caretBlink_.start(flashTime / 2, this);
    } else {
        caretBlink_.stop();
    }
    viewport()->update();
}

void QtMemo::timerEvent(QTimerEvent* event) {
    if (event->timerId() != caretBlink_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    caretShown_ = !caretShown_;
    viewport()->update(CaretRect().adjusted(-1, 0, 1, 0));
}

void QtMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (readOnly_) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty()) {
        ReplaceSelection(event->commitString(), EditKind::Typing);
    } else if (!event->preeditString().isEmpty() && HasSelection()) {
        ReplaceSelection(QString());  // composing replaces the selection, as typing does
    }
    // The text being composed is shown at the caret but is not part of the text yet.
    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    preeditFormats_.clear();
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = attribute.start;
        } else if (attribute.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format =
                qvariant_cast<QTextFormat>(attribute.value).toCharFormat();
            if (format.isValid()) {
                preeditFormats_.append({attribute.start, attribute.length, format});
            }
        }
    }
    if (preeditFormats_.isEmpty() && !preedit_.isEmpty()) {
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        preeditFormats_.append({0, static_cast<int>(preedit_.size()), underlined});
    }
    ForgetLayouts();
    UpdateScrollBar();
    EnsureVisible(caret_);
    viewport()->update();
    event->accept();
}

QVariant QtMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
    const qsizetype start = lines_.LineStart(lines_.LineOf(caret_));
    switch (query) {
        case Qt::ImEnabled:
            return !readOnly_;
        case Qt::ImCursorRectangle:
            return CaretRect();
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return static_cast<int>(caret_ - start);
        case Qt::ImAnchorPosition:
            return static_cast<int>(
                std::clamp(anchor_, start, lines_.LineEnd(lines_.LineOf(caret_))) - start);
        case Qt::ImSurroundingText:
            return lines_.Line(lines_.LineOf(caret_)).toString();
        case Qt::ImCurrentSelection:
            return SelectedText();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

}  // namespace capspect
