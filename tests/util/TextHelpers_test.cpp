#include "util/TextHelpers.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "tests/support/LocaleEnvironment.h"

namespace {

using namespace capspect;
using capspect::test::kEnglish;
using capspect::test::kGerman;

TEST(HasTextPrefix, ComparesThePrefixWithCaseIgnored) {
    CAPSPECT_IN_LOCALE(kGerman);
    EXPECT_TRUE(HasTextPrefix(u"MMS://", u"mms://server/clip"));
    EXPECT_TRUE(HasTextPrefix(u"äRG", u"Ärger"));
    EXPECT_FALSE(HasTextPrefix(u"abc", u"ab"));
    EXPECT_FALSE(HasTextPrefix(u"abd", u"abc"));
    EXPECT_TRUE(HasTextPrefix(u"", u""));
    EXPECT_TRUE(HasTextPrefix(u"", u"anything"));
}

TEST(HasAnyTextPrefix, TriesPrefixesUpToLast) {
    static constexpr std::array<std::u16string_view, 3> kPrefixes = {u"http://", u"mms://",
                                                                     u"rtsp://"};
    EXPECT_TRUE(HasAnyTextPrefix(u"MMS://host", kPrefixes, 2));
    EXPECT_TRUE(HasAnyTextPrefix(u"MMS://host", kPrefixes, 1));
    EXPECT_FALSE(HasAnyTextPrefix(u"rtsp://host", kPrefixes, 1));
    EXPECT_FALSE(HasAnyTextPrefix(u"http://host", kPrefixes, -1));
    EXPECT_FALSE(HasAnyTextPrefix(u"file.avi", kPrefixes, 2));
    // A last index past the end stops at the end instead of reading beyond it.
    EXPECT_TRUE(HasAnyTextPrefix(u"rtsp://host", kPrefixes, 10));
    EXPECT_FALSE(HasAnyTextPrefix(u"file.avi", kPrefixes, 10));
}

TEST(CutText, RemovesAndReturnsThePiece) {
    std::string s = "RIFFxxxx";
    EXPECT_EQ(CutText(s, 1, 4), "RIFF");
    EXPECT_EQ(s, "xxxx");

    s = "abcdef";
    EXPECT_EQ(CutText(s, 5, 10), "ef");
    EXPECT_EQ(s, "abcd");
    EXPECT_EQ(CutText(s, 5, 1), "");
    EXPECT_EQ(CutText(s, 2, 0), "");
    EXPECT_EQ(CutText(s, 2, -3), "");
    EXPECT_EQ(s, "abcd");
    EXPECT_EQ(CutText(s, 0, 2), "ab");  // a start below 1 cuts from the first byte
    EXPECT_EQ(s, "cd");

    std::string binary("a\0b", 3);
    EXPECT_EQ(CutText(binary, 2, 1), std::string(1, '\0'));
    EXPECT_EQ(binary, "ab");
}

TEST(IsIntegerText, AcceptsSignedDecimalAndDollarHex) {
    for (const std::u16string_view good : {u"49", u"+7", u"-0", u"$1F", u"$abc", u"007"}) {
        EXPECT_TRUE(IsIntegerText(good)) << std::string(good.begin(), good.end());
    }
    for (const std::u16string_view bad :
         {u"", u"-", u"+", u"$", u"$G1", u"4 9", u"1.0", u"-$1", u"+-1", u"x1", u"1F", u"٤٩"}) {
        EXPECT_FALSE(IsIntegerText(bad));
    }
}

TEST(IntegerTextValue, ReadsValuesWithinThirtyTwoBits) {
    EXPECT_EQ(IntegerTextValue(u"49"), 49);
    EXPECT_EQ(IntegerTextValue(u"+7"), 7);
    EXPECT_EQ(IntegerTextValue(u"-0"), 0);
    EXPECT_EQ(IntegerTextValue(u"$1F"), 31);
    EXPECT_EQ(IntegerTextValue(u"0000000000000000000049"), 49);
    EXPECT_EQ(IntegerTextValue(u"2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(IntegerTextValue(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(IntegerTextValue(u"$7FFFFFFF"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(IntegerTextValue(u"2147483648"), std::nullopt);
    EXPECT_EQ(IntegerTextValue(u"-2147483649"), std::nullopt);
    EXPECT_EQ(IntegerTextValue(u"$80000000"), std::nullopt);
    EXPECT_EQ(IntegerTextValue(u"99999999999999999999999"), std::nullopt);
    EXPECT_EQ(IntegerTextValue(u"1.0"), std::nullopt);
}

TEST(UserCountryCode, IsTheGermanLocalesCode) {
    CAPSPECT_IN_LOCALE(kGerman);
    EXPECT_EQ(UserCountryCode(), 49);
}

TEST(UserCountryCode, IsTheEnglishLocalesCode) {
    CAPSPECT_IN_LOCALE(kEnglish);
    EXPECT_EQ(UserCountryCode(), 1);
}

TEST(UserCountryCode, FollowsTheTelephoneCategory) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has one user locale for every category";
#else
    ASSERT_TRUE(test::LocaleIsInstalled(kGerman));
    ASSERT_TRUE(test::LocaleIsInstalled(kEnglish));
    const test::LocaleEnvironment environment({{"LANG", kGerman}, {"LC_TELEPHONE", kEnglish}});
    EXPECT_EQ(UserCountryCode(), 1);
#endif
}

TEST(UserCountryCode, IsMinusOneInTheCLocale) {
    // The C locale names no country: its text is empty, which is not an integer.
    CAPSPECT_IN_LOCALE("C");
    EXPECT_EQ(UserCountryCode(), -1);
}

TEST(FormatNumber, UsesTheEnglishSeparators) {
    CAPSPECT_IN_LOCALE(kEnglish);
    EXPECT_EQ(FormatNumber(10000000.0L / 3, 8, 2), u"3,333,333.30");
    EXPECT_EQ(FormatNumber(1000, 8, 2), u"1,000.00");
    EXPECT_EQ(FormatNumber(4.0L / 3, 8, 3), u"1.333");
    EXPECT_EQ(FormatNumber(-1234.5L, 8, 2), u"-1,234.50");
    EXPECT_EQ(FormatNumber(999.999L, 8, 2), u"1,000.00");
    EXPECT_EQ(FormatNumber(123456789, 8, 0), u"123,456,790");
    EXPECT_EQ(FormatNumber(123.456L, 2, 2), u"120.00");
    EXPECT_EQ(FormatNumber(0.000123L, 8, 3), u"0.000");
    EXPECT_EQ(FormatNumber(0.0125L, 8, 2), u"0.01");
    EXPECT_EQ(FormatNumber(-0.001L, 8, 2), u"0.00");
    EXPECT_EQ(FormatNumber(0, 8, 2), u"0.00");
    EXPECT_EQ(FormatNumber(2.5L, 8, 0), u"3");
    EXPECT_EQ(FormatNumber(1e20L, 8, 0), u"100,000,000,000,000,000,000");
}

TEST(FormatNumber, UsesTheGermanSeparators) {
    CAPSPECT_IN_LOCALE(kGerman);
    EXPECT_EQ(FormatNumber(29.97002997L, 8, 2), u"29,97");
    EXPECT_EQ(FormatNumber(10000000.0L / 3, 8, 2), u"3.333.333,30");
    EXPECT_EQ(FormatNumber(16.0L / 9, 8, 3), u"1,778");
}

TEST(FormatNumber, TakesSeparatorsReadOnceForARunOfNumbers) {
    CAPSPECT_IN_LOCALE(kGerman);
    const NumberSeparators german = UserNumberSeparators();
    EXPECT_EQ(german.decimal, u",");
    EXPECT_EQ(german.thousands, u".");
    EXPECT_EQ(FormatNumber(10000000.0L / 3, 8, 2, german), FormatNumber(10000000.0L / 3, 8, 2));
    EXPECT_EQ(FormatNumber(1234.5L, 8, 1, NumberSeparators{u"<>", u" "}), u"1 234<>5");
}

TEST(FormatNumber, HasNoThousandsSeparatorInTheCLocale) {
    CAPSPECT_IN_LOCALE("C");
    EXPECT_EQ(FormatNumber(10000000.0L / 3, 8, 2), u"3333333.30");
}

TEST(FormatNumber, HandlesOddArguments) {
    EXPECT_EQ(FormatNumber(1.5L, 0, -1), u"2");  // clamped to one significant digit, no decimals
    EXPECT_EQ(FormatNumber(std::numeric_limits<long double>::quiet_NaN(), 8, 2), u"NAN");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<long double>::infinity(), 8, 2), u"-INF");
}

}  // namespace
