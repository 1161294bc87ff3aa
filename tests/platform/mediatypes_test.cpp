#include "platform/support/mediatypes.h"

#include <gtest/gtest.h>

#include "platform/support/comobject.h"

struct IThing : IUnknown {};
CAPSPECT_INTERFACE_ID(IThing, IUnknown, 0x33333333, 0x1, 0x1, 1, 2, 3, 4, 5, 6, 7, 8);

namespace {

class Thing : public capspect::ComObject<IThing> {};

capspect::MediaType Yuy2() {
    VIDEOINFOHEADER header{};
    header.bmiHeader.biWidth = 720;
    header.bmiHeader.biHeight = 576;
    header.bmiHeader.biSizeImage = 720 * 576 * 2;
    return capspect::MediaType::Video(MEDIASUBTYPE_YUY2, header);
}

TEST(MediaTypeHelpers, CopiesOwnTheirFormatBlockAndReferenceTheUnknown) {
    auto unknown = capspect::MakeComObject<Thing>();
    capspect::MediaType original = Yuy2();
    AM_MEDIA_TYPE source = original.Get();
    source.pUnk = unknown->Identity();

    AM_MEDIA_TYPE* copy = CreateMediaType(&source);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pbFormat, source.pbFormat);
    EXPECT_EQ(copy->cbFormat, sizeof(VIDEOINFOHEADER));
    EXPECT_TRUE(capspect::MediaTypesEqual(*copy, source));
    EXPECT_EQ(unknown->AddRef(), 3u);  // ours, the copy's and this call's
    unknown->Release();

    DeleteMediaType(copy);
    EXPECT_EQ(unknown->AddRef(), 2u);
    unknown->Release();
    DeleteMediaType(nullptr);
}

TEST(MediaTypeHelpers, FreeLeavesAnEmptyRecord) {
    AM_MEDIA_TYPE record{};
    ASSERT_EQ(CopyMediaType(&record, &Yuy2().Get()), S_OK);
    FreeMediaType(record);
    EXPECT_EQ(record.pbFormat, nullptr);
    EXPECT_EQ(record.cbFormat, 0u);
    EXPECT_EQ(record.subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(CopyMediaType(nullptr, &record), E_POINTER);
}

TEST(MediaTypeHelpers, PartialTypesMatchAnyValueWhereTheyAreEmpty) {
    const capspect::MediaType yuy2 = Yuy2();
    EXPECT_TRUE(capspect::MediaTypeMatches(yuy2.Get(), capspect::MediaType().Get()));
    EXPECT_TRUE(capspect::MediaTypeMatches(yuy2.Get(),
                                           capspect::MediaType(MEDIATYPE_Video, GUID_NULL).Get()));
    EXPECT_FALSE(capspect::MediaTypeMatches(
        yuy2.Get(), capspect::MediaType(MEDIATYPE_Video, MEDIASUBTYPE_UYVY).Get()));
    EXPECT_TRUE(capspect::MediaTypeMatches(
        yuy2.Get(),
        capspect::MediaType(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo).Get()));

    VIDEOINFOHEADER other{};
    other.bmiHeader.biWidth = 640;
    EXPECT_FALSE(capspect::MediaTypeMatches(
        yuy2.Get(), capspect::MediaType::Video(MEDIASUBTYPE_YUY2, other).Get()));
}

TEST(MediaTypeHelpers, OwnerCopiesDeeplyAndMovesCheaply) {
    capspect::MediaType first = Yuy2();
    capspect::MediaType second = first;
    EXPECT_EQ(first, second);
    EXPECT_NE(first->pbFormat, second->pbFormat);
    ASSERT_NE(second.FormatAs<VIDEOINFOHEADER>(), nullptr);
    EXPECT_EQ(second.FormatAs<VIDEOINFOHEADER>()->bmiHeader.biWidth, 720);
    EXPECT_EQ(second.FormatAs<VIDEOINFOHEADER2>(), nullptr);

    const BYTE* block = first->pbFormat;
    capspect::MediaType moved = std::move(first);
    EXPECT_EQ(moved->pbFormat, block);
    second = moved;
    EXPECT_EQ(second, moved);
    EXPECT_EQ(second->lSampleSize, 720u * 576u * 2u);
}

}  // namespace
