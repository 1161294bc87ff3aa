#include "platform/sdk/guid.h"
#include "platform/support/guids.h"

#include <gtest/gtest.h>

namespace {

using capspect::FourCCGuid;

const GUID kYuy2 = FourCCGuid("YUY2");

TEST(Guid, FormatsRegistryTextInUpperCase) {
    EXPECT_EQ(capspect::GuidToString(kYuy2), "{32595559-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(capspect::GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, ParsesEitherCaseAndRoundTrips) {
    const auto lower = capspect::GuidFromString("{32595559-0000-0010-8000-00aa00389b71}");
    ASSERT_TRUE(lower.has_value());
    EXPECT_EQ(*lower, kYuy2);
    const GUID odd{0xFEDCBA98, 0x7654, 0x3210, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(capspect::GuidFromString(capspect::GuidToU16String(odd)), odd);
}

TEST(Guid, RejectsMalformedText) {
    for (const char* text :
         {"", "{}", "32595559-0000-0010-8000-00AA00389B71", "{32595559-0000-0010-8000-00AA00389B71",
          "{32595559-0000-0010-8000-00AA00389B71}x", "{32595559-0000-0010-8000+00AA00389B71}",
          "{3259555G-0000-0010-8000-00AA00389B71}", "{32595559-0000-0010-8000-00AA00389B7 }"}) {
        EXPECT_FALSE(capspect::GuidFromString(text).has_value()) << text;
    }
}

TEST(Guid, PlatformCallsReportBufferAndSyntaxErrors) {
    WCHAR buffer[39];
    EXPECT_EQ(StringFromGUID2(kYuy2, buffer, 38), 0);
    ASSERT_EQ(StringFromGUID2(kYuy2, buffer, 39), 39);
    EXPECT_EQ(std::u16string(buffer), u"{32595559-0000-0010-8000-00AA00389B71}");

    CLSID parsed{};
    EXPECT_EQ(CLSIDFromString(buffer, &parsed), S_OK);
    EXPECT_EQ(parsed, kYuy2);
    EXPECT_TRUE(FAILED(CLSIDFromString(u"YUY2", &parsed)));
    EXPECT_EQ(CLSIDFromString(nullptr, &parsed), E_INVALIDARG);
}

TEST(Guid, FourCCIsLittleEndianFirstField) {
    EXPECT_EQ(kYuy2.Data1, 0x32595559u);
    EXPECT_NE(FourCCGuid("DVSD"), FourCCGuid("dvsd"));
}

}  // namespace
