#include "Components/VQDirectShow/DXShowStreamConfig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "platform/sdk/com.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/mediatypes.h"
#include "tests/support/FakeStreamConfig.h"
#include "tests/support/LocaleEnvironment.h"
#include "tests/support/video_formats.h"
#include "util/ErrorTexts.h"
#include "util/TextHelpers.h"

namespace {

using capspect::ComPtr;
using capspect::FORMAT_Vidscope;
using capspect::FORMAT_Vidscope2;

using capspect::ComObject;
using capspect::EDShowError;
using capspect::MakeComObject;
using capspect::MediaType;
using capspect::TDXShowStreamConfig;
using capspect::TDXShowStreamConfigItem;
using capspect::test::FakeStreamConfig;
using capspect::test::FixedSizeCaps;
using capspect::test::LocaleEnvironment;
using capspect::test::VideoInfo2Type;
using capspect::test::VideoInfoType;

constexpr REFERENCE_TIME k25fps = 400000;
constexpr REFERENCE_TIME k30fps = 333333;
constexpr REFERENCE_TIME k50fps = 200000;
constexpr REFERENCE_TIME kNtscFrame = 333667;  // 29.970 fps
constexpr REFERENCE_TIME kNtscField = 166833;  // 59.940 fps

// The capture card of the worked report example: YUY2, 640 x 480, 5 to 30 fps.
VIDEO_STREAM_CONFIG_CAPS ExampleCaps() {
    VIDEO_STREAM_CONFIG_CAPS caps = FixedSizeCaps(640, 480, 333333, 2000000);
    caps.MinBitsPerSecond = 24576000;
    caps.MaxBitsPerSecond = 147456000;
    return caps;
}

std::u16string ExampleReport(std::u16string_view maxRate, std::u16string_view minRate,
                             std::u16string_view mediaTypeLine) {
    std::u16string report =
        u"{05589F80-C356-11CE-BF01-00AA0055595A} VIDEOINFOHEADER\r\n"
        u"VideoStandard: None\r\nInputSize: 640 x 480\r\n"
        u"MinCroppingSize: 0 / 0\r\nMaxCroppingSize: 0 / 0\r\n"
        u"CropGranularityX: 1\r\nCropGranularityY: 1\r\nCropAlignX: 1\r\nCropAlignY: 1\r\n"
        u"MinOutputSize: 640 x 480\r\nMaxOutputSize: 640 x 480\r\n"
        u"OutputGranularityX: 1\r\nOutputGranularityY: 1\r\n"
        u"StretchTapsX: 0\r\nStretchTapsY: 0\r\nShrinkTapsX: 0\r\nShrinkTapsY: 0\r\n";
    report.append(u"MinFrameInterval: ").append(maxRate).append(u"\r\n");
    report.append(u"MaxFrameInterval: ").append(minRate).append(u"\r\n");
    report += u"MinBitsPerSecond: 24576000\r\nMaxBitsPerSecond: 147456000\r\n\r\n\r\n\r\n";
    return report.append(mediaTypeLine);
}

// A COM object whose reference count shows whether media types carrying it were released.
class Marker : public ComObject<IUnknown> {};

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

class StreamConfigTest : public ::testing::Test {
protected:
    TDXShowStreamConfigItem& OnlyItem(const VIDEO_STREAM_CONFIG_CAPS& caps, MediaType type) {
        device->AddCapability(caps, std::move(type));
        list.Refresh(device.Get());
        EXPECT_EQ(list.Count(), 1);
        return list.Items(0);
    }

    ComPtr<FakeStreamConfig> device = MakeComObject<FakeStreamConfig>();
    TDXShowStreamConfig list;
};

// --- Report text -----------------------------------------------------------------------------

TEST_F(StreamConfigTest, WorkedExampleIsByteExactInEnglishAndGerman) {
    TDXShowStreamConfigItem& item =
        OnlyItem(ExampleCaps(), VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, k30fps));
    {
        LocaleEnvironment english(capspect::test::kEnglish);
        EXPECT_EQ(item.AllAsText(), ExampleReport(u"30.00", u"5.00", u"640x480 YUY2 30.00fps"));
    }
    {
        LocaleEnvironment german(capspect::test::kGerman);
        EXPECT_EQ(item.AllAsText(), ExampleReport(u"30,00", u"5,00", u"640x480 YUY2 30,00fps"));
    }
}

TEST_F(StreamConfigTest, CapabilityLinesFollowTheRecord) {
    LocaleEnvironment english(capspect::test::kEnglish);
    VIDEO_STREAM_CONFIG_CAPS caps = FixedSizeCaps(720, 576, 10000, 1000000);
    caps.guid = FORMAT_Vidscope2;
    caps.VideoStandard = AnalogVideo_PAL_B | AnalogVideo_PAL_G | AnalogVideo_SECAM_L;
    caps.MinCroppingSize = {-8, 2};
    caps.MaxCroppingSize = {720, 576};
    caps.ShrinkTapsY = 3;
    const std::u16string text =
        OnlyItem(caps, VideoInfoType(MEDIASUBTYPE_UYVY, 720, 576, k25fps)).AllAsText();

    EXPECT_TRUE(
        text.starts_with(u"{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA} VIDEOINFOHEADER2\r\n"
                         u"VideoStandard: PAL-B/G SECAM-L\r\n"));
    EXPECT_NE(text.find(u"\r\nMinCroppingSize: -8 / 2\r\nMaxCroppingSize: 720 / 576\r\n"),
              std::u16string::npos);
    EXPECT_NE(text.find(u"\r\nShrinkTapsY: 3\r\n"), std::u16string::npos);
    // 1000 fps shows the thousands separator; 10 fps under the maximum interval.
    EXPECT_NE(text.find(u"\r\nMinFrameInterval: 1,000.00\r\nMaxFrameInterval: 10.00\r\n"),
              std::u16string::npos);

    caps.guid = FORMAT_DvInfo;
    caps.guid.Data1 ^= 0xFF;
    caps.MinFrameInterval = caps.MaxFrameInterval = 0;
    caps.MaxBitsPerSecond = -1;
    TDXShowStreamConfigItem& other = list.Add();
    other.SetConfigCaps(caps);
    const std::u16string otherText = other.AllAsText();
    EXPECT_TRUE(otherText.starts_with(u"{05589F7B-C356-11CE-BF01-00AA0055595A} unknown\r\n"));
    // Without intervals: 19 capability lines, three empty lines, and "?" for no media type.
    EXPECT_EQ(std::count(otherText.begin(), otherText.end(), u'\n'), 19 + 3);
    EXPECT_EQ(otherText.find(u"FrameInterval"), std::u16string::npos);
    EXPECT_TRUE(otherText.ends_with(u"MaxBitsPerSecond: -1\r\n\r\n\r\n\r\n?"));
}

TEST_F(StreamConfigTest, MediaTypeLineForEachKindOfFormat) {
    LocaleEnvironment german(capspect::test::kGerman);
    const auto line = [this](MediaType type) {
        TDXShowStreamConfigItem& item = list.Add();
        item.SetPmtConfig(type.CreateCopy());
        return std::pair(item.AsText(), item.FPS());
    };
    EXPECT_EQ(line(VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, k25fps)),
              std::pair(std::u16string(u"640x480 YUY2 25,00fps"), 25.0F));
    EXPECT_EQ(line(VideoInfo2Type(MEDIASUBTYPE_UYVY, 720, 480, kNtscFrame, 16, 9)).first,
              u"720x480 UYVY 29,97fps AR 1,778");
    EXPECT_EQ(line(VideoInfo2Type(MEDIASUBTYPE_NV12, 1920, 1080, k50fps, 4, 3)),
              std::pair(std::u16string(u"1920x1080 unknown SubType 50,00fps AR 1,333"), 50.0F));

    // A frame duration of 0 and an aspect height of 0 name no value; nothing divides by 0.
    EXPECT_EQ(line(VideoInfo2Type(MEDIASUBTYPE_UYVY, 720, 576, 0, 16, 0)),
              std::pair(std::u16string(u"720x576 UYVY ?fps AR ?"), 0.0F));

    // A block one byte short of a VIDEOINFOHEADER, or audio, is no video format.
    MediaType shortBlock = VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, k30fps);
    const std::vector<BYTE> block(shortBlock.Format().begin(), shortBlock.Format().end() - 1);
    shortBlock.SetFormat(FORMAT_Vidscope, block);
    EXPECT_EQ(line(shortBlock), std::pair(std::u16string(u"?"), 1.0F));
    EXPECT_EQ(line(MediaType::Audio(MEDIASUBTYPE_PCM, WAVEFORMATEX{1, 2, 48000, 192000, 4, 16, 0})),
              std::pair(std::u16string(u"?"), 1.0F));
}

// --- Refresh and ownership -------------------------------------------------------------------

TEST_F(StreamConfigTest, RefreshSkipsUnreadableIndicesAndKeepsTheOrder) {
    for (const LONG width : {320, 640, 720, 768}) {
        device->AddCapability(FixedSizeCaps(width, 576, k25fps, k25fps),
                              VideoInfoType(MEDIASUBTYPE_YUY2, width, 576, k25fps));
    }
    device->capabilities[1].result = E_FAIL;
    device->capabilities[2].noMediaTypeOnSuccess = true;
    list.Refresh(device.Get());

    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).ConfigCaps().InputSize.cx, 320);
    EXPECT_EQ(list.Items(1).ConfigCaps().InputSize.cx, 768);
    EXPECT_EQ(list.StreamConfig(), device.Get());

    // The items are copies: the device changing afterwards does not reach them.
    device->capabilities.clear();
    EXPECT_EQ(list.Items(1).PmtConfig()->subtype, MEDIASUBTYPE_YUY2);
    list.Refresh(device.Get());
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(StreamConfigTest, RefreshGivesAnEmptyListForOtherPinsAndFailures) {
    device->AddCapability(ExampleCaps(), VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, k30fps));
    list.Refresh(device.Get());
    ASSERT_EQ(list.Count(), 1);

    device->capsSize = 52;  // an audio pin's capability record
    list.Refresh(device.Get());
    EXPECT_EQ(list.Count(), 0);

    device->capsSize = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    device->numberOfCapabilitiesResult = E_FAIL;
    list.Refresh(device.Get());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.StreamConfig(), device.Get());

    list.Refresh(nullptr);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.StreamConfig(), nullptr);
    EXPECT_EQ(list.CurrentConfigAsText(), u"?");
}

TEST_F(StreamConfigTest, EveryMediaTypeReadIsDisposed) {
    const ComPtr<Marker> marker = MakeComObject<Marker>();
    const ULONG baseline = References(marker.Get());
    MediaType tagged = VideoInfoType(MEDIASUBTYPE_YUY2, 640, 480, k30fps);
    AM_MEDIA_TYPE* withMarker = tagged.CreateCopy();
    withMarker->pUnk = marker.Get();  // the copy carries the marker and one reference on it
    marker->AddRef();
    device->AddCapability(ExampleCaps(), MediaType(*withMarker));
    capspect::DisposeMediaType(withMarker);
    for (int i = 0; i < 2; ++i) {
        FakeStreamConfig::Capability copy = device->capabilities[0];
        device->capabilities.push_back(std::move(copy));
    }
    device->capabilities[1].result = E_FAIL;
    device->capabilities[1].mediaTypeOnFailure = true;
    device->current = device->capabilities[0].mediaType;
    const ULONG heldByDevice = References(marker.Get());

    {
        TDXShowStreamConfig formats;
        formats.Refresh(device.Get());
        ASSERT_EQ(formats.Count(), 2);
        EXPECT_EQ(References(marker.Get()), heldByDevice + 2);
        EXPECT_NE(formats.CurrentConfigAsText(), u"?");
        EXPECT_EQ(formats.FindBestConfig(GUID_NULL, 1, 1), -1);
        // Replacing an item's media type disposes the one it held.
        formats.Items(1).SetPmtConfig(tagged.CreateCopy());
        EXPECT_EQ(References(marker.Get()), heldByDevice + 1);
    }
    EXPECT_EQ(References(marker.Get()), heldByDevice);
    device.Reset();
    EXPECT_EQ(References(marker.Get()), baseline);
}

// --- Best-format searches --------------------------------------------------------------------

TEST_F(StreamConfigTest, TelevisionSearchInFiftyHertzCountries) {
    LocaleEnvironment german(capspect::test::kGerman);
    const auto add = [this](const GUID& subtype, LONG width, LONG height, REFERENCE_TIME frame) {
        device->AddCapability(FixedSizeCaps(width, height, frame, frame),
                              VideoInfoType(subtype, width, height, frame));
    };
    add(MEDIASUBTYPE_YUY2, 720, 576, k50fps);  // 0
    add(MEDIASUBTYPE_YUY2, 640, 480, k25fps);  // 1
    add(MEDIASUBTYPE_YUY2, 720, 576, k25fps);  // 2: larger output sizes allowed
    device->capabilities[2].caps.MaxOutputSize = {768, 576};
    add(MEDIASUBTYPE_UYVY, 720, 576, k30fps);  // 3
    add(MEDIASUBTYPE_YUY2, 720, 576, k25fps);  // 4
    add(MEDIASUBTYPE_UYVY, 720, 576, k25fps);  // 5
    list.Refresh(device.Get());

    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_YUY2), 4);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY), 5);
    device->current = VideoInfoType(MEDIASUBTYPE_UYVY, 720, 576, k30fps);
    EXPECT_EQ(list.FindBestConfig(GUID_NULL), 5);

    list.Delete(5);
    list.Delete(4);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_YUY2), 2);  // input size alone
    list.Delete(2);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_YUY2), 1);  // the rate alone
    list.Delete(1);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_YUY2), 0);  // twice the rate
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY), -1);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_RGB24), -1);
    device->getFormatResult = E_FAIL;
    EXPECT_EQ(list.FindBestConfig(GUID_NULL), -1);
    list.Clear();
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_YUY2), -1);
}

TEST_F(StreamConfigTest, TelevisionSearchInSixtyHertzCountriesFindsNtscRates) {
    LocaleEnvironment english(capspect::test::kEnglish);
    ASSERT_EQ(capspect::UserCountryCode(), 1);
    const auto add = [this](LONG height, REFERENCE_TIME frame) {
        device->AddCapability(FixedSizeCaps(720, height, frame, frame),
                              VideoInfoType(MEDIASUBTYPE_UYVY, 720, height, frame));
    };
    add(576, k25fps);      // 0: PAL is not wanted here
    add(480, k30fps);      // 1: 30.00 is not 29.97
    add(480, 333666);      // 2: 29.9700 fps from a device that rounds down
    add(480, kNtscFrame);  // 3
    add(480, kNtscField);  // 4
    list.Refresh(device.Get());

    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY), 2);
    list.Delete(2);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY), 2);
    list.Delete(2);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY), 2);  // 59.94 fps
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_YUY2), -1);
}

TEST_F(StreamConfigTest, SizedSearchWantsTwentyFiveFramesAndPrefersMatchingOutputSizes) {
    const auto add = [this](const GUID& subtype, REFERENCE_TIME frame, SIZE minOut, SIZE maxOut) {
        VIDEO_STREAM_CONFIG_CAPS caps = FixedSizeCaps(768, 576, frame, frame);
        caps.MinOutputSize = minOut;
        caps.MaxOutputSize = maxOut;
        device->AddCapability(caps, VideoInfoType(subtype, 768, 576, frame));
    };
    add(MEDIASUBTYPE_UYVY, k30fps, {768, 576}, {768, 576});   // 0
    add(MEDIASUBTYPE_YUY2, k25fps, {768, 576}, {768, 576});   // 1
    add(MEDIASUBTYPE_UYVY, k25fps, {160, 120}, {1024, 768});  // 2
    add(MEDIASUBTYPE_UYVY, k25fps, {160, 120}, {768, 576});   // 3
    add(MEDIASUBTYPE_UYVY, k25fps, {768, 576}, {768, 576});   // 4
    list.Refresh(device.Get());

    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY, 768, 576), 4);
    list.Delete(4);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY, 768, 576), 3);
    list.Delete(3);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY, 768, 576), 2);
    list.Delete(2);
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY, 768, 576), -1);  // only at 30 fps
    EXPECT_EQ(list.FindBestConfig(MEDIASUBTYPE_UYVY, 720, 576), -1);
}

// --- Applying a format -----------------------------------------------------------------------

TEST_F(StreamConfigTest, SelectAppliesTheItemsTypeAndReportsRefusal) {
    LocaleEnvironment english(capspect::test::kEnglish);
    TDXShowStreamConfigItem& item =
        OnlyItem(FixedSizeCaps(720, 576, k25fps, k25fps),
                 VideoInfo2Type(MEDIASUBTYPE_UYVY, 720, 576, k25fps, 4, 3));
    item.Select();
    EXPECT_EQ(list.CurrentConfigAsText(), u"VIH2: 720x576 UYVY 25.00fps");

    device->setFormatResult = VFW_E_INVALIDMEDIATYPE;
    const std::u16string before = item.AllAsText();
    try {
        item.Select();
        FAIL() << "a refused format must raise";
    } catch (const EDShowError& error) {
        EXPECT_EQ(error.HResult(), VFW_E_INVALIDMEDIATYPE);
        ASSERT_FALSE(capspect::GetDSErrorText(VFW_E_INVALIDMEDIATYPE).empty());
        EXPECT_EQ(error.Message(), u"TDXShowStreamConfigItems.Select:\r\n" +
                                       capspect::GetDSErrorText(VFW_E_INVALIDMEDIATYPE) +
                                       u" ($80040200).");
    }
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(item.AllAsText(), before);
    ASSERT_EQ(device->setFormatRequests.size(), 2U);
    EXPECT_EQ(device->setFormatRequests[1], MediaType(*item.PmtConfig()));

    // An item of a list that never saw a device has nowhere to go.
    TDXShowStreamConfig unattached;
    EXPECT_THROW(unattached.Add().Select(), EDShowError);
}

TEST_F(StreamConfigTest, SetNativeSizeWidensTheItemOnly) {
    LocaleEnvironment english(capspect::test::kEnglish);
    VIDEO_STREAM_CONFIG_CAPS caps = FixedSizeCaps(720, 576, k25fps, k25fps);
    caps.MinOutputSize = {160, 120};
    TDXShowStreamConfigItem& item =
        OnlyItem(caps, VideoInfoType(MEDIASUBTYPE_YUY2, 320, 240, k25fps));
    item.SetNativeSize();
    const auto header = [&item] {
        VIDEOINFOHEADER vih;
        std::memcpy(&vih, item.PmtConfig()->pbFormat, sizeof(vih));
        return vih.bmiHeader;
    };
    EXPECT_EQ(header().biWidth, 720);
    EXPECT_EQ(header().biHeight, 576);
    EXPECT_EQ(header().biSizeImage, 720U * 576U * 2U);
    EXPECT_TRUE(device->setFormatRequests.empty());

    // An axis whose output cannot reach the input size keeps its size.
    TDXShowStreamConfigItem& narrow = list.Add();
    caps.MaxOutputSize = {640, 576};
    narrow.SetConfigCaps(caps);
    narrow.SetPmtConfig(VideoInfoType(MEDIASUBTYPE_YUY2, 320, 240, k25fps, 24).CreateCopy());
    narrow.SetNativeSize();
    EXPECT_EQ(narrow.AsText(), u"320x576 YUY2 25.00fps");

    // Only VIDEOINFOHEADER types are touched.
    TDXShowStreamConfigItem& wide = list.Add();
    wide.SetConfigCaps(caps);
    const MediaType original = VideoInfo2Type(MEDIASUBTYPE_YUY2, 320, 240, k25fps, 4, 3);
    wide.SetPmtConfig(original.CreateCopy());
    wide.SetNativeSize();
    EXPECT_EQ(MediaType(*wide.PmtConfig()), original);
}

}  // namespace
