// The simulated capture graph builder and Smart Tee: FindInterface, FindPin, RenderStream.
#include "platform/directshow/filter_registry.h"
#include "platform/directshow/pin_walk.h"
#include "platform/linux/com.h"
#include "platform/linux/registry.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "tests/sim/capture_fixture.h"

namespace capspect::sim::test {
namespace {

using CaptureGraphBuilder = CaptureTest;

TEST_F(CaptureGraphBuilder, FindsTheStreamConfigOfThePreviewPinElseOfTheCapturePin) {
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_PREVIEW, nullptr, card.Get(),
                                     IID_PPV_ARGS(config.GetAddressOf())),
              S_OK);
    EXPECT_TRUE(
        IsSameObject(config.Get(), PinInterface<IAMStreamConfig>(card.Get(), u"Preview").Get()));

    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    config = nullptr;
    EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_PREVIEW, nullptr, camera.Get(),
                                     IID_PPV_ARGS(config.GetAddressOf())),
              E_FAIL);
    EXPECT_FALSE(config);
    EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                     IID_PPV_ARGS(config.GetAddressOf())),
              S_OK);
    EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, camera.Get(),
                                     IID_PPV_ARGS(config.ReleaseAndGetAddressOf())),
              E_FAIL);
    ComPtr<IAMCrossbar> crossbar;
    EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_STILL, nullptr, camera.Get(),
                                     IID_PPV_ARGS(crossbar.GetAddressOf())),
              E_NOINTERFACE);
}

TEST_F(CaptureGraphBuilder, FindPinMatchesDirectionCategoryTypeAndIndex) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    ComPtr<IPin> pin;
    ASSERT_EQ(builder->FindPin(camera.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, FALSE, 1,
                               pin.GetAddressOf()),
              S_OK);
    EXPECT_TRUE(IsSameObject(pin.Get(), PinNamed(camera.Get(), u"Still").Get()));
    EXPECT_EQ(builder->FindPin(camera.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_PREVIEW, nullptr, FALSE,
                               0, pin.ReleaseAndGetAddressOf()),
              E_FAIL);
    const ComPtr<IPin> still = PinNamed(camera.Get(), u"Still");
    EXPECT_EQ(builder->FindPin(still.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_STILL, nullptr, TRUE, 0,
                               pin.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(builder->FindPin(still.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0,
                               pin.ReleaseAndGetAddressOf()),
              E_FAIL);
}

TEST_F(CaptureGraphBuilder, RendersAPreviewPinThroughTheIntermediateToTheSink) {
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    const ComPtr<IBaseFilter> tee = AddSmartTee();
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");

    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved, card.Get(),
                                    tee.Get(), renderer.Get()),
              E_FAIL);
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, card.Get(), tee.Get(),
                                    renderer.Get()),
              S_OK);
    EXPECT_EQ(PeerFilterName(PinNamed(card.Get(), u"Preview").Get()), u"Smart Tee");
    EXPECT_EQ(PeerFilterName(PinNamed(card.Get(), u"Capture").Get()), u"");
    EXPECT_EQ(PeerFilterName(&renderer->Input()), u"Smart Tee");
    EXPECT_EQ(HeaderOf(renderer->Input().ConnectionType().Get()).bmiHeader.biWidth, 768);
}

TEST_F(CaptureGraphBuilder, RendersToARegisteredRendererWithoutSink) {
    FilterRegistration registration;
    registration.clsid = kAnyVideoRendererClsid;
    registration.friendlyName = u"Test Renderer";
    registration.merit = MERIT_PREFERRED + 1;
    registration.inputTypes = {{MEDIATYPE_Video, GUID_NULL}};
    const ScopedFilterRegistration registered(registration, FactoryFor<AnyVideoRenderer>());
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, card.Get(), nullptr,
                                    nullptr),
              S_OK);
    EXPECT_EQ(PeerFilterName(PinNamed(card.Get(), u"Preview").Get()), u"Test Renderer");
}

TEST_F(CaptureGraphBuilder, PreviewsADeviceWithoutPreviewPinThroughItsOwnSmartTee) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const auto config = PinInterface<IAMStreamConfig>(camera.Get(), u"Capture");
    MediaType yuy2 = Yuy2(640, 480, 333333);
    ASSERT_EQ(config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&yuy2.Get())), S_OK);
    const ComPtr<IBaseFilter> appTee = AddSmartTee();
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");

    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved, camera.Get(),
                                    appTee.Get(), renderer.Get()),
              E_FAIL);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(),
                                    appTee.Get(), renderer.Get()),
              VFW_S_NOPREVIEWPIN);
    // Capture pin → the builder's tee → its preview output → the given tee → renderer.
    EXPECT_EQ(PeerFilterName(PinNamed(camera.Get(), u"Capture").Get()), u"Smart Tee 0001");
    ComPtr<IBaseFilter> builderTee;
    ASSERT_EQ(graph->FindFilterByName(u"Smart Tee 0001", builderTee.GetAddressOf()), S_OK);
    EXPECT_EQ(PeerFilterName(PinNamed(builderTee.Get(), u"Preview").Get()), u"Smart Tee");
    EXPECT_EQ(PeerFilterName(PinNamed(builderTee.Get(), u"Capture").Get()), u"");
    EXPECT_EQ(renderer->Input().ConnectionType()->subtype, MEDIASUBTYPE_YUY2);

    // The capture stream then comes from the tee's capture output.
    const auto recorder = Add<AnyVideoRenderer>(u"Recorder");
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(), nullptr,
                                    recorder.Get()),
              S_OK);
    EXPECT_EQ(PeerFilterName(&recorder->Input()), u"Smart Tee 0001");
}

TEST_F(CaptureGraphBuilder, AFailedRenderLeavesTheGraphAsItWas) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const auto rgbOnly = Add<AnyVideoRenderer>(u"Renderer", MEDIASUBTYPE_RGB32);
    const auto before = FilterNames();
    // The MJPG default format also makes the catalog's RenderPreview fault apply.
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr,
                                    rgbOnly.Get()),
              VFW_E_CANNOT_RENDER);
    const auto config = PinInterface<IAMStreamConfig>(camera.Get(), u"Capture");
    MediaType yuy2 = Yuy2(640, 480, 333333);
    ASSERT_EQ(config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&yuy2.Get())), S_OK);
    EXPECT_TRUE(FAILED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(),
                                             nullptr, rgbOnly.Get())));
    EXPECT_EQ(FilterNames(), before);
    EXPECT_EQ(PeerFilterName(PinNamed(camera.Get(), u"Capture").Get()), u"");
}

TEST_F(CaptureGraphBuilder, ThePreviewFaultFollowsTheCurrentFormat) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr,
                                    renderer.Get()),
              VFW_E_CANNOT_RENDER);
    const auto config = PinInterface<IAMStreamConfig>(camera.Get(), u"Capture");
    MediaType yuy2 = Yuy2(640, 480, 333333);
    ASSERT_EQ(config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&yuy2.Get())), S_OK);
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr,
                                    renderer.Get()),
              VFW_S_NOPREVIEWPIN);

    // Without indices the fault applies whatever the format; other streams are not affected.
    const ComPtr<IBaseFilter> grabber = AddDevice(2, u"Grabber");
    const auto other = Add<AnyVideoRenderer>(u"Other");
    EXPECT_EQ(
        builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, grabber.Get(), nullptr, other.Get()),
        VFW_E_NO_CAPTURE_HARDWARE);
    EXPECT_EQ(
        builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, grabber.Get(), nullptr, other.Get()),
        S_OK);
}

TEST_F(CaptureGraphBuilder, RendersFromAPinWithoutCategory) {
    const ComPtr<IBaseFilter> camera = AddDevice(1, u"Camera");
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    const ComPtr<IPin> vp = PinNamed(camera.Get(), u"VP");
    EXPECT_EQ(builder->RenderStream(nullptr, nullptr, vp.Get(), nullptr, renderer.Get()), S_OK);
    EXPECT_EQ(PeerFilterName(vp.Get()), u"Renderer");
    EXPECT_EQ(builder->RenderStream(nullptr, nullptr, vp.Get(), nullptr, renderer.Get()),
              VFW_E_ALREADY_CONNECTED);
}

TEST_F(CaptureGraphBuilder, EveryFilterMustBeInTheBuildersGraph) {
    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    const auto outside = MakeComObject<AnyVideoRenderer>();
    EXPECT_EQ(
        builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, card.Get(), nullptr, outside.Get()),
        VFW_E_NOT_IN_GRAPH);

    ComPtr<ICaptureGraphBuilder2> fresh;
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(fresh.GetAddressOf())),
              S_OK);
    EXPECT_EQ(fresh->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, card.Get(), nullptr, nullptr),
              VFW_E_NOT_IN_GRAPH);
    ComPtr<IGraphBuilder> own;
    ASSERT_EQ(fresh->GetFiltergraph(own.GetAddressOf()), S_OK);
    EXPECT_FALSE(IsSameObject(own.Get(), graph.Get()));
    EXPECT_EQ(fresh->SetFiltergraph(graph.Get()), E_UNEXPECTED);
}

TEST_F(CaptureGraphBuilder, SmartTeeOutputsFollowTheInput) {
    const ComPtr<IBaseFilter> tee = AddSmartTee();
    const auto renderer = Add<AnyVideoRenderer>(u"Renderer");
    const ComPtr<IPin> preview = PinNamed(tee.Get(), u"Preview");
    ASSERT_TRUE(preview && PinNamed(tee.Get(), u"Capture") && PinNamed(tee.Get(), u"Input"));
    EXPECT_EQ(graph->ConnectDirect(preview.Get(), &renderer->Input(), nullptr),
              VFW_E_NOT_CONNECTED);

    const ComPtr<IBaseFilter> card = AddDevice(0, u"Card");
    ASSERT_EQ(graph->ConnectDirect(PinNamed(card.Get(), u"Capture").Get(),
                                   PinNamed(tee.Get(), u"Input").Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(preview.Get(), &renderer->Input(), nullptr), S_OK);
    EXPECT_EQ(renderer->Input().ConnectionType()->subtype, MEDIASUBTYPE_UYVY);
}

}  // namespace
}  // namespace capspect::sim::test
