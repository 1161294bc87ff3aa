#include "qt/QtMemoAccessible.h"

#include <algorithm>

#include "qt/QtMemo.h"

namespace capspect {
namespace {

// Qt's accessibility cache owns the interfaces its factories make.
QAccessibleInterface* MakeAccessible(const QString& /*className*/, QObject* object) {
    if (auto* const memo = qobject_cast<QtMemo*>(object)) {
        return new QtMemoAccessible(*memo);
    }
    return nullptr;
}

}  // namespace

QtMemoAccessible::QtMemoAccessible(QtMemo& memo)
    : QAccessibleWidget(&memo, QAccessible::EditableText) {}

QtMemo& QtMemoAccessible::Memo() const {
    return *static_cast<QtMemo*>(widget());
}

void* QtMemoAccessible::interface_cast(QAccessible::InterfaceType type) {
    switch (type) {
        case QAccessible::TextInterface:
            return static_cast<QAccessibleTextInterface*>(this);
        case QAccessible::EditableTextInterface:
            return static_cast<QAccessibleEditableTextInterface*>(this);
        default:
            return QAccessibleWidget::interface_cast(type);
    }
}

QAccessible::State QtMemoAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = !Memo().ReadOnly();
    state.readOnly = Memo().ReadOnly();
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString QtMemoAccessible::text(QAccessible::Text kind) const {
    return kind == QAccessible::Value ? Memo().Text() : QAccessibleWidget::text(kind);
}

void QtMemoAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && selectionCount() == 1) {
        const qsizetype anchor = Memo().AnchorPosition();
        const qsizetype caret = Memo().CaretPosition();
        *startOffset = static_cast<int>(std::min(anchor, caret));
        *endOffset = static_cast<int>(std::max(anchor, caret));
    }
}

int QtMemoAccessible::selectionCount() const {
    return Memo().AnchorPosition() != Memo().CaretPosition() ? 1 : 0;
}

void QtMemoAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);  // the memo has one selection at most
}

void QtMemoAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        Memo().SetCaretPosition(Memo().CaretPosition());
    }
}

void QtMemoAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) {
        Memo().SetSelection(startOffset, endOffset);
    }
}

int QtMemoAccessible::cursorPosition() const {
    return static_cast<int>(Memo().CaretPosition());
}

void QtMemoAccessible::setCursorPosition(int position) {
    Memo().SetCaretPosition(position);
}

QString QtMemoAccessible::text(int startOffset, int endOffset) const {
    const QString& text = Memo().Text();
    const qsizetype from = std::clamp<qsizetype>(startOffset, 0, text.size());
    const qsizetype to = std::clamp<qsizetype>(endOffset, from, text.size());
    return text.sliced(from, to - from);
}

int QtMemoAccessible::characterCount() const {
    return static_cast<int>(Memo().Text().size());
}

QRect QtMemoAccessible::characterRect(int offset) const {
    if (offset < 0 || offset > characterCount()) {
        return {};
    }
    const QRect rect = Memo().CharacterRect(offset);
    if (rect.isNull()) {
        return {};
    }
    return {Memo().viewport()->mapToGlobal(rect.topLeft()), rect.size()};
}

int QtMemoAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Memo().viewport()->mapFromGlobal(point);
    if (!Memo().viewport()->rect().contains(local)) {
        return -1;
    }
    return static_cast<int>(Memo().PositionAt(local));
}

void QtMemoAccessible::scrollToSubstring(int startIndex, int /*endIndex*/) {
    Memo().EnsureVisible(std::clamp(startIndex, 0, characterCount()));
}

QString QtMemoAccessible::attributes(int /*offset*/, int* startOffset, int* endOffset) const {
    // Plain text: one run without attributes.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void QtMemoAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void QtMemoAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void QtMemoAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    Memo().SetSelection(startOffset, endOffset);
    Memo().Insert(text);
}

void InstallQtMemoAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&MakeAccessible);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace capspect
