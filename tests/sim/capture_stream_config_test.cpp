// The simulated capture device filter: its pins, categories and IAMStreamConfig.
#include <array>

#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "platform/support/mediatypes.h"
#include "tests/sim/capture_fixture.h"

namespace capspect::sim::test {
namespace {

using StreamConfig = CaptureTest;

struct StreamCaps {
    HRESULT hr;
    UniqueMediaType type;
    VIDEO_STREAM_CONFIG_CAPS caps;
};

StreamCaps CapsAt(IAMStreamConfig& config, int index) {
    StreamCaps result{};
    AM_MEDIA_TYPE* type = nullptr;
    result.hr = config.GetStreamCaps(index, &type, reinterpret_cast<BYTE*>(&result.caps));
    result.type.reset(type);
    return result;
}

UniqueMediaType CurrentFormat(IAMStreamConfig& config) {
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config.GetFormat(&type), S_OK);
    return UniqueMediaType(type);
}

TEST_F(StreamConfig, TheFilterHasTheCatalogsPinsClassAndCategories) {
    const ComPtr<IBaseFilter> card = BindDevice(0);
    CLSID clsid{};
    ASSERT_EQ(card->GetClassID(&clsid), S_OK);
    EXPECT_EQ(GuidToU16String(clsid), u"{17CCA71B-ECD7-11D0-B908-00A0C9223196}");

    const ComPtr<IPin> input = PinNamed(card.Get(), u"Analog Video In");
    ASSERT_TRUE(input);
    PIN_DIRECTION direction{};
    input->QueryDirection(&direction);
    EXPECT_EQ(direction, PINDIR_INPUT);

    const auto properties = PinInterface<IKsPropertySet>(card.Get(), u"Preview");
    ASSERT_TRUE(properties);
    GUID category{};
    DWORD returned = 0;
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                              sizeof category, &returned),
              S_OK);
    EXPECT_EQ(category, PIN_CATEGORY_PREVIEW);
    EXPECT_EQ(returned, sizeof(GUID));
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_MEDIUM, nullptr, 0, &category,
                              sizeof category, &returned),
              E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(properties->Get(GUID_NULL, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                              sizeof category, &returned),
              E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                              sizeof category),
              E_PROP_ID_UNSUPPORTED);

    // A malformed CLSID property gives a filter without a class; a pin without a stream
    // configuration has no IAMStreamConfig.
    const ComPtr<IBaseFilter> camera = BindDevice(1);
    ASSERT_EQ(camera->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, GUID_NULL);
    EXPECT_FALSE(PinInterface<IAMStreamConfig>(camera.Get(), u"Still"));
}

TEST_F(StreamConfig, CapabilitiesComeInIndexOrderWithTheirRecords) {
    const auto config = PinInterface<IAMStreamConfig>(BindDevice(0).Get(), u"Capture");
    ASSERT_TRUE(config);
    int count = 0;
    int size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(size, 128);

    const StreamCaps second = CapsAt(*config, 1);
    ASSERT_EQ(second.hr, S_OK);
    EXPECT_EQ(second.type->subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(HeaderOf(*second.type).bmiHeader.biWidth, 640);
    EXPECT_EQ(second.caps.MinOutputSize.cx, 160);
    EXPECT_EQ(second.caps.MaxFrameInterval, 2000000);

    const StreamCaps third = CapsAt(*config, 2);
    ASSERT_EQ(third.hr, S_OK);
    EXPECT_EQ(third.type->formattype, FORMAT_Vidscope2);
    EXPECT_EQ(third.type->cbFormat, sizeof(VIDEOINFOHEADER2));

    EXPECT_EQ(CapsAt(*config, 3).hr, S_FALSE);
    EXPECT_EQ(CapsAt(*config, -1).hr, E_INVALIDARG);
}

TEST_F(StreamConfig, TheCapsRecordHasTheSizeThePinReports) {
    const ComPtr<IBaseFilter> grabber = BindDevice(2);
    const auto shortRecord = PinInterface<IAMStreamConfig>(grabber.Get(), u"Capture");
    std::array<BYTE, 256> buffer{};
    buffer.fill(0xEE);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(shortRecord->GetStreamCaps(0, &type, buffer.data()), S_OK);
    DeleteMediaType(type);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    std::memcpy(&caps, buffer.data(), sizeof caps);  // the first 52 bytes hold InputSize
    EXPECT_EQ(caps.InputSize.cx, 320);
    EXPECT_EQ(buffer[52], 0xEE) << "nothing is written past the reported size";

    const auto longRecord = PinInterface<IAMStreamConfig>(grabber.Get(), u"Overflow");
    buffer.fill(0xEE);
    ASSERT_EQ(longRecord->GetStreamCaps(0, &type, buffer.data()), S_OK);
    DeleteMediaType(type);
    EXPECT_EQ(buffer[128], 0) << "a longer record is padded with zeros";
    EXPECT_EQ(buffer[199], 0);
    EXPECT_EQ(buffer[200], 0xEE);
}

TEST_F(StreamConfig, SetFormatTakesFormatsWithinACapabilityAndNullRestoresTheDefault) {
    const auto config = PinInterface<IAMStreamConfig>(BindDevice(0).Get(), u"Capture");
    EXPECT_EQ(CurrentFormat(*config)->subtype, MEDIASUBTYPE_UYVY);

    // 320 x 240 at 10 fps lies on the second capability's size steps and interval range.
    MediaType scaled = Yuy2(320, 240, 1000000);
    ASSERT_EQ(config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&scaled.Get())), S_OK);
    const UniqueMediaType current = CurrentFormat(*config);
    EXPECT_EQ(current->subtype, MEDIASUBTYPE_YUY2);
    EXPECT_EQ(HeaderOf(*current).bmiHeader.biWidth, 320);
    EXPECT_EQ(HeaderOf(*current).AvgTimePerFrame, 1000000);

    for (MediaType refused :
         {Yuy2(400, 240, 1000000), Yuy2(320, 240, 3000000), Yuy2(800, 600, 333333)}) {
        EXPECT_EQ(config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&refused.Get())),
                  VFW_E_INVALIDMEDIATYPE);
    }
    EXPECT_EQ(HeaderOf(*CurrentFormat(*config)).bmiHeader.biWidth, 320);

    ASSERT_EQ(config->SetFormat(nullptr), S_OK);
    EXPECT_EQ(CurrentFormat(*config)->subtype, MEDIASUBTYPE_UYVY);
}

TEST_F(StreamConfig, TheCatalogRefusesSetFormatOnlyForItsCapabilities) {
    const auto config = PinInterface<IAMStreamConfig>(BindDevice(0).Get(), u"Capture");
    const StreamCaps refused = CapsAt(*config, 2);
    EXPECT_EQ(config->SetFormat(refused.type.get()), E_ACCESSDENIED);
    EXPECT_EQ(CurrentFormat(*config)->subtype, MEDIASUBTYPE_UYVY);
    const StreamCaps accepted = CapsAt(*config, 1);
    EXPECT_EQ(config->SetFormat(accepted.type.get()), S_OK);
    {
        ScopedFault fault("IAMStreamConfig::SetFormat", E_FAIL);
        EXPECT_EQ(config->SetFormat(nullptr), E_FAIL);
    }
    EXPECT_EQ(CurrentFormat(*config)->subtype, MEDIASUBTYPE_YUY2);
}

TEST_F(StreamConfig, PinFaultsFailTheirCalls) {
    const ComPtr<IBaseFilter> grabber = BindDevice(2);
    const auto config = PinInterface<IAMStreamConfig>(grabber.Get(), u"Capture");
    EXPECT_EQ(CapsAt(*config, 0).hr, S_OK);
    const StreamCaps failing = CapsAt(*config, 1);
    EXPECT_EQ(failing.hr, E_OUTOFMEMORY);
    EXPECT_EQ(failing.type, nullptr);
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config->GetFormat(&type), VFW_E_NOT_CONNECTED);

    int count = 0;
    int size = 0;
    const auto overflow = PinInterface<IAMStreamConfig>(grabber.Get(), u"Overflow");
    EXPECT_EQ(overflow->GetNumberOfCapabilities(&count, &size), E_UNEXPECTED);

    ScopedFault fault("IAMStreamConfig::GetStreamCaps", E_ABORT);
    EXPECT_EQ(CapsAt(*config, 0).hr, E_ABORT);
}

TEST_F(StreamConfig, APinConnectsWithItsFormatAndReconnectsWhenTheFormatChanges) {
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    const ComPtr<IPin> capture = PinNamed(card.Get(), u"Capture");
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(capture.As(&config), S_OK);
    const StreamCaps yuy2 = CapsAt(*config, 1);
    ASSERT_EQ(config->SetFormat(yuy2.type.get()), S_OK);

    ASSERT_EQ(graph->ConnectDirect(capture.Get(), &renderer->Input(), nullptr), S_OK);
    EXPECT_EQ(renderer->Input().ConnectionType()->subtype, MEDIASUBTYPE_YUY2);

    const StreamCaps uyvy = CapsAt(*config, 0);
    ASSERT_EQ(config->SetFormat(uyvy.type.get()), S_OK);
    EXPECT_EQ(renderer->Input().ConnectionType()->subtype, MEDIASUBTYPE_UYVY);
    EXPECT_EQ(CurrentFormat(*config)->subtype, MEDIASUBTYPE_UYVY);
}

TEST_F(StreamConfig, APinWithoutAFormatTakesTheOneItConnectsWith) {
    const ComPtr<IBaseFilter> grabber = AddDevice(2, u"Grabber");
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer", MEDIASUBTYPE_UYVY);
    const ComPtr<IPin> capture = PinNamed(grabber.Get(), u"Capture");
    ASSERT_EQ(graph->ConnectDirect(capture.Get(), &renderer->Input(), nullptr), S_OK);
    EXPECT_EQ(renderer->Input().ConnectionType()->subtype, MEDIASUBTYPE_UYVY);
}

}  // namespace
}  // namespace capspect::sim::test
