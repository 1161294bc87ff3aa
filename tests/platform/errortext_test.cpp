#include "platform/sdk/errortext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>

#include "platform/support/error_table.h"
#include "platform/support/hresult_bits.h"
#include "tests/support/error_tsv.h"

namespace {

using capspect::HResultFromBits;
using capspect::test::ReadErrorTsv;

constexpr WCHAR kGuard = u'#';

TEST(AMGetErrorText, AnswersTheTextAndCountsTheTerminatingNul) {
    std::array<WCHAR, 255> buffer{};
    const DWORD count = AMGetErrorTextW(VFW_E_CANNOT_RENDER, buffer.data(), buffer.size());
    const std::u16string expected =
        u"No combination of filters could be found to render the stream.";
    EXPECT_EQ(std::u16string(buffer.data()), expected);
    EXPECT_EQ(count, expected.size() + 1);
}

TEST(AMGetErrorText, AnswersEveryRowOfItsTableExactly) {
    const auto rows = ReadErrorTsv("platform_error_texts.tsv");
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        std::array<WCHAR, 256> buffer{};
        const DWORD count =
            AMGetErrorTextW(HResultFromBits(row.code), buffer.data(), buffer.size());
        EXPECT_EQ(std::u16string(buffer.data()), row.text) << row.symbol;
        EXPECT_EQ(count, row.text.size() + 1) << row.symbol;
    }
}

TEST(AMGetErrorText, CutsLongTextsToTheBufferAndNeverWritesBeyondIt) {
    const std::u16string full = u"No combination of filters could be found to render the stream.";
    for (const DWORD maxLen :
         {1u, 2u, 10u, static_cast<DWORD>(full.size()), static_cast<DWORD>(full.size() + 1)}) {
        std::array<WCHAR, 128> buffer;
        buffer.fill(kGuard);
        const DWORD count = AMGetErrorTextW(VFW_E_CANNOT_RENDER, buffer.data(), maxLen);
        const std::u16string written(buffer.data());
        EXPECT_EQ(written, full.substr(0, maxLen - 1)) << maxLen;
        EXPECT_EQ(count, written.size() + 1) << maxLen;
        EXPECT_TRUE(std::all_of(buffer.begin() + maxLen, buffer.end(), [](WCHAR c) {
            return c == kGuard;
        })) << maxLen;
    }
}

TEST(AMGetErrorText, AnswersZeroForUnknownCodesAndMissingBuffers) {
    std::array<WCHAR, 64> buffer;
    buffer.fill(kGuard);
    // 0xC00D32C8 is a Windows Media code: the DirectShow service does not know it, and the
    // severity-flipped twin of a known code is a different code.
    for (const HRESULT unknown : {HResultFromBits(0xC00D32C8), HResultFromBits(0x00040218),
                                  HResultFromBits(0xC0040218), HResultFromBits(0x12345678)}) {
        EXPECT_EQ(AMGetErrorTextW(unknown, buffer.data(), buffer.size()), 0u) << unknown;
    }
    EXPECT_EQ(buffer.front(), kGuard);
    EXPECT_EQ(AMGetErrorTextW(E_FAIL, nullptr, 255), 0u);
    EXPECT_EQ(AMGetErrorTextW(E_FAIL, buffer.data(), 0), 0u);
    EXPECT_EQ(buffer.front(), kGuard);
}

TEST(ErrorTable, GeneratedTableIsSortedWithoutRepeatsAndFindsOnlyExactCodes) {
    const auto table = capspect::PlatformErrorTable();
    EXPECT_EQ(table.size(), ReadErrorTsv("platform_error_texts.tsv").size());
    EXPECT_TRUE(std::ranges::adjacent_find(table, [](const auto& a, const auto& b) {
                    return a.code >= b.code;
                }) == table.end());
    EXPECT_EQ(capspect::FindErrorText(table, table.front().code), table.front().text);
    EXPECT_EQ(capspect::FindErrorText(table, table.back().code), table.back().text);
    EXPECT_FALSE(capspect::FindErrorText(table, table.back().code + 1).has_value());
    EXPECT_FALSE(capspect::FindErrorText({}, 0).has_value());
}

// Every result-code constant of platform/hresult.h whose symbol the platform's text table
// names must carry the table's value.
#define CAPSPECT_CONSTANT(name) \
    { #name, static_cast < std::uint32_t>(name) }
const std::map<std::string, std::uint32_t> kHResultConstants = {
    CAPSPECT_CONSTANT(S_OK),
    CAPSPECT_CONSTANT(S_FALSE),
    CAPSPECT_CONSTANT(E_NOTIMPL),
    CAPSPECT_CONSTANT(E_NOINTERFACE),
    CAPSPECT_CONSTANT(E_POINTER),
    CAPSPECT_CONSTANT(E_ABORT),
    CAPSPECT_CONSTANT(E_FAIL),
    CAPSPECT_CONSTANT(E_UNEXPECTED),
    CAPSPECT_CONSTANT(E_ACCESSDENIED),
    CAPSPECT_CONSTANT(E_HANDLE),
    CAPSPECT_CONSTANT(E_OUTOFMEMORY),
    CAPSPECT_CONSTANT(E_INVALIDARG),
    CAPSPECT_CONSTANT(CLASS_E_NOAGGREGATION),
    CAPSPECT_CONSTANT(CLASS_E_CLASSNOTAVAILABLE),
    CAPSPECT_CONSTANT(REGDB_E_CLASSNOTREG),
    CAPSPECT_CONSTANT(MK_E_SYNTAX),
    CAPSPECT_CONSTANT(E_PROP_ID_UNSUPPORTED),
    CAPSPECT_CONSTANT(E_PROP_SET_UNSUPPORTED),
    CAPSPECT_CONSTANT(STG_E_FILENOTFOUND),
    CAPSPECT_CONSTANT(STG_E_PATHNOTFOUND),
    CAPSPECT_CONSTANT(STG_E_ACCESSDENIED),
    CAPSPECT_CONSTANT(STG_E_INVALIDPOINTER),
    CAPSPECT_CONSTANT(STG_E_READFAULT),
    CAPSPECT_CONSTANT(STG_E_WRITEFAULT),
    CAPSPECT_CONSTANT(STG_E_FILEALREADYEXISTS),
    CAPSPECT_CONSTANT(STG_E_INVALIDNAME),
    CAPSPECT_CONSTANT(STG_E_NOTSIMPLEFORMAT),
    CAPSPECT_CONSTANT(STG_E_FILENOTSTORAGE),
    CAPSPECT_CONSTANT(STG_S_CONVERTED),
    CAPSPECT_CONSTANT(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)),
    CAPSPECT_CONSTANT(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)),
    CAPSPECT_CONSTANT(VFW_S_NO_MORE_ITEMS),
    CAPSPECT_CONSTANT(VFW_S_DUPLICATE_NAME),
    CAPSPECT_CONSTANT(VFW_S_STATE_INTERMEDIATE),
    CAPSPECT_CONSTANT(VFW_S_PARTIAL_RENDER),
    CAPSPECT_CONSTANT(VFW_S_AUDIO_NOT_RENDERED),
    CAPSPECT_CONSTANT(VFW_S_VIDEO_NOT_RENDERED),
    CAPSPECT_CONSTANT(VFW_S_CANT_CUE),
    CAPSPECT_CONSTANT(VFW_S_NOPREVIEWPIN),
    CAPSPECT_CONSTANT(VFW_E_INVALIDMEDIATYPE),
    CAPSPECT_CONSTANT(VFW_E_INVALIDSUBTYPE),
    CAPSPECT_CONSTANT(VFW_E_NEED_OWNER),
    CAPSPECT_CONSTANT(VFW_E_ENUM_OUT_OF_SYNC),
    CAPSPECT_CONSTANT(VFW_E_ALREADY_CONNECTED),
    CAPSPECT_CONSTANT(VFW_E_FILTER_ACTIVE),
    CAPSPECT_CONSTANT(VFW_E_NO_TYPES),
    CAPSPECT_CONSTANT(VFW_E_NO_ACCEPTABLE_TYPES),
    CAPSPECT_CONSTANT(VFW_E_INVALID_DIRECTION),
    CAPSPECT_CONSTANT(VFW_E_NOT_CONNECTED),
    CAPSPECT_CONSTANT(VFW_E_NO_ALLOCATOR),
    CAPSPECT_CONSTANT(VFW_E_RUNTIME_ERROR),
    CAPSPECT_CONSTANT(VFW_E_NO_CLOCK),
    CAPSPECT_CONSTANT(VFW_E_NO_SINK),
    CAPSPECT_CONSTANT(VFW_E_NO_INTERFACE),
    CAPSPECT_CONSTANT(VFW_E_NOT_FOUND),
    CAPSPECT_CONSTANT(VFW_E_CANNOT_CONNECT),
    CAPSPECT_CONSTANT(VFW_E_CANNOT_RENDER),
    CAPSPECT_CONSTANT(VFW_E_CHANGING_FORMAT),
    CAPSPECT_CONSTANT(VFW_E_NO_COLOR_KEY_SET),
    CAPSPECT_CONSTANT(VFW_E_NOT_OVERLAY_CONNECTION),
    CAPSPECT_CONSTANT(VFW_E_STATE_CHANGED),
    CAPSPECT_CONSTANT(VFW_E_NOT_STOPPED),
    CAPSPECT_CONSTANT(VFW_E_NOT_PAUSED),
    CAPSPECT_CONSTANT(VFW_E_NOT_RUNNING),
    CAPSPECT_CONSTANT(VFW_E_WRONG_STATE),
    CAPSPECT_CONSTANT(VFW_E_TYPE_NOT_ACCEPTED),
    CAPSPECT_CONSTANT(VFW_E_DUPLICATE_NAME),
    CAPSPECT_CONSTANT(VFW_E_TIMEOUT),
    CAPSPECT_CONSTANT(VFW_E_INVALID_FILE_FORMAT),
    CAPSPECT_CONSTANT(VFW_E_ENUM_OUT_OF_RANGE),
    CAPSPECT_CONSTANT(VFW_E_CIRCULAR_GRAPH),
    CAPSPECT_CONSTANT(VFW_E_NOT_ALLOWED_TO_SAVE),
    CAPSPECT_CONSTANT(VFW_E_CORRUPT_GRAPH_FILE),
    CAPSPECT_CONSTANT(VFW_E_UNKNOWN_FILE_TYPE),
    CAPSPECT_CONSTANT(VFW_E_CANNOT_LOAD_SOURCE_FILTER),
    CAPSPECT_CONSTANT(VFW_E_FILE_TOO_SHORT),
    CAPSPECT_CONSTANT(VFW_E_INVALID_FILE_VERSION),
    CAPSPECT_CONSTANT(VFW_E_INVALID_CLSID),
    CAPSPECT_CONSTANT(VFW_E_INVALID_MEDIA_TYPE),
    CAPSPECT_CONSTANT(VFW_E_NO_TIME_FORMAT_SET),
    CAPSPECT_CONSTANT(VFW_E_NOT_IN_GRAPH),
    CAPSPECT_CONSTANT(VFW_E_NO_TIME_FORMAT),
    CAPSPECT_CONSTANT(VFW_E_READ_ONLY),
    CAPSPECT_CONSTANT(VFW_E_UNSUPPORTED_STREAM),
    CAPSPECT_CONSTANT(VFW_E_NO_CAPTURE_HARDWARE),
    CAPSPECT_CONSTANT(VFW_E_VMR_NOT_IN_MIXER_MODE),
    CAPSPECT_CONSTANT(VFW_E_BAD_KEY),
};
#undef CAPSPECT_CONSTANT

TEST(HResultConstants, AgreeWithThePlatformTextTable) {
    int compared = 0;
    for (const auto& row : ReadErrorTsv("platform_error_texts.tsv")) {
        const auto constant = kHResultConstants.find(row.symbol);
        if (constant != kHResultConstants.end()) {
            EXPECT_EQ(constant->second, row.code) << row.symbol;
            ++compared;
        }
    }
    // The table names most of the constants; a renamed symbol must not silently drop out.
    EXPECT_GE(compared, 70);
}

}  // namespace
