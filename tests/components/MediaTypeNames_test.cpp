#include "Components/VQDirectShow/MediaTypeNames.h"

#include <gtest/gtest.h>

#include "platform/sdk/mediatype.h"
#include "platform/support/guids.h"

namespace {

using capspect::FormatTypeName;
using capspect::FourCCGuid;
using capspect::SubtypeName;
using capspect::VideoStandardName;

TEST(FormatTypeName, NamesTheFormatBlocks) {
    EXPECT_EQ(FormatTypeName(FORMAT_VideoInfo), u"VIDEOINFOHEADER");
    EXPECT_EQ(FormatTypeName(FORMAT_VideoInfo2), u"VIDEOINFOHEADER2");
    EXPECT_EQ(FormatTypeName(FORMAT_DvInfo), u"DVINFO");
    EXPECT_EQ(FormatTypeName(FORMAT_MPEG2Video), u"MPEG2VIDEOINFO");
    EXPECT_EQ(FormatTypeName(FORMAT_MPEGStreams), u"AM_MPEGSYSTEMTYPE");
    EXPECT_EQ(FormatTypeName(FORMAT_MPEGVideo), u"MPEG1VIDEOINFO");
    EXPECT_EQ(FormatTypeName(FORMAT_WaveFormatEx), u"WAVEFORMATEX");
}

TEST(FormatTypeName, NoneHasAFullStopAndNullAndUnknownAreNamed) {
    EXPECT_EQ(FormatTypeName(FORMAT_None), u"None.");
    EXPECT_EQ(FormatTypeName(GUID{}), u"GUID_NULL");
    EXPECT_EQ(FormatTypeName(MEDIATYPE_Video), u"unknown");
    // One differing byte at the end is a different GUID.
    GUID almost = FORMAT_VideoInfo;
    almost.Data4[7] ^= 1;
    EXPECT_EQ(FormatTypeName(almost), u"unknown");
}

TEST(SubtypeName, NamesFourccAndRgbSubtypes) {
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_YUY2), u"YUY2");
    EXPECT_EQ(SubtypeName(GUID{
                  0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}),
              u"YUY2");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_UYVY), u"UYVY");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_Plum), u"Plum");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_RGB24), u"RGB24");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_ARGB32), u"ARGB32");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_RGB565), u"B565");
}

TEST(SubtypeName, FourccCaseMattersAndUnlistedIsUnknown) {
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_DVSD), u"DVSD");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_dvsd), u"dvsd");
    EXPECT_EQ(SubtypeName(FourCCGuid("yuy2")), u"unknown SubType");
    EXPECT_EQ(SubtypeName(MEDIASUBTYPE_NV12), u"unknown SubType");
    EXPECT_EQ(SubtypeName(GUID_NULL), u"unknown SubType");
}

TEST(VideoStandardName, ComposesTheGroupsInOrder) {
    const std::pair<ULONG, std::u16string_view> cases[] = {
        {0x0, u"None"},
        {0x1, u"NTSC-M"},
        {0x3, u"NTSC-M/M (Japan)"},
        {0x7, u"NTSC-M/M (Japan)/433"},
        {0x10 | 0x40 | 0x80 | 0x100, u"PAL-B/G/H/I"},
        {0x1 | 0x10 | 0x800, u"NTSC-M PAL-B PAL-60"},
        {0x800, u"PAL-60"},
        {0x100000, u"PAL-N (COMBO)"},
        {0x1000 | 0x4000 | 0x80000, u"SECAM-B/G/L1"},
        {0x400 | 0x100000, u"PAL-N PAL-N (COMBO)"},
        {0x1FFFFF & ~0x8u,
         u"NTSC-M/M (Japan)/433 PAL-B/D/G/H/I/M/N PAL-60 SECAM-B/D/G/H/K/K1/L/L1 PAL-N (COMBO)"},
    };
    for (const auto& [standards, text] : cases) {
        EXPECT_EQ(VideoStandardName(standards), text) << std::hex << standards;
    }
}

TEST(VideoStandardName, UnnamedBitsAreIgnored) {
    EXPECT_EQ(VideoStandardName(0x8), u"");
    EXPECT_EQ(VideoStandardName(0xFFE00008), u"");
    EXPECT_EQ(VideoStandardName(0x80000001), u"NTSC-M");
}

}  // namespace
