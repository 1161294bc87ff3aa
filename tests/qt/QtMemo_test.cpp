#include "qt/QtMemo.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace capspect {
namespace {

class QtMemoTest : public ::testing::Test {
protected:
    QtMemoTest() {
        memo_.resize(300, 200);
        memo_.show();
        memo_.setFocus();
    }

    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&memo_, &event);
    }
    void Type(const QString& text) {
        for (const QChar c : text) {
            QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&memo_, &event);
        }
    }
    void Click(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, at, memo_.viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          modifiers);
        QApplication::sendEvent(memo_.viewport(), &event);
    }
    // The top of the viewport's row `row` of text, as the memo lays lines out.
    QPoint RowPoint(int row, int x = 6) const {
        return QPoint(x, 4 + row * memo_.fontMetrics().height() + 2);
    }

    QtMemo memo_;
};

TEST_F(QtMemoTest, TypingDeletingAndTheUndoHistory) {
    memo_.SetText(QStringLiteral("one\ntwo"));
    memo_.SetCaretPosition(3);
    Type(QStringLiteral(" more"));
    Press(Qt::Key_Return);
    EXPECT_EQ(memo_.Text(), u"one more\n\ntwo");
    Press(Qt::Key_Down);
    Press(Qt::Key_Backspace);  // at the start of "two": joins it to the empty line
    Press(Qt::Key_Delete);
    EXPECT_EQ(memo_.Text(), u"one more\nwo");

    // Typing goes back in one step; each deletion and line break in one of its own.
    memo_.Undo();
    memo_.Undo();
    EXPECT_EQ(memo_.Text(), u"one more\n\ntwo");
    memo_.Undo();
    memo_.Undo();
    EXPECT_EQ(memo_.Text(), u"one\ntwo");
    EXPECT_FALSE(memo_.CanUndo());
    memo_.Redo();
    EXPECT_EQ(memo_.Text(), u"one more\ntwo");
    EXPECT_EQ(memo_.CaretPosition(), 8);

    memo_.SetText(QStringLiteral("new"));
    EXPECT_FALSE(memo_.CanUndo()) << "a new text starts a new history";
    EXPECT_FALSE(memo_.CanRedo());

    memo_.SetText(QStringLiteral("a\r\nb\rc"));
    EXPECT_EQ(memo_.Text(), u"a\nb\nc") << "any line end is kept as LF";
}

TEST_F(QtMemoTest, SelectionByKeysAndTheClipboard) {
    memo_.SetText(QStringLiteral("abcde\nabxyz\ngamma"));
    memo_.SetCaretPosition(2);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(memo_.SelectedText(), u"cde\nabx");
    memo_.Cut();
    EXPECT_EQ(memo_.Text(), u"abyz\ngamma");
    EXPECT_EQ(QApplication::clipboard()->text(), u"cde\nabx");

    QApplication::clipboard()->setText(QStringLiteral("x\r\ny\rz"));
    memo_.Paste();
    EXPECT_EQ(memo_.Text(), u"abx\ny\nzyz\ngamma") << "pasted lines end in LF alone";

    memo_.SetReadOnly(true);
    Type(QStringLiteral("ignored"));
    memo_.Paste();
    EXPECT_EQ(memo_.Text(), u"abx\ny\nzyz\ngamma");
    memo_.SelectAll();
    memo_.Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), memo_.Text()) << "copying still works";
}

TEST_F(QtMemoTest, AfterEditsEveryCharacterStandsWhereAFreshMemoPutsIt) {
    // Laid-out lines are kept between edits; those an edit changes or renumbers must go.
    const auto expectLaidOutAfresh = [this] {
        QtMemo fresh;
        fresh.resize(memo_.size());
        fresh.SetText(memo_.Text());
        for (qsizetype position = 0; position <= memo_.Text().size(); ++position) {
            ASSERT_EQ(memo_.CharacterRect(position), fresh.CharacterRect(position))
                << "position " << position << " of " << memo_.Text().toStdString();
        }
    };
    memo_.SetText(QStringLiteral("wide wide wide\nii\nmmmmmm\nlast"));
    memo_.SetCaretPosition(4);
    Press(Qt::Key_Return);  // the lines after it move down one
    Type(QStringLiteral("xx"));
    expectLaidOutAfresh();
    memo_.SetCaretPosition(memo_.Text().indexOf(u"ii"));
    Press(Qt::Key_Backspace);  // and those after this one up one
    expectLaidOutAfresh();
}

TEST_F(QtMemoTest, UpAndDownKeepTheColumnAcrossShortLines) {
    memo_.SetText(QStringLiteral("abcdef\nab\nabcdef"));
    memo_.SetCaretPosition(5);
    Press(Qt::Key_Down);
    EXPECT_EQ(memo_.CaretPosition(), 9) << "the end of the short line";
    Press(Qt::Key_Down);
    EXPECT_EQ(memo_.CaretPosition(), 15) << "back in the column it started from";
    Press(Qt::Key_Home);
    EXPECT_EQ(memo_.CaretPosition(), 10);
    Press(Qt::Key_End);
    EXPECT_EQ(memo_.CaretPosition(), 16);
}

TEST_F(QtMemoTest, ClicksPlaceTheCaretAndSelect) {
    memo_.SetText(QStringLiteral("first line\nsecond word here"));
    Click(QEvent::MouseButtonPress, RowPoint(1, 2));
    Click(QEvent::MouseButtonRelease, RowPoint(1, 2));
    EXPECT_EQ(memo_.CaretPosition(), 11) << "the start of the second line";
    Click(QEvent::MouseButtonPress, RowPoint(0, 2), Qt::ShiftModifier);
    EXPECT_EQ(memo_.SelectedText(), u"first line\n");

    const int wordX = 6 + memo_.fontMetrics().horizontalAdvance(QStringLiteral("second w"));
    Click(QEvent::MouseButtonDblClick, RowPoint(1, wordX));
    EXPECT_EQ(memo_.SelectedText(), u"word");
}

TEST_F(QtMemoTest, ScrollsByLinesAndKeepsTheCaretInView) {
    QStringList numbers;
    for (int i = 0; i < 1000; ++i) {
        numbers << QString::number(i);
    }
    memo_.SetText(numbers.join(u'\n'));
    QScrollBar& bar = *memo_.verticalScrollBar();
    const int rowsShown = (memo_.viewport()->height() - 4) / memo_.fontMetrics().height();
    EXPECT_GE(bar.maximum(), 1000 - rowsShown - 1);
    EXPECT_LE(bar.maximum(), 1000 - rowsShown + 1);

    Press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(memo_.CaretPosition(), memo_.Text().size());
    EXPECT_EQ(memo_.FirstVisibleLine(), bar.maximum()) << "the last line in view";
    EXPECT_EQ(memo_.LineAt(RowPoint(0)), bar.maximum());
    Press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(memo_.FirstVisibleLine(), 0);
    bar.setValue(500);
    EXPECT_EQ(memo_.LineAt(RowPoint(2)), 502);
}

TEST_F(QtMemoTest, DraggingPastTheBottomScrollsALineAtATimeAndSelects) {
    QStringList numbers;
    for (int i = 0; i < 100; ++i) {
        numbers << QString::number(i);
    }
    memo_.SetText(numbers.join(u'\n'));
    Click(QEvent::MouseButtonPress, RowPoint(0));
    const QPoint below(6, memo_.viewport()->height() + 50);
    for (int move = 0; move < 5; ++move) {
        QMouseEvent event(QEvent::MouseMove, below, memo_.viewport()->mapToGlobal(below),
                          Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(memo_.viewport(), &event);
    }
    EXPECT_EQ(memo_.FirstVisibleLine(), 5);
    // The selection runs from the press to the start of the bottom row's line.
    const qsizetype bottom = memo_.LineAt(QPoint(6, memo_.viewport()->height() - 1));
    EXPECT_EQ(memo_.SelectedText(), numbers.mid(0, bottom).join(u'\n') + u'\n');
}

TEST_F(QtMemoTest, LongLinesWrapAtTheWidth) {
    const QString longLine = QStringLiteral("word ").repeated(100);
    memo_.SetText(longLine + QStringLiteral("\nafter"));
    const qsizetype lineBelowTheWrappedOne = memo_.LineAt(RowPoint(3));
    EXPECT_EQ(lineBelowTheWrappedOne, 0) << "the first line takes several rows";
    Press(Qt::Key_Down);
    EXPECT_LT(memo_.CaretPosition(), longLine.size()) << "down moves a row within the line";
    EXPECT_GT(memo_.CaretPosition(), 0);

    // Wider, the same line is laid out again and fits one row.
    memo_.SetText(QStringLiteral("word ").repeated(30) + QStringLiteral("\nafter"));
    EXPECT_EQ(memo_.LineAt(RowPoint(1)), 0);
    memo_.resize(3000, 200);
    EXPECT_EQ(memo_.LineAt(RowPoint(1)), 1);
}

TEST_F(QtMemoTest, ComposedTextShowsAtTheCaretUntilItIsCommitted) {
    memo_.SetText(QStringLiteral("ab"));
    memo_.SetCaretPosition(1);
    const int caretX = memo_.CaretRect().x();
    // Marked with a format that changes nothing, so that it looks as it will once in.
    QTextCharFormat plain;
    plain.setFontUnderline(false);
    QInputMethodEvent composing(QStringLiteral("ni"),
                                {{QInputMethodEvent::TextFormat, 0, 2, plain}});
    QApplication::sendEvent(&memo_, &composing);
    EXPECT_EQ(memo_.Text(), u"ab") << "composed text is not text yet";
    EXPECT_GT(memo_.CaretRect().x(), caretX) << "the caret stands after the composed text";
    const QImage composed = memo_.grab().toImage();

    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("ni"));
    QApplication::sendEvent(&memo_, &committed);
    EXPECT_EQ(memo_.Text(), u"anib");
    EXPECT_EQ(memo_.CaretPosition(), 3);
    EXPECT_EQ(memo_.grab().toImage(), composed) << "the composed text stood where it went in";

    memo_.SetSelection(1, 3);
    QApplication::sendEvent(&memo_, &composing);
    EXPECT_EQ(memo_.Text(), u"ab") << "composing replaces the selection";
}

TEST_F(QtMemoTest, AssistiveToolsReadAndEditTheText) {
    memo_.SetText(QStringLiteral("alpha\nbeta"));
    QAccessibleInterface* const accessible = QAccessible::queryAccessibleInterface(&memo_);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_TRUE(accessible->state().multiLine);
    QAccessibleTextInterface* const text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 10);
    EXPECT_EQ(text->text(6, 10), u"beta");
    EXPECT_EQ(accessible->text(QAccessible::Value), memo_.Text());

    text->setSelection(0, 4, 1);
    EXPECT_EQ(memo_.SelectedText(), u"lph");
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 4);
    text->setCursorPosition(8);
    EXPECT_EQ(text->selectionCount(), 0);
    EXPECT_EQ(text->cursorPosition(), 8);

    // A point in the left half of a character's rectangle is that character's offset.
    const QRect second = text->characterRect(7);
    ASSERT_FALSE(second.isEmpty());
    EXPECT_EQ(text->offsetAtPoint(QPoint(second.left() + second.width() / 4, second.center().y())),
              7);

    accessible->editableTextInterface()->replaceText(0, 5, QStringLiteral("gamma\r\n"));
    EXPECT_EQ(memo_.Text(), u"gamma\n\nbeta");
}

}  // namespace
}  // namespace capspect
