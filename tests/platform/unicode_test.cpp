#include "platform/support/unicode.h"

#include <gtest/gtest.h>

namespace {

using capspect::CodePointsToUtf16;
using capspect::Utf16ToCodePoints;
using capspect::Utf16ToUtf8;
using capspect::Utf8ToUtf16;

TEST(Unicode, RoundTripsEveryPlane) {
    const std::u16string text = u"A\u00e4\u20ac\U0001F600";
    EXPECT_EQ(Utf16ToUtf8(text), "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToCodePoints(text), U"A\u00e4\u20ac\U0001F600");
    EXPECT_EQ(CodePointsToUtf16(Utf16ToCodePoints(text)), text);
}

TEST(Unicode, ReplacesWhatCannotBeEncoded) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");              // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFD\uFFFD\uFFFDx");  // encoded surrogate
    // Code points keep lone surrogates, so platform text survives a round trip unchanged.
    const std::u16string lone(1, char16_t{0xDC00});
    EXPECT_EQ(CodePointsToUtf16(Utf16ToCodePoints(lone)), lone);
}

TEST(Unicode, AsciiRunsOfEveryLengthAndOffsetKeepTheirNeighbours) {
    // ASCII is converted several units at a time; a unit just past ASCII (U+0080), one
    // whose low byte looks like ASCII (U+0141), and a surrogate pair must each stop a run
    // wherever they fall in it.
    for (const std::u16string stop : {u"\u0080", u"\u0141", u"\U0001F600"}) {
        for (std::size_t before = 0; before < 10; ++before) {
            for (std::size_t after = 0; after < 10; ++after) {
                const std::u16string ascii =
                    u"\x7F"
                    u"0123456789";
                const std::u16string text =
                    ascii.substr(0, before) + stop + ascii.substr(0, after) + stop;
                const std::string utf8 = Utf16ToUtf8(text);
                EXPECT_EQ(Utf8ToUtf16(utf8), text) << before << " " << after;
                EXPECT_EQ(utf8.substr(0, before), std::string("\x7F"
                                                              "0123456789",
                                                              before));
            }
        }
    }
}

TEST(Unicode, EncodesUtf8ForEveryPlane) {
    EXPECT_EQ(Utf16ToUtf8(u"Gr\u00FC\u00DFe \u20AC"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F3A5"), "\xF0\x9F\x8E\xA5");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(Utf16ToUtf8(lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

TEST(Unicode, StrictConversionsRefuseWhatCannotNameAFile) {
    EXPECT_EQ(capspect::Utf16ToUtf8Strict(u"Graph \u00E4"), "Graph \xC3\xA4");
    const char16_t lone[] = {u'a', 0xD800, 0};
    EXPECT_FALSE(capspect::Utf16ToUtf8Strict(lone));
    EXPECT_FALSE(capspect::Utf16ToUtf8Strict(std::u16string(u"a\0b", 3)));

    EXPECT_EQ(capspect::Utf8ToUtf16Strict("\xEF\xBF\xBD"), u"\uFFFD");
    EXPECT_FALSE(capspect::Utf8ToUtf16Strict("a\xC3"));
    EXPECT_FALSE(capspect::Utf8ToUtf16Strict("\xC0\xAF"));
    EXPECT_FALSE(capspect::Utf8ToUtf16Strict(std::string("a\0b", 3)));
}

}  // namespace
