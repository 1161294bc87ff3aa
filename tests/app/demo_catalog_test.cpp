#include "app/demo_catalog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/mediatype.h"

namespace capspect {
namespace {

using sim::Capability;
using sim::Catalog;
using sim::CatalogDevice;
using sim::DeviceCategory;
using sim::PinDesc;

// What every video format block has, whichever structure holds it.
struct VideoFormat {
    const BITMAPINFOHEADER* bitmap = nullptr;
    REFERENCE_TIME avgTimePerFrame = 0;
    DWORD bitRate = 0;
};

VideoFormat VideoFormatOf(const Capability& capability) {
    const auto& format = capability.mediaType.format;
    if (const auto* vih = std::get_if<VIDEOINFOHEADER>(&format)) {
        return {&vih->bmiHeader, vih->AvgTimePerFrame, vih->dwBitRate};
    }
    if (const auto* vih2 = std::get_if<VIDEOINFOHEADER2>(&format)) {
        return {&vih2->bmiHeader, vih2->AvgTimePerFrame, vih2->dwBitRate};
    }
    return {};
}

// Bits per second of frames of `width` × `height` pixels at one frame per `interval`.
double BitRate(LONG width, LONG height, WORD bits, LONGLONG interval) {
    return static_cast<double>(width) * height * bits * 1e7 / static_cast<double>(interval);
}

std::vector<const Capability*> Capabilities(const CatalogDevice& device) {
    std::vector<const Capability*> all;
    for (const PinDesc& pin : device.pins) {
        if (pin.streamConfig) {
            for (const Capability& capability : pin.streamConfig->capabilities) {
                all.push_back(&capability);
            }
        }
    }
    return all;
}

const PinDesc* PinOfCategory(const CatalogDevice& device, const GUID& category) {
    for (const PinDesc& pin : device.pins) {
        if (pin.category == category) {
            return &pin;
        }
    }
    return nullptr;
}

bool Offers(const PinDesc& pin, const GUID& subtype, LONG width, LONG height,
            REFERENCE_TIME avgTimePerFrame) {
    for (const Capability& capability : pin.streamConfig->capabilities) {
        const VideoFormat format = VideoFormatOf(capability);
        if (capability.mediaType.subtype == subtype && format.bitmap->biWidth == width &&
            format.bitmap->biHeight == height && format.avgTimePerFrame == avgTimePerFrame) {
            return true;
        }
    }
    return false;
}

class DemoCatalog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(catalog_ = LoadDemoCatalog());
        for (const CatalogDevice& device : catalog_.devices) {
            if (device.category == DeviceCategory::Video) {
                video_.push_back(&device);
            }
        }
        ASSERT_GE(video_.size(), 3u);
    }

    Catalog catalog_;
    std::vector<const CatalogDevice*> video_;
};

// Device paths name devices everywhere, so each must be unique.
TEST_F(DemoCatalog, DevicesHaveNamesAndDistinctPaths) {
    std::set<std::u16string> paths;
    for (const CatalogDevice* device : video_) {
        EXPECT_TRUE(device->properties.friendlyName);
        ASSERT_TRUE(device->properties.devicePath);
        EXPECT_TRUE(paths.insert(*device->properties.devicePath).second);
    }
}

TEST_F(DemoCatalog, EveryFormatIsConsistentWithItsCapability) {
    std::size_t count = 0;
    for (const CatalogDevice* device : video_) {
        for (const Capability* capability : Capabilities(*device)) {
            ++count;
            const VIDEO_STREAM_CONFIG_CAPS& caps = capability->caps;
            const VideoFormat format = VideoFormatOf(*capability);
            ASSERT_NE(format.bitmap, nullptr);
            const BITMAPINFOHEADER& bitmap = *format.bitmap;
            SCOPED_TRACE(testing::Message() << bitmap.biWidth << "x" << bitmap.biHeight << " @ "
                                            << format.avgTimePerFrame);
            EXPECT_EQ(caps.guid, capability->mediaType.formattype);
            EXPECT_EQ(capability->mediaType.majortype, MEDIATYPE_Video);
            EXPECT_GE(bitmap.biWidth, caps.MinOutputSize.cx);
            EXPECT_LE(bitmap.biWidth, caps.MaxOutputSize.cx);
            EXPECT_GE(bitmap.biHeight, caps.MinOutputSize.cy);
            EXPECT_LE(bitmap.biHeight, caps.MaxOutputSize.cy);
            EXPECT_LE(caps.MinFrameInterval, format.avgTimePerFrame);
            EXPECT_GE(caps.MaxFrameInterval, format.avgTimePerFrame);
            // The fastest rate a capability allows is what its media type announces.
            EXPECT_EQ(caps.MinFrameInterval, format.avgTimePerFrame);
            EXPECT_NEAR(
                format.bitRate,
                BitRate(bitmap.biWidth, bitmap.biHeight, bitmap.biBitCount, format.avgTimePerFrame),
                1.0);
            EXPECT_NEAR(caps.MaxBitsPerSecond,
                        BitRate(caps.MaxOutputSize.cx, caps.MaxOutputSize.cy, bitmap.biBitCount,
                                caps.MinFrameInterval),
                        1.0);
            EXPECT_NEAR(caps.MinBitsPerSecond,
                        BitRate(caps.MinOutputSize.cx, caps.MinOutputSize.cy, bitmap.biBitCount,
                                caps.MaxFrameInterval),
                        1.0);
            EXPECT_GT(bitmap.biSizeImage, 0u);
        }
    }
    EXPECT_LE(count, 40u);
}

TEST_F(DemoCatalog, CaptureCardOffersTelevisionFormatsOnPreviewAndCapturePins) {
    const CatalogDevice& card = *video_[0];
    const PinDesc* preview = PinOfCategory(card, PIN_CATEGORY_PREVIEW);
    const PinDesc* capture = PinOfCategory(card, PIN_CATEGORY_CAPTURE);
    ASSERT_TRUE(preview && preview->streamConfig);
    ASSERT_TRUE(capture && capture->streamConfig);
    constexpr REFERENCE_TIME kPal = 400000;
    constexpr REFERENCE_TIME kNtsc = 333667;
    for (const PinDesc* pin : {preview, capture}) {
        EXPECT_TRUE(Offers(*pin, MEDIASUBTYPE_UYVY, 720, 576, kPal));
        EXPECT_TRUE(Offers(*pin, MEDIASUBTYPE_YUY2, 720, 576, kPal));
        EXPECT_TRUE(Offers(*pin, MEDIASUBTYPE_UYVY, 720, 480, kNtsc));
    }
    EXPECT_TRUE(Offers(*preview, MEDIASUBTYPE_UYVY, 768, 576, kPal));
    for (const Capability* capability : Capabilities(card)) {
        // 25 fps formats are PAL only, 29.97 fps formats NTSC only.
        const bool pal = VideoFormatOf(*capability).avgTimePerFrame == kPal;
        const ULONG standard = capability->caps.VideoStandard;
        EXPECT_EQ((standard & AnalogVideo_PAL_B) != 0, pal);
        EXPECT_EQ((standard & AnalogVideo_NTSC_M) != 0, !pal);
    }

    ASSERT_TRUE(card.crossbar);
    std::set<LONG> inputs;
    for (const sim::CrossbarInput& input : card.crossbar->inputs) {
        inputs.insert(input.type);
    }
    EXPECT_TRUE(inputs.contains(PhysConn_Video_Composite));
    EXPECT_TRUE(inputs.contains(PhysConn_Video_SVideo));
    EXPECT_TRUE(inputs.contains(PhysConn_Video_Tuner));
}

}  // namespace
}  // namespace capspect
