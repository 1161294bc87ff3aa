#include "Components/VQDirectShow/DXShowErrors.h"

#include <gtest/gtest.h>

#include "util/ErrorTexts.h"

namespace {

using capspect::FormatErrorReport;

TEST(HResultHex, WritesTheThirtyTwoBitPatternWithoutLeadingZeros) {
    EXPECT_EQ(capspect::HResultHex(E_FAIL), u"80004005");
    EXPECT_EQ(capspect::HResultHex(S_OK), u"0");
    EXPECT_EQ(capspect::HResultHex(0x00040237), u"40237");
}

TEST(FormatErrorReport, NamesMessageReasonAndCode) {
    EXPECT_EQ(FormatErrorReport(E_FAIL, u"Could not create the filter graph manager"),
              u"Could not create the filter graph manager Reason: " +
                  capspect::GetDSErrorText(E_FAIL) + u" ($80004005).");
    EXPECT_EQ(FormatErrorReport(S_OK, u""), capspect::GetDSErrorText(S_OK) + u" ($0).");
}

TEST(FormatErrorReport, CodeWithoutPlatformTextStillShowsTheNumber) {
    EXPECT_EQ(FormatErrorReport(static_cast<HRESULT>(0x80041234), u"Render"),
              u"Render Reason:  ($80041234).");
}

TEST(EDShowError, CarriesCodeAndMessage) {
    const capspect::EDShowError error(E_POINTER, u"TDXShow.GetVolume");
    EXPECT_EQ(error.HResult(), E_POINTER);
    EXPECT_EQ(error.Message(), u"TDXShow.GetVolume");
    EXPECT_STREQ(error.what(), "TDXShow.GetVolume");
}

}  // namespace
