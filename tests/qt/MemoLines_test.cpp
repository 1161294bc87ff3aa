#include "qt/MemoLines.h"

#include <gtest/gtest.h>

#include <random>

namespace capspect {
namespace {

// The line starts of `lines` as a fresh reading of its text finds them.
void ExpectLinesOfItsText(const MemoLines& lines) {
    const MemoLines fresh(lines.Text());
    ASSERT_EQ(lines.LineCount(), fresh.LineCount()) << lines.Text().toStdString();
    for (qsizetype line = 0; line < fresh.LineCount(); ++line) {
        ASSERT_EQ(lines.LineStart(line), fresh.LineStart(line)) << "line " << line;
    }
}

TEST(MemoLines, FindsLinesAndTheLineOfEveryPosition) {
    const MemoLines lines(QStringLiteral("ab\n\ncde\n"));
    ASSERT_EQ(lines.LineCount(), 4);
    EXPECT_EQ(lines.Line(0), u"ab");
    EXPECT_EQ(lines.Line(1), u"");
    EXPECT_EQ(lines.Line(2), u"cde");
    EXPECT_EQ(lines.Line(3), u"") << "a text ending in a line break has an empty last line";
    EXPECT_EQ(lines.LineEnd(2), 7);
    // A line break belongs to the line it ends.
    const qsizetype expected[] = {0, 0, 0, 1, 2, 2, 2, 2, 3};
    for (qsizetype position = 0; position <= lines.Size(); ++position) {
        EXPECT_EQ(lines.LineOf(position), expected[position]) << "position " << position;
    }
    EXPECT_EQ(MemoLines().LineCount(), 1) << "an empty text is one empty line";
}

TEST(MemoLines, ReplacementsKeepEveryLineStart) {
    // Replacements that add, remove and move line breaks at random places, each checked
    // against the starts read afresh from the text.
    std::mt19937 random(7);
    const QString pieces[] = {QString(),
                              QStringLiteral("x"),
                              QStringLiteral("\n"),
                              QStringLiteral("a\nb"),
                              QStringLiteral("\n\n"),
                              QStringLiteral("long line\n")};
    MemoLines lines(QStringLiteral("first\nsecond\n\nfourth"));
    for (int step = 0; step < 2000; ++step) {
        const auto position = std::uniform_int_distribution<qsizetype>(0, lines.Size())(random);
        const auto length = std::uniform_int_distribution<qsizetype>(
            0, std::min<qsizetype>(5, lines.Size() - position))(random);
        const QString& piece = pieces[random() % std::size(pieces)];
        lines.Replace(position, length, piece);
        ExpectLinesOfItsText(lines);
        if (HasFatalFailure()) {
            FAIL() << "after step " << step;
        }
    }
}

}  // namespace
}  // namespace capspect
