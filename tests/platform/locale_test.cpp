#include "platform/sdk/locale.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include <string>

#include "tests/support/LocaleEnvironment.h"

namespace {

using capspect::test::kEnglish;
using capspect::test::kGerman;
using capspect::test::LocaleEnvironment;
using capspect::test::LocaleIsInstalled;

// The value GetLocaleInfoW answers for the user's locale, read the way callers do.
std::u16string UserInfo(LCTYPE type) {
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (length <= 0) {
        return u"<failed>";
    }
    std::u16string buffer(static_cast<std::size_t>(length), u'?');
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer.data(), length), length);
    EXPECT_EQ(buffer.back(), u'\0');
    buffer.pop_back();
    return buffer;
}

int Compare(std::u16string_view a, std::u16string_view b, DWORD flags = 0) {
    return CompareStringW(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size()));
}

struct LocaleFacts {
    const char* locale;
    std::u16string decimal;
    std::u16string thousands;
    std::u16string country;
};

class LocaleInfo : public ::testing::TestWithParam<LocaleFacts> {};

TEST_P(LocaleInfo, AnswersTheLocalesSeparatorsAndCountryCode) {
    const LocaleFacts& facts = GetParam();
    ASSERT_TRUE(LocaleIsInstalled(facts.locale));
    const LocaleEnvironment environment(facts.locale);
    EXPECT_EQ(UserInfo(LOCALE_SDECIMAL), facts.decimal);
    EXPECT_EQ(UserInfo(LOCALE_STHOUSAND), facts.thousands);
    EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY), facts.country);
    EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY | LOCALE_NOUSEROVERRIDE), facts.country);
}

INSTANTIATE_TEST_SUITE_P(RealLocales, LocaleInfo,
                         ::testing::Values(LocaleFacts{kGerman, u",", u".", u"49"},
                                           LocaleFacts{kEnglish, u".", u",", u"1"},
                                           LocaleFacts{"C", u".", u"", u""},
                                           LocaleFacts{"POSIX", u".", u"", u""}),
                         [](const ::testing::TestParamInfo<LocaleFacts>& info) {
                             // Test names may hold only letters, digits and underscores.
                             std::string name = info.param.locale;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

TEST(LocaleInfo, ResolvesEachCategoryAsTheCLibraryDoes) {
    ASSERT_TRUE(LocaleIsInstalled(kGerman));
    ASSERT_TRUE(LocaleIsInstalled(kEnglish));
    {
        const LocaleEnvironment environment({{"LANG", kEnglish}, {"LC_NUMERIC", kGerman}});
        EXPECT_EQ(UserInfo(LOCALE_SDECIMAL), u",");
        EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY), u"1");
    }
    {
        const LocaleEnvironment environment({{"LANG", kEnglish}, {"LC_TELEPHONE", kGerman}});
        EXPECT_EQ(UserInfo(LOCALE_SDECIMAL), u".");
        EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY), u"49");
    }
    {
        const LocaleEnvironment environment({{"LC_ALL", kGerman}, {"LC_NUMERIC", kEnglish}});
        EXPECT_EQ(UserInfo(LOCALE_SDECIMAL), u",");
    }
    {
        const LocaleEnvironment environment(std::vector<LocaleEnvironment::Setting>{});
        EXPECT_EQ(UserInfo(LOCALE_SDECIMAL), u".");
        EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY), u"");
    }
}

TEST(LocaleInfo, FollowsEnvironmentChangesBetweenCalls) {
    ASSERT_TRUE(LocaleIsInstalled(kGerman));
    ASSERT_TRUE(LocaleIsInstalled(kEnglish));
    const LocaleEnvironment environment(kGerman);
    EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY), u"49");
    setenv("LC_ALL", kEnglish, 1);
    EXPECT_EQ(UserInfo(LOCALE_ICOUNTRY), u"1");
    EXPECT_EQ(GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_ICOUNTRY, nullptr, 0), 2);
}

TEST(LocaleInfo, MissingLocaleAnswersAsTheCLocale) {
    const LocaleEnvironment environment("xx_XX.UTF-8");
    EXPECT_EQ(UserInfo(LOCALE_SDECIMAL), u".");
    EXPECT_EQ(UserInfo(LOCALE_STHOUSAND), u"");
}

TEST(LocaleInfo, KeepsToTheBufferProtocol) {
    ASSERT_TRUE(LocaleIsInstalled(kGerman));
    const LocaleEnvironment environment(kGerman);
    WCHAR buffer[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buffer, 0), 3);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buffer, 2), 0);
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buffer, 3), 3);
    EXPECT_EQ(std::u16string(buffer), u"49");
    EXPECT_EQ(buffer[3], u'x');

    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buffer, -1), 0);
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, nullptr, 4), 0);
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x7777, buffer, 4), 0);
    EXPECT_EQ(GetLocaleInfoW(0x0407, LOCALE_ICOUNTRY, buffer, 4), 0);
}

TEST(CompareString, OrdersByTheLocalesCollation) {
    ASSERT_TRUE(LocaleIsInstalled(kEnglish));
    {
        // Dictionary order puts "a" before "B"; code-point order puts it after.
        const LocaleEnvironment environment(kEnglish);
        EXPECT_EQ(Compare(u"a", u"B"), CSTR_LESS_THAN);
        EXPECT_EQ(Compare(u"b", u"a"), CSTR_GREATER_THAN);
        EXPECT_EQ(Compare(u"same", u"same"), CSTR_EQUAL);
        EXPECT_EQ(Compare(u"", u""), CSTR_EQUAL);
        EXPECT_EQ(Compare(u"", u"a"), CSTR_LESS_THAN);
    }
    const LocaleEnvironment environment("C");
    EXPECT_EQ(Compare(u"a", u"B"), CSTR_GREATER_THAN);
}

TEST(CompareString, IgnoresCaseWithTheLocalesCharacterClasses) {
    ASSERT_TRUE(LocaleIsInstalled(kGerman));
    const LocaleEnvironment environment(kGerman);
    EXPECT_EQ(Compare(u"MMS://", u"mms://", NORM_IGNORECASE), CSTR_EQUAL);
    EXPECT_NE(Compare(u"MMS://", u"mms://"), CSTR_EQUAL);
    EXPECT_EQ(Compare(u"ÄRGER", u"ärger", NORM_IGNORECASE), CSTR_EQUAL);
    EXPECT_EQ(Compare(u"Ärger", u"Ärgern", NORM_IGNORECASE), CSTR_LESS_THAN);
}

TEST(CompareString, HonoursLengthsAndEmbeddedNuls) {
    const LocaleEnvironment environment("C");
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"abc", -1, u"abd", 2), CSTR_GREATER_THAN);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"abc", 2, u"abd", 2), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"abc", -1, u"abc", -1), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, 0, u"", -1), CSTR_EQUAL);
    EXPECT_EQ(Compare(std::u16string_view(u"a\0b", 3), std::u16string_view(u"a\0c", 3)),
              CSTR_LESS_THAN);
    EXPECT_EQ(Compare(std::u16string_view(u"a\0", 2), u"a"), CSTR_GREATER_THAN);
}

TEST(CompareString, RejectsInvalidArguments) {
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, 1, u"a", 1), 0);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"a", -2, u"a", 1), 0);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0x40000000, u"a", 1, u"a", 1), 0);
    EXPECT_EQ(CompareStringW(0x0409, 0, u"a", 1, u"a", 1), 0);
    EXPECT_EQ(CompareStringW(LOCALE_SYSTEM_DEFAULT, SORT_STRINGSORT, u"a", 1, u"a", 1), CSTR_EQUAL);
}

}  // namespace
