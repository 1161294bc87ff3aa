// The Video Renderer and the Overlay Mixer; what every renderer shares.
#include <gtest/gtest.h>

#include "platform/sdk/dshow/control.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "tests/sim/renderer_test_support.h"

namespace capspect::sim::test {
namespace {

struct RendererClass {
    CLSID clsid;
    const char* name;
};

class EveryRendererTest : public RendererTest,
                          public ::testing::WithParamInterface<RendererClass> {};

TEST_P(EveryRendererTest, IsCreatedByClassAndRendersVideoToTheEnd) {
    const CLSID clsid = GetParam().clsid;
    ComPtr<IBaseFilter> renderer = AddByClass(clsid, u"Renderer");
    ASSERT_TRUE(renderer);
    CLSID answered{};
    EXPECT_EQ(renderer->GetClassID(&answered), S_OK);
    EXPECT_EQ(answered, clsid);

    auto source = Add<TypedSource>(u"Source", std::vector{VideoType(MEDIASUBTYPE_YUY2)});
    IBaseFilter* target = renderer.Get();
    ComPtr<IBaseFilter> mixer;
    if (clsid == CLSID_VideoRenderer) {
        // The Video Renderer shows YUY2 itself; no mixer is needed.
    } else if (clsid == CLSID_OverlayMixer) {
        // The mixer is no renderer: its output passes end-of-stream on.
        ComPtr<IBaseFilter> videoRenderer = AddByClass(CLSID_VideoRenderer, u"Video Renderer");
        ASSERT_EQ(graph->ConnectDirect(FirstPin(renderer.Get(), PINDIR_OUTPUT).Get(),
                                       FirstPin(videoRenderer.Get(), PINDIR_INPUT).Get(), nullptr),
                  S_OK);
        mixer = renderer;
        target = videoRenderer.Get();
    }
    ASSERT_EQ(ConnectSource(*source, mixer ? mixer.Get() : target), S_OK);

    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(graph.As(&events), S_OK);
    // Each renderer's own completion, not the graph's summary of them.
    ASSERT_EQ(events->CancelDefaultHandling(EC_COMPLETE), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    source->DeliverEndOfStream();
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(param2, reinterpret_cast<LONG_PTR>(target));
    events->FreeEventParams(code, param1, param2);
    // One completion per renderer, however many inputs it has.
    EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
    control->Stop();
}

INSTANTIATE_TEST_SUITE_P(Classes, EveryRendererTest,
                         ::testing::Values(RendererClass{CLSID_VideoRenderer, "VideoRenderer"},
                                           RendererClass{CLSID_OverlayMixer, "OverlayMixer"},
                                           RendererClass{CLSID_VideoMixingRenderer, "VMR7"},
                                           RendererClass{CLSID_VideoMixingRenderer9, "VMR9"},
                                           RendererClass{CLSID_EnhancedVideoRenderer, "EVR"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RendererTest, RenderersTakeUncompressedVideoWithAVideoHeaderOnly) {
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoMixingRenderer9, u"VMR9");
    ComPtr<IPin> input = FirstPin(renderer.Get(), PINDIR_INPUT);
    EXPECT_EQ(input->QueryAccept(&VideoType(MEDIASUBTYPE_NV12).Get()), S_OK);
    EXPECT_EQ(input->QueryAccept(&WideVideoType(720, 576).Get()), S_OK);
    EXPECT_EQ(input->QueryAccept(&VideoType(MEDIASUBTYPE_MJPG).Get()), S_FALSE);
    EXPECT_EQ(input->QueryAccept(&AudioType().Get()), S_FALSE);
    const MediaType headerless(MEDIATYPE_Video, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo);
    EXPECT_EQ(input->QueryAccept(&headerless.Get()), S_FALSE);
}

TEST_F(RendererTest, CreationFailsWhenArmed) {
    ScopedFault fault("CoCreateInstance(CLSID_EnhancedVideoRenderer)", E_OUTOFMEMORY);
    ComPtr<IBaseFilter> renderer;
    EXPECT_EQ(CoCreateInstance(CLSID_EnhancedVideoRenderer, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(renderer.GetAddressOf())),
              E_OUTOFMEMORY);
    EXPECT_EQ(renderer, nullptr);
}

// ---- Video Renderer ------------------------------------------------------------------

TEST_F(RendererTest, TheVideoWindowKeepsWhatTheGraphForwards) {
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoRenderer, u"Video Renderer");
    ComPtr<IVideoWindow> window;
    ComPtr<IBasicVideo> video;
    ASSERT_EQ(graph.As(&window), S_OK);
    ASSERT_EQ(graph.As(&video), S_OK);
    ComPtr<IVideoWindow> direct;
    ASSERT_EQ(renderer.As(&direct), S_OK);
    // Unconnected, the renderer has no video to place, as on the platform.
    EXPECT_EQ(direct->put_Owner(42), VFW_E_NOT_CONNECTED);

    auto source = Add<TypedSource>(u"Source", std::vector{VideoType(MEDIASUBTYPE_RGB32, 320, 240)});
    ASSERT_EQ(ConnectSource(*source, renderer.Get()), S_OK);
    LONG width = 0;
    LONG height = 0;
    ASSERT_EQ(video->GetVideoSize(&width, &height), S_OK);
    EXPECT_EQ((SIZE{width, height}), (SIZE{320, 240}));

    EXPECT_EQ(window->put_Owner(42), S_OK);
    EXPECT_EQ(window->put_WindowStyle(0x46000000), S_OK);
    EXPECT_EQ(window->SetWindowPosition(10, 20, 640, 360), S_OK);
    EXPECT_EQ(window->put_Visible(OATRUE), S_OK);
    EXPECT_EQ(window->put_Visible(1), E_INVALIDARG);
    EXPECT_EQ(video->SetDestinationPosition(0, 0, 480, 360), S_OK);

    const VideoWindowRecord& record = RendererOf<sim::VideoRenderer>(renderer.Get())->Window();
    EXPECT_EQ(record.owner, 42);
    EXPECT_EQ(record.style, 0x46000000);
    EXPECT_EQ(record.placement, (RECT{10, 20, 650, 380}));
    EXPECT_EQ(record.visible, OATRUE);
    EXPECT_EQ(record.destination, (RECT{0, 0, 480, 360}));
    EXPECT_EQ(video->IsUsingDefaultSource(), S_OK);
    EXPECT_EQ(video->IsUsingDefaultDestination(), S_FALSE);
}

TEST_F(RendererTest, TheSourceRectangleMustLieWithinTheVideo) {
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoRenderer, u"Video Renderer");
    auto source = Add<TypedSource>(u"Source", std::vector{VideoType(MEDIASUBTYPE_YUY2, 320, 240)});
    ASSERT_EQ(ConnectSource(*source, renderer.Get()), S_OK);
    ComPtr<IBasicVideo> video;
    ASSERT_EQ(renderer.As(&video), S_OK);

    EXPECT_EQ(video->SetSourcePosition(0, 0, 321, 240), E_INVALIDARG);
    EXPECT_EQ(video->SetSourcePosition(-1, 0, 100, 100), E_INVALIDARG);
    EXPECT_EQ(video->SetSourcePosition(10, 10, 0, 100), E_INVALIDARG);
    EXPECT_EQ(video->SetSourcePosition(160, 120, 160, 120), S_OK);
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    ASSERT_EQ(video->GetSourcePosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ((RECT{left, top, width, height}), (RECT{160, 120, 160, 120}));
    EXPECT_EQ(video->SetDefaultSourcePosition(), S_OK);
    ASSERT_EQ(video->GetSourcePosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ((RECT{left, top, width, height}), (RECT{0, 0, 320, 240}));
}

// ---- Overlay Mixer -------------------------------------------------------------------

class RecordingSink : public ComObject<IOverlayNotify> {
public:
    HRESULT OnPaletteChange(DWORD, const PALETTEENTRY*) override { return S_OK; }
    HRESULT OnClipChange(const RECT*, const RECT*, const RGNDATA*) override { return S_OK; }
    HRESULT OnColorKeyChange(const COLORKEY* colorKey) override {
        keys.push_back(*colorKey);
        return S_OK;
    }
    HRESULT OnPositionChange(const RECT*, const RECT*) override { return S_OK; }

    std::vector<COLORKEY> keys;
};

class OverlayTest : public RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        mixer = AddByClass(CLSID_OverlayMixer, u"Overlay Mixer");
        ASSERT_EQ(FirstPin(mixer.Get(), PINDIR_INPUT).As(&overlay), S_OK);
    }

    ComPtr<IBaseFilter> mixer;
    ComPtr<IOverlay> overlay;
};

TEST_F(OverlayTest, ANewColorKeyReachesTheAdvisedSink) {
    auto sink = MakeComObject<RecordingSink>();
    ASSERT_EQ(overlay->Advise(sink.Get(), ADVISE_ALL), S_OK);
    COLORKEY key{CK_RGB, 0, RGB(255, 0, 255), RGB(255, 0, 255)};
    ASSERT_EQ(overlay->SetColorKey(&key), S_OK);

    ASSERT_EQ(sink->keys.size(), 1U);
    EXPECT_EQ(sink->keys.front(), key);
    COLORKEY current{};
    EXPECT_EQ(overlay->GetColorKey(&current), S_OK);
    EXPECT_EQ(current, key);
    EXPECT_EQ(RendererOf<OverlayMixer>(mixer.Get())->ColorKey(), key);

    // Only one link per pin; a second, even with no interests, is refused.
    EXPECT_EQ(overlay->Advise(sink.Get(), ADVISE_NONE), VFW_E_ADVISE_ALREADY_SET);
    EXPECT_EQ(overlay->Unadvise(), S_OK);
    EXPECT_EQ(overlay->Unadvise(), VFW_E_NO_SINK);
    ASSERT_EQ(overlay->SetColorKey(&key), S_OK);
    EXPECT_EQ(sink->keys.size(), 1U);
}

TEST_F(OverlayTest, SinksHearOnlyWhatTheyAskedFor) {
    auto sink = MakeComObject<RecordingSink>();
    ASSERT_EQ(overlay->Advise(sink.Get(), ADVISE_CLIPPING | ADVISE_POSITION), S_OK);
    COLORKEY key{CK_RGB, 0, RGB(1, 2, 3), RGB(1, 2, 3)};
    ASSERT_EQ(overlay->SetColorKey(&key), S_OK);
    EXPECT_TRUE(sink->keys.empty());
    COLORKEY none{};
    EXPECT_EQ(overlay->SetColorKey(&none), E_INVALIDARG);
    EXPECT_EQ(overlay->Unadvise(), S_OK);
}

TEST_F(OverlayTest, StartsWithTheDefaultKey) {
    COLORKEY current{};
    ASSERT_EQ(overlay->GetColorKey(&current), S_OK);
    COLORKEY initial{};
    ASSERT_EQ(overlay->GetDefaultColorKey(&initial), S_OK);
    EXPECT_EQ(current, initial);
    EXPECT_EQ(current.HighColorValue, RGB(16, 0, 16));
}

TEST_F(OverlayTest, TheVideoRendererShowsTheMixersInputThroughTheOverlayConnection) {
    ComPtr<IBaseFilter> renderer = AddByClass(CLSID_VideoRenderer, u"Video Renderer");
    ASSERT_EQ(graph->ConnectDirect(FirstPin(mixer.Get(), PINDIR_OUTPUT).Get(),
                                   FirstPin(renderer.Get(), PINDIR_INPUT).Get(), nullptr),
              S_OK);
    MediaType connection;
    ASSERT_EQ(FirstPin(renderer.Get(), PINDIR_INPUT)->ConnectionMediaType(connection.Receive()),
              S_OK);
    EXPECT_EQ(connection->subtype, MEDIASUBTYPE_Overlay);

    ComPtr<IBasicVideo2> video;
    ASSERT_EQ(graph.As(&video), S_OK);
    LONG width = -1;
    LONG height = -1;
    ASSERT_EQ(video->GetVideoSize(&width, &height), S_OK);
    EXPECT_EQ((SIZE{width, height}), (SIZE{0, 0}));

    auto source = Add<TypedSource>(u"Source", std::vector{WideVideoType(720, 576)});
    ASSERT_EQ(ConnectSource(*source, mixer.Get()), S_OK);
    ASSERT_EQ(video->GetVideoSize(&width, &height), S_OK);
    EXPECT_EQ((SIZE{width, height}), (SIZE{720, 576}));
    ASSERT_EQ(video->GetPreferredAspectRatio(&width, &height), S_OK);
    EXPECT_EQ((SIZE{width, height}), (SIZE{16, 9}));
}

TEST_F(OverlayTest, FaultsReachTheOverlayFailurePaths) {
    {
        ScopedFault fault("IUnknown::QueryInterface(IOverlay)", E_NOINTERFACE);
        EXPECT_FALSE(Offers<IOverlay>(FirstPin(mixer.Get(), PINDIR_INPUT).Get()));
    }
    auto sink = MakeComObject<RecordingSink>();
    {
        ScopedFault fault("IOverlay::Advise", E_FAIL);
        EXPECT_EQ(overlay->Advise(sink.Get(), ADVISE_ALL), E_FAIL);
    }
    ASSERT_EQ(overlay->Advise(sink.Get(), ADVISE_ALL), S_OK);
    {
        ScopedFault fault("IOverlay::SetColorKey", E_UNEXPECTED);
        COLORKEY key{CK_RGB, 0, RGB(9, 9, 9), RGB(9, 9, 9)};
        EXPECT_EQ(overlay->SetColorKey(&key), E_UNEXPECTED);
    }
    EXPECT_TRUE(sink->keys.empty());
    EXPECT_EQ(overlay->Unadvise(), S_OK);
}

}  // namespace
}  // namespace capspect::sim::test
