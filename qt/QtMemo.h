// A multi-line plain-text area for long texts such as a device's report. The text is kept
// as lines (MemoLines) and only the lines in view are laid out, so a text of tens of
// thousands of lines is shown at once; a text document would build a block with its own
// layout for every line first, several times the cost of making the report. Long lines
// wrap at the area's width and the vertical scroll bar moves by whole lines. It edits as a
// plain text control does: typing and input methods' text (shown at the caret while it is
// composed), deletion, the clipboard, undo and redo, selection by mouse and keyboard, and
// the standard context menu.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <QTextLayout>

#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "qt/MemoHistory.h"
#include "qt/MemoLines.h"

namespace capspect {

class QtMemo : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit QtMemo(QWidget* parent = nullptr);
    ~QtMemo() override;

    // Replaces the text; the caret goes to its start, the view to its first line, and the
    // undo history is cleared. Lines may end in LF, CR LF or CR; the memo keeps LF.
    void SetText(const QString& text);
    const QString& Text() const { return lines_.Text(); }
    qsizetype LineCount() const { return lines_.LineCount(); }

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    // The caret's position in the text and the other end of the selection.
    qsizetype CaretPosition() const { return caret_; }
    qsizetype AnchorPosition() const { return anchor_; }
    void SetCaretPosition(qsizetype position, bool keepAnchor = false);
    QString SelectedText() const;

    void SelectAll();
    void Copy() const;
    void Cut();
    void Paste();
    void Undo();
    void Redo();
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }

    void ScrollToTop();
    int FirstVisibleLine() const;
    // Scrolls as little as needed to show the line that holds `position` whole.
    void EnsureVisible(qsizetype position);
    // The line shown at `point` of the viewport.
    qsizetype LineAt(QPoint point) const;
    // The text position nearest `point` of the viewport.
    qsizetype PositionAt(QPointF point) const;
    // The rectangle of the character at `position` in the viewport (a caret's width at a
    // line's end); empty when it is out of view.
    QRect CharacterRect(qsizetype position) const;
    // The caret's rectangle in the viewport, within the text being composed if there is
    // one; empty when it is out of view.
    QRect CaretRect() const;

    // Selects from `anchor` to `caret`, which ends where the caret is.
    void SetSelection(qsizetype anchor, qsizetype caret);
    // Replaces the selection with `text`, as pasting it would; nothing when read-only.
    void Insert(const QString& text);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    enum class EditKind { Typing, Other };
    enum class Motion {
        NextCharacter,
        PreviousCharacter,
        NextWord,
        PreviousWord,
        NextRow,
        PreviousRow,
        NextPage,
        PreviousPage,
        RowStart,
        RowEnd,
        TextStart,
        TextEnd,
    };

    // The line laid out at the current width, kept until the text, the width or the font
    // changes: painting, the caret's blinking and each key ask for the same lines again.
    std::shared_ptr<const QTextLayout> LayOut(qsizetype line) const;
    std::unique_ptr<QTextLayout> NewLayout(qsizetype line) const;
    void ForgetLayouts() const;
    // After an edit at `position` (made already), forgets the layouts it changed.
    void ForgetEditedLayouts(qsizetype position, const QString& removed, const QString& inserted);
    // Calls `visit(line, layout, top)` for the lines in view from the first, top being the
    // line's top in the viewport, while `visit` answers true.
    template <typename Visit>
    void VisitLinesInView(Visit visit) const;
    qreal LineHeight(qsizetype line) const;
    qreal TextWidth() const;
    int PageRows() const;
    // The rectangle of the character `columnsFurther` columns after `position` on its
    // line as laid out (with the text being composed).
    QRect RectAt(qsizetype position, int columnsFurther) const;

    qreal CaretX() const;
    qsizetype Target(Motion motion) const;
    qsizetype NextPosition(qsizetype position, QTextLayout::CursorMode mode) const;
    qsizetype PreviousPosition(qsizetype position, QTextLayout::CursorMode mode) const;
    qsizetype RowsAway(qsizetype position, int rows) const;
    bool Move(QKeyEvent* event);
    bool EditByKey(QKeyEvent* event);
    void SelectWordAt(qsizetype position);

    bool HasSelection() const { return caret_ != anchor_; }
    // The selection's start and end.
    std::pair<qsizetype, qsizetype> Selection() const;
    void ReplaceSelection(const QString& text, EditKind kind = EditKind::Other);
    void DeleteTo(qsizetype position);
    // Takes an edit of the history back (undo) or makes it again.
    void Apply(const MemoHistory::Edit& edit, bool undo);
    void AfterChange();
    void AnnounceChange(qsizetype position, const QString& removed, const QString& inserted);
    void AnnounceCaret();
    void UpdateScrollBar();
    void RestartCaretBlink();

    static constexpr std::size_t kMaxKeptLayouts = 512;

    MemoLines lines_;
    mutable std::unordered_map<qsizetype, std::shared_ptr<const QTextLayout>> layouts_;
    mutable qreal layoutWidth_ = 0;
    qsizetype caret_ = 0;
    qsizetype anchor_ = 0;
    // Where vertical moves aim, kept across rows of different lengths.
    std::optional<qreal> goalX_;
    bool readOnly_ = false;
    bool caretShown_ = false;
    bool selecting_ = false;
    // What the input method is composing at the caret, where its cursor is in it, and how
    // it is marked.
    QString preedit_;
    int preeditCursor_ = 0;
    QList<QTextLayout::FormatRange> preeditFormats_;
    MemoHistory history_;
    QBasicTimer caretBlink_;
};

}  // namespace capspect
