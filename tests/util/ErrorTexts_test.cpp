#include <windows.h>

#include "util/ErrorTexts.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/support/hresult_bits.h"
#include "tests/support/error_tsv.h"
#include "tests/support/wine.h"
#include "util/MediaErrorTable.h"

namespace {

using capspect::HResultFromBits;

using capspect::GetDSErrorText;
using capspect::MediaErrorText;
using capspect::test::ReadErrorTsv;

TEST(MediaErrorText, AnswersEveryCodeOfTheDataFileWithItsOwnText) {
    const auto rows = ReadErrorTsv("media_error_texts.tsv");
    ASSERT_EQ(rows.size(), 1206u);
    for (const auto& row : rows) {
        EXPECT_EQ(MediaErrorText(HResultFromBits(row.code)), row.text) << row.symbol;
    }
    EXPECT_EQ(capspect::MediaErrorTable().size(), rows.size());
}

TEST(MediaErrorText, CodesDifferingOnlyInSeverityAreNotFound) {
    const auto rows = ReadErrorTsv("media_error_texts.tsv");
    const auto in_table = [&rows](std::uint32_t code) {
        return std::ranges::find(rows, code, &capspect::test::ErrorTsvRow::code) != rows.end();
    };
    int near_misses = 0;
    for (const auto& row : rows) {
        for (const std::uint32_t severity : {0x00000000u, 0x40000000u, 0x80000000u, 0xC0000000u}) {
            const std::uint32_t twin = (row.code & 0x3FFFFFFFu) | severity;
            if (!in_table(twin)) {
                EXPECT_EQ(MediaErrorText(HResultFromBits(twin)), u"") << std::hex << twin;
                ++near_misses;
            }
        }
    }
    EXPECT_GT(near_misses, 3000);
    EXPECT_EQ(MediaErrorText(HResultFromBits(0x800D0005)), u"");
    EXPECT_FALSE(MediaErrorText(HResultFromBits(0xC00D0005)).empty());
}

TEST(MediaErrorText, TellingRows) {
    const std::pair<std::uint32_t, std::u16string_view> rows[] = {
        {0x000D0000, u"The requested operation is pending completion."},
        {0x000D0001, u"The requested operation was aborted by the client."},
        {0x000D0002, u"The stream was purposefully stopped before completion."},
        {0x400D2EFF, u"The client is reconnected."},
        {0x800D0060, u"Unknown %1 event encountered."},
        {0xC00D000E, u"The network is busy."},
        {0xC00D001A, u"The system cannot find the file specified."},
        {0xC00D1590, u"The system cannot find the file specified."},
        {0xC00D1B58, u"The mark-in time should be greater than 0 and less than the mark-out time."},
        {0xC00D2EE0, u"The specified protocol is not supported."},
        {0xC00D32C8, u"The playlist has reached its end."},
        {0xC00D32DE, u"Cannot retrieve metadata from the offline metadata cache."},
        // Symbolic names with their leading blank.
        {0x000D1361, u" NS_S_TRACK_ALREADY_DOWNLOADED"},
        {0xC00D07F1, u" NS_E_NOTHING_TO_DO"},
        {0xC00D1242, u" NS_E_INCOMPLETE_PLAYLIST"},
    };
    for (const auto& [code, text] : rows) {
        EXPECT_EQ(MediaErrorText(HResultFromBits(code)), text) << std::hex << code;
    }
}

TEST(MediaErrorText, TableCoversTheDocumentedRangeOnlyInFacility13) {
    const auto table = capspect::MediaErrorTable();
    EXPECT_EQ(table.front().code, 0x000D0000u);
    EXPECT_EQ(table.back().code, 0xC00D32DEu);
    EXPECT_TRUE(
        std::ranges::all_of(table, [](const auto& e) { return ((e.code >> 16) & 0xFFF) == 13; }));
    const auto count_severity = [&table](std::uint32_t severity) {
        return std::ranges::count_if(
            table, [severity](const auto& e) { return (e.code >> 30) == severity; });
    };
    EXPECT_EQ(count_severity(0), 50);
    EXPECT_EQ(count_severity(1), 28);
    EXPECT_EQ(count_severity(2), 5);
    EXPECT_EQ(count_severity(3), 1123);
}

TEST(MediaErrorText, NeverFallsBackToThePlatformTexts) {
    EXPECT_EQ(MediaErrorText(E_FAIL), u"");
    EXPECT_EQ(MediaErrorText(VFW_E_CANNOT_RENDER), u"");
    EXPECT_EQ(MediaErrorText(S_OK), u"");
}

constexpr const char* kWineErrorTextGap =
    "AMGetErrorTextW is a stub that answers \"Error: 0x...\" for every code";

TEST(GetDSErrorText, AnswersThePlatformTextWhole) {
    CAPSPECT_SKIP_UNDER_WINE(kWineErrorTextGap);
    EXPECT_EQ(GetDSErrorText(VFW_E_CANNOT_RENDER),
              u"No combination of filters could be found to render the stream.");
    EXPECT_EQ(GetDSErrorText(E_FAIL), u"Unspecified error");
    EXPECT_EQ(GetDSErrorText(STG_E_FILENOTFOUND), u"%1 could not be found.");
    // The longest text of the platform's table arrives uncut.
    const auto rows = ReadErrorTsv("platform_error_texts.tsv");
    const auto longest =
        std::ranges::max_element(rows, {}, [](const auto& row) { return row.text.size(); });
    EXPECT_EQ(GetDSErrorText(HResultFromBits(longest->code)), longest->text);
}

TEST(GetDSErrorText, IsEmptyForCodesThePlatformDoesNotKnow) {
    CAPSPECT_SKIP_UNDER_WINE(kWineErrorTextGap);
    EXPECT_EQ(GetDSErrorText(HResultFromBits(0xC00D32C8)), u"");
    EXPECT_EQ(GetDSErrorText(HResultFromBits(0x00040218)), u"");
    EXPECT_EQ(GetDSErrorText(HResultFromBits(0xDEADBEEF)), u"");
}

}  // namespace
