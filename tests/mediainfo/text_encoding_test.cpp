#include "mediainfo/text_encoding.h"

#include <gtest/gtest.h>

namespace capspect {
namespace {

TEST(Windows1252ToUtf8, MapsEveryByteRange) {
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("dvsd")), "dvsd");
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x01", 1)), "\x01");
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x80")), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x81")), "\xC2\x81");      // unassigned
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\x9F")), "\xC5\xB8");      // Y diaeresis
    EXPECT_EQ(Windows1252ToUtf8(std::string_view("\xE9\xFF")), "\xC3\xA9\xC3\xBF");
}

TEST(Utf16ToUtf8, EncodesPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(u"Stra\u00DFe.mpg"),
              "Stra\xC3\x9F"
              "e.mpg");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F3A5"), "\xF0\x9F\x8E\xA5");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t{0xD800}, u'a'}),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t{0xDC00}}), "\xEF\xBF\xBD");
}

TEST(Utf8ToUtf16, DecodesAndReplacesMalformedBytes) {
    EXPECT_EQ(Utf8ToUtf16("Stra\xC3\x9F"
                          "e"),
              u"Stra\u00DFe");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\xA5"), u"\U0001F3A5");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");                      // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // surrogate
}

}  // namespace
}  // namespace capspect
