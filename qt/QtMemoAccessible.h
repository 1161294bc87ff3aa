// What screen readers and other assistive tools see of a QtMemo: an editable text whose
// characters, lines, caret and selection they can read and set, as Qt offers them for its
// own text widgets.
#pragma once

#include <QAccessibleWidget>

namespace capspect {

class QtMemo;

class QtMemoAccessible : public QAccessibleWidget,
                         public QAccessibleTextInterface,
                         public QAccessibleEditableTextInterface {
public:
    explicit QtMemoAccessible(QtMemo& memo);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    QtMemo& Memo() const;
};

// Lets Qt's accessibility find QtMemoAccessible for every QtMemo; once per program is
// enough, later calls do nothing.
void InstallQtMemoAccessibility();

}  // namespace capspect
