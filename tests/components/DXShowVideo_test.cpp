#include "Components/VQDirectShow/DXShowVideo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "framework/Exceptions.h"
#include "platform/directshow/decoders.h"
#include "platform/directshow/renderers.h"
#include "platform/linux/clock.h"
#include "platform/linux/com.h"
#include "platform/linux/gdi.h"
#include "platform/linux/messages.h"
#include "platform/linux/monitors.h"
#include "platform/sdk/clock.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/gdi.h"
#include "platform/sdk/monitors.h"
#include "platform/sdk/syscolor.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/unicode.h"
#include "tests/components/DXShowFixture.h"
#include "tests/support/media_builders.h"
#include "tests/support/temp_dir.h"

namespace capspect::test {
namespace {

using sim::EvrRenderer;
using sim::OverlayMixer;
using sim::RendererOf;
using sim::VideoRenderer;
using sim::Vmr7Renderer;
using sim::Vmr9Renderer;

// A video component that lets tests run the steps of a render one by one, as the render
// operations of file playback and the capture component call them.
class TestDXShowVideo : public TDXShowVideo {
public:
    using TDXShowVideo::TDXShowVideo;

    using TDXShowVideo::AddCustomFilters;
    using TDXShowVideo::AfterRender;
    using TDXShowVideo::CreateVideoRenderer;
    void SetFileName(std::u16string name) { FFileName = std::move(name); }

    // The render sequence: custom filters, the source rendered through the graph, the
    // video placed, then the after-render step.
    void RenderSource(IBaseFilter* source) {
        AddCustomFilters();
        FGraph->AddFilter(source, u"Source");
        ComPtr<IPin> output;
        GetPin(source, PINDIR_OUTPUT, 0, output.GetAddressOf());
        renderResult = FGraph->Render(output.Get());
        if (FDSVideoRenderer != vrVMR9Renderless) {
            UpdateVideoWindow(FDisplayWindow);
        }
        AfterRender();
    }

    HRESULT renderResult = E_FAIL;
};

// A source with one output of the given type.
class StreamSource : public sim::Filter {
public:
    explicit StreamSource(MediaType type) : Filter(kSourceClsid, AM_FILTER_MISC_FLAGS_IS_SOURCE) {
        AddOutputPin(u"Output", {std::move(type)});
    }
};

MediaType StreamOf(const GUID& subtype) {
    return MediaType(MEDIATYPE_Stream, subtype, FORMAT_None);
}

std::vector<std::u16string> FilterNames(IGraphBuilder* graph) {
    std::vector<std::u16string> names;
    ComPtr<IEnumFilters> filters;
    graph->EnumFilters(filters.GetAddressOf());
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        FILTER_INFO info{};
        filter->QueryFilterInfo(&info);
        if (info.pGraph != nullptr) {
            info.pGraph->Release();
        }
        names.emplace_back(info.achName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool IsConnected(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComPtr<IPin> pin;
    bool connected = false;
    return SUCCEEDED(GetPin(filter, direction, 0, pin.GetAddressOf())) &&
           SUCCEEDED(IsPinConnected(pin.Get(), &connected)) && connected;
}

class DXShowVideoTest : public DXShowTest {
protected:
    std::unique_ptr<TestDXShowVideo> CreateVideo(TDSVideoRenderer renderer = vrOverlay) {
        auto video = std::make_unique<TestDXShowVideo>(Reports());
        video->SetDSVideoRenderer(renderer);
        video->SetOnAddVideoRenderer([this](TComponent&) { ++addedRenderers; });
        return video;
    }

    // A video component whose renderer shows in the window; the errors of placing a video
    // window that does not run yet are dropped.
    std::unique_ptr<TestDXShowVideo> CreateShownVideo(TDSVideoRenderer renderer,
                                                      TPlainWinControl& window) {
        auto video = CreateVideo(renderer);
        video->SetDisplayWindow(&window);
        video->CreateVideoRenderer();
        errors.clear();
        return video;
    }

    int addedRenderers = 0;
};

// ---- Construction and renderer creation ---------------------------------------------------

TEST_F(DXShowVideoTest, StartsWithQuickStartAndNoRenderer) {
    const auto video = CreateVideo();
    EXPECT_TRUE(video->QuickStart());
    EXPECT_EQ(video->DSVideoRenderer(), vrOverlay);
    EXPECT_EQ(video->CurrentVideoRenderer(), vrOverlay);
    EXPECT_EQ(video->VMRAlphaBitmap(), nullptr);
    EXPECT_EQ(video->VideoRenderer(), nullptr);
    EXPECT_FALSE(video->IsVMR7());
    EXPECT_FALSE(video->IsVMR9());
    EXPECT_FALSE(video->IsEVR());
}

TEST_F(DXShowVideoTest, OverlayPathConnectsMixerToRendererAndAdvisesTheMixerInput) {
    const auto video = CreateVideo(vrOverlay);
    EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
    EXPECT_EQ(addedRenderers, 1);
    EXPECT_EQ(FilterNames(video->Graph().Get()),
              (std::vector<std::u16string>{u"Overlay Mixer", u"Video Renderer"}));
    auto* mixer = RendererOf<OverlayMixer>(video->OverlayMixer().Get());
    ASSERT_NE(mixer, nullptr);
    ASSERT_NE(RendererOf<VideoRenderer>(video->VideoRenderer().Get()), nullptr);
    EXPECT_TRUE(IsConnected(video->OverlayMixer().Get(), PINDIR_OUTPUT));
    EXPECT_NE(mixer->Input().Sink(), nullptr);
    EXPECT_EQ(mixer->Input().Interests(), ADVISE_ALL);
    EXPECT_EQ(video->VMRAlphaBitmap(), nullptr);
    EXPECT_FALSE(video->IsVMR7() || video->IsVMR9() || video->IsEVR());
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowVideoTest, OverlayWithoutIOverlayIsReportedAndLeavesNoLink) {
    const auto video = CreateVideo(vrOverlay);
    const ScopedFault refused("IUnknown::QueryInterface(IOverlay)", E_NOINTERFACE);
    EXPECT_EQ(video->CreateVideoRenderer(), E_NOINTERFACE);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0], (Report{E_NOINTERFACE, FormatErrorReport(E_NOINTERFACE,
                                                                  u"Could not obtain the IOverlay "
                                                                  u"Interface")}));
    EXPECT_EQ(RendererOf<OverlayMixer>(video->OverlayMixer().Get())->Input().Sink(), nullptr);
}

TEST_F(DXShowVideoTest, OverlayMixerThatCannotBeMadeReportsTheMissingPin) {
    const auto video = CreateVideo(vrOverlay);
    const ScopedFault refused("CoCreateInstance(CLSID_OverlayMixer)", E_OUTOFMEMORY);
    const HRESULT hr = video->CreateVideoRenderer();
    EXPECT_TRUE(FAILED(hr));
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0],
              (Report{hr, FormatErrorReport(hr, u"Could not get Input Pin of Video Renderer")}));
    EXPECT_EQ(addedRenderers, 1);
}

TEST_F(DXShowVideoTest, VMR7IsPutIntoMixingModeWithItsOwnOverlayBitmap) {
    const auto video = CreateVideo(vrVMR7);
    EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
    EXPECT_EQ(FilterNames(video->Graph().Get()), (std::vector<std::u16string>{u"VMR7"}));
    auto* renderer = RendererOf<Vmr7Renderer>(video->VideoRenderer().Get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->Config().streams, 1U);
    EXPECT_TRUE(video->IsVMR7());
    EXPECT_EQ(video->CurrentVideoRenderer(), vrVMR7);
    EXPECT_NE(dynamic_cast<TVMRAlphaBitmap7*>(video->VMRAlphaBitmap()), nullptr);
    EXPECT_EQ(&video->VMRAlphaBitmap()->DXShow(), video.get());
}

TEST_F(DXShowVideoTest, VMR9KeepsItsDefaultWindowedMode) {
    const auto video = CreateVideo(vrVMR9);
    EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
    EXPECT_EQ(FilterNames(video->Graph().Get()), (std::vector<std::u16string>{u"VMR9"}));
    auto* renderer = RendererOf<Vmr9Renderer>(video->VideoRenderer().Get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->Config().renderingMode, VMR9Mode_Windowed);
    EXPECT_TRUE(video->IsVMR9());
    EXPECT_NE(dynamic_cast<TVMRAlphaBitmap9*>(video->VMRAlphaBitmap()), nullptr);
}

TEST_F(DXShowVideoTest, WindowlessVMR9ClipsToTheDisplayWindow) {
    const auto video = CreateVideo(vrVMR9Windowless);
    TPlainWinControl window(640, 480);
    video->SetDisplayWindow(&window);
    errors.clear();
    EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
    auto* renderer = RendererOf<Vmr9Renderer>(video->VideoRenderer().Get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->Config().renderingMode, VMR9Mode_Windowless);
    EXPECT_EQ(renderer->Windowless().clippingWindow, window.Handle());
    EXPECT_EQ(video->CurrentVideoRenderer(), vrVMR9Windowless);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowVideoTest, RenderlessVMR9AlwaysGetsANewOverlayBitmap) {
    const auto video = CreateVideo(vrVMR9);
    video->CreateVideoRenderer();
    const TVMRAlphaBitmap* windowed = video->VMRAlphaBitmap();
    video->TearDownGraph();
    video->SetDSVideoRenderer(vrVMR9Renderless);
    EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
    auto* renderer = RendererOf<Vmr9Renderer>(video->VideoRenderer().Get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->Config().renderingMode, VMR9Mode_Renderless);
    EXPECT_NE(dynamic_cast<TVMRAlphaBitmap9*>(video->VMRAlphaBitmap()), nullptr);
    EXPECT_NE(video->VMRAlphaBitmap(), windowed);
}

TEST_F(DXShowVideoTest, EVRFetchesItsPresenterAndMixerControls) {
    const auto video = CreateVideo(vrEVR);
    TPlainWinControl window(800, 450);
    video->SetDisplayWindow(&window);
    EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
    EXPECT_EQ(FilterNames(video->Graph().Get()), (std::vector<std::u16string>{u"EVR"}));
    EXPECT_TRUE(video->IsEVR());
    EXPECT_NE(dynamic_cast<TEVR9AlphaBitmap*>(video->VMRAlphaBitmap()), nullptr);
    video->UpdateVideoWindow(&window);
    const auto& record = RendererOf<EvrRenderer>(video->VideoRenderer().Get())->Record();
    EXPECT_EQ(record.videoWindow, window.Handle());
    EXPECT_EQ(record.aspectRatioMode, MFVideoARMode_PreservePicture | MFVideoARMode_PreservePixel);
    EXPECT_EQ(record.source, (MFVideoNormalizedRect{0, 0, 1, 1}));
    EXPECT_EQ(record.destination, (RECT{0, 0, 800, 450}));
}

TEST_F(DXShowVideoTest, EVRWithoutDisplayWindowIsNotPlaced) {
    const auto video = CreateVideo(vrEVR);
    video->CreateVideoRenderer();
    video->UpdateVideoWindow(nullptr);
    const auto& record = RendererOf<EvrRenderer>(video->VideoRenderer().Get())->Record();
    EXPECT_EQ(record.videoWindow, nullptr);
    EXPECT_EQ(record.positionChanges, 0);
}

TEST_F(DXShowVideoTest, RendererChoiceOutsideTheSixCreatesNothingButStillNotifies) {
    const auto video = CreateVideo(static_cast<TDSVideoRenderer>(6));
    EXPECT_EQ(video->CreateVideoRenderer(), E_INVALIDARG);
    EXPECT_TRUE(FilterNames(video->Graph().Get()).empty());
    EXPECT_EQ(video->VideoRenderer(), nullptr);
    EXPECT_EQ(addedRenderers, 1);
}

TEST_F(DXShowVideoTest, RendererThatCannotBeCreatedLeavesNoRendererAndNoFallback) {
    struct Case {
        TDSVideoRenderer renderer;
        const char* fault;
    };
    for (const Case& c : {Case{vrVMR7, "CoCreateInstance(CLSID_VideoMixingRenderer)"},
                          Case{vrVMR9, "CoCreateInstance(CLSID_VideoMixingRenderer9)"},
                          Case{vrVMR9Windowless, "CoCreateInstance(CLSID_VideoMixingRenderer9)"},
                          Case{vrEVR, "CoCreateInstance(CLSID_EnhancedVideoRenderer)"}}) {
        SCOPED_TRACE(c.fault);
        addedRenderers = 0;
        const auto video = CreateVideo(c.renderer);
        const ScopedFault refused(c.fault, REGDB_E_CLASSNOTREG);
        EXPECT_EQ(video->CreateVideoRenderer(), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(video->VideoRenderer(), nullptr);
        EXPECT_TRUE(FilterNames(video->Graph().Get()).empty());
        EXPECT_EQ(video->VMRAlphaBitmap(), nullptr);
        EXPECT_EQ(addedRenderers, 1);
    }
}

TEST_F(DXShowVideoTest, VMR9WhoseCreationRaisesIsSkippedAndTheFloatingPointStateRestored) {
    const ScopedClassRegistration raising(CLSID_VideoMixingRenderer9,
                                          [](REFIID, void**) -> HRESULT {
                                              std::fesetround(FE_UPWARD);
                                              throw std::runtime_error("driver failure");
                                          });
    for (const TDSVideoRenderer renderer : {vrVMR9, vrVMR9Windowless, vrVMR9Renderless}) {
        const auto video = CreateVideo(renderer);
        ASSERT_EQ(std::fegetround(), FE_TONEAREST);
        EXPECT_EQ(video->CreateVideoRenderer(), S_FALSE);
        EXPECT_EQ(std::fegetround(), FE_TONEAREST);
        EXPECT_EQ(video->VideoRenderer(), nullptr);
        EXPECT_EQ(video->VMRAlphaBitmap(), nullptr);
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(DXShowVideoTest, WindowlessAndRenderlessConfigurationFailuresRaise) {
    struct Case {
        TDSVideoRenderer renderer;
        const char* fault;
        const char16_t* message;
    };
    for (const Case& c : {Case{vrVMR9Windowless, "IUnknown::QueryInterface(IVMRFilterConfig9)",
                               u"Cannot get IVMRFilterConfig9 from VMR9"},
                          Case{vrVMR9Windowless, "IVMRFilterConfig9::SetRenderingMode",
                               u"Failed to set VMR9 to the windowless mode"},
                          Case{vrVMR9Renderless, "IUnknown::QueryInterface(IVMRFilterConfig9)",
                               u"Cannot get IVMRFilterConfig9 from VMR9"},
                          Case{vrVMR9Renderless, "IVMRFilterConfig9::SetRenderingMode",
                               u"Failed to set VMR9 to the renderless mode"}}) {
        SCOPED_TRACE(c.fault);
        errors.clear();
        addedRenderers = 0;
        const auto video = CreateVideo(c.renderer);
        const ScopedFault refused(c.fault, E_NOINTERFACE);
        try {
            video->CreateVideoRenderer();
            ADD_FAILURE() << "no exception";
        } catch (const EDShowError& error) {
            EXPECT_EQ(error.HResult(), E_NOINTERFACE);
        }
        ASSERT_EQ(errors.size(), 1U);
        EXPECT_EQ(errors[0], (Report{E_NOINTERFACE, FormatErrorReport(E_NOINTERFACE, c.message)}));
        // The exception ends the render before the renderer is announced.
        EXPECT_EQ(addedRenderers, 0);
    }
}

TEST_F(DXShowVideoTest, WindowlessControlProblemsAreReportedAndCreationGoesOn) {
    TPlainWinControl window(640, 480);
    {
        const auto video = CreateVideo(vrVMR9Windowless);
        video->SetDisplayWindow(&window);
        errors.clear();
        const ScopedFault refused("IUnknown::QueryInterface(IVMRWindowlessControl9)",
                                  E_NOINTERFACE);
        EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
        ASSERT_EQ(errors.size(), 1U);
        EXPECT_EQ(errors[0], (Report{E_NOINTERFACE, FormatErrorReport(E_NOINTERFACE,
                                                                      u"IVMRWindowlessControl9 not "
                                                                      u"supported")}));
    }
    errors.clear();
    {
        const auto video = CreateVideo(vrVMR9Windowless);
        video->SetDisplayWindow(&window);
        errors.clear();
        const ScopedFault refused("IVMRWindowlessControl9::SetVideoClippingWindow", E_FAIL);
        EXPECT_EQ(video->CreateVideoRenderer(), S_OK);
        ASSERT_EQ(errors.size(), 1U);
        EXPECT_EQ(
            errors[0],
            (Report{E_FAIL, FormatErrorReport(E_FAIL, u"WindowlessControll.SetClippingWindow")}));
    }
}

TEST_F(DXShowVideoTest, OverlayBitmapObjectsAreReusedOrReplacedByKind) {
    const auto video = CreateVideo(vrEVR);
    video->CreateVideoRenderer();
    const TVMRAlphaBitmap* evrBitmap = video->VMRAlphaBitmap();
    video->TearDownGraph();
    video->CreateVideoRenderer();
    EXPECT_EQ(video->VMRAlphaBitmap(), evrBitmap);

    // The VMR-9 only installs one when there is none.
    video->TearDownGraph();
    video->SetDSVideoRenderer(vrVMR9);
    video->CreateVideoRenderer();
    EXPECT_EQ(video->VMRAlphaBitmap(), evrBitmap);

    video->TearDownGraph();
    video->SetDSVideoRenderer(vrVMR7);
    video->CreateVideoRenderer();
    EXPECT_NE(dynamic_cast<TVMRAlphaBitmap7*>(video->VMRAlphaBitmap()), nullptr);

    // The overlay path leaves the object alone.
    video->TearDownGraph();
    const TVMRAlphaBitmap* vmr7Bitmap = video->VMRAlphaBitmap();
    video->SetDSVideoRenderer(vrOverlay);
    video->CreateVideoRenderer();
    EXPECT_EQ(video->VMRAlphaBitmap(), vmr7Bitmap);
}

// ---- Rendering with quick start -----------------------------------------------------------

class QuickStartTest : public DXShowVideoTest {
protected:
    std::u16string WriteFile(const char* name, const Bytes& bytes) {
        return Utf8ToUtf16(dir.Write(name, bytes).string());
    }

    std::u16string Mpeg1File() {
        return WriteFile("clip.mpg", MpegProgramStream(1, Mpeg1VideoStream()));
    }
    std::u16string Mpeg2File() {
        return WriteFile("clip2.mpg", MpegProgramStream(2, Mpeg2VideoStream()));
    }
    std::u16string DvAviFile() {
        return WriteFile("dv.avi", AviFile(Concat({AviStreamList("vids", Handler::Of("dvsd"))})));
    }

    static std::vector<std::u16string> CustomFilterNames(TestDXShowVideo& video) {
        video.AddCustomFilters();
        return FilterNames(video.Graph().Get());
    }

    TempDir dir;
};

TEST_F(QuickStartTest, RecognisedLocalFilesGetTheirSplitterAndDecoderBeforeTheRenderer) {
    const auto video = CreateVideo(vrVMR9);
    video->SetFileName(Mpeg1File());
    EXPECT_EQ(CustomFilterNames(*video),
              (std::vector<std::u16string>{u"MPEG Video Decoder (RX-Quickstart)",
                                           u"MPEG-I Stream Splitter (RX-Quickstart)", u"VMR9"}));

    video->TearDownGraph();
    video->SetFileName(DvAviFile());
    EXPECT_EQ(CustomFilterNames(*video),
              (std::vector<std::u16string>{u"AVI Splitter (RX-Quickstart)",
                                           u"DV Video Decoder (RX-Quickstart)", u"VMR9"}));
}

TEST_F(QuickStartTest, OtherSourcesGetOnlyTheRenderer) {
    const std::vector<std::u16string> rendererOnly{u"VMR9"};
    const auto video = CreateVideo(vrVMR9);
    for (const std::u16string& name :
         {Mpeg2File(), Utf8ToUtf16((dir.path() / "missing.mpg").string()), std::u16string()}) {
        video->TearDownGraph();
        video->SetFileName(name);
        EXPECT_EQ(CustomFilterNames(*video), rendererOnly) << Utf16ToUtf8(name);
    }
    video->TearDownGraph();
    video->SetQuickStart(false);
    video->SetFileName(Mpeg1File());
    EXPECT_EQ(CustomFilterNames(*video), rendererOnly);
}

TEST_F(QuickStartTest, NetworkNamesAreNotIdentifiedEvenWhenALocalPathMatches) {
    // "mms://clip.mpg" names the local file "mms:/clip.mpg" relative to the working folder.
    std::filesystem::create_directory(dir.path() / "MmS:");
    dir.Write(std::filesystem::path("MmS:") / "clip.mpg", MpegProgramStream(1, Mpeg1VideoStream()));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto video = CreateVideo(vrVMR9);
    video->SetFileName(u"MmS://clip.mpg");
    const auto names = CustomFilterNames(*video);
    std::filesystem::current_path(previous);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"VMR9"}));

    // Without the prefix the same file gets the MPEG filters.
    video->TearDownGraph();
    video->SetFileName(Utf8ToUtf16((dir.path() / "MmS:" / "clip.mpg").string()));
    EXPECT_EQ(CustomFilterNames(*video).size(), 3U);
}

TEST_F(QuickStartTest, RenderUsesTheQuickStartFiltersAndDropsTheUnusedOnes) {
    const auto video = CreateVideo(vrVMR9);
    video->SetFileName(Mpeg1File());
    video->RenderSource(MakeComObject<StreamSource>(StreamOf(MEDIASUBTYPE_MPEG1System)).Get());
    EXPECT_TRUE(SUCCEEDED(video->renderResult));
    // The splitter's audio stream renders through the registered audio decoder and renderer.
    EXPECT_EQ(FilterNames(video->Graph().Get()),
              (std::vector<std::u16string>{u"Default DirectSound Device", u"MPEG Audio Decoder",
                                           u"MPEG Video Decoder (RX-Quickstart)",
                                           u"MPEG-I Stream Splitter (RX-Quickstart)", u"Source",
                                           u"VMR9"}));
    EXPECT_TRUE(IsConnected(video->VideoRenderer().Get(), PINDIR_INPUT));
    EXPECT_EQ(TDXShow::RecentFilters().Count(), 6);

    // A picture the renderer takes as it is leaves both quick-start filters unused.
    video->TearDownGraph();
    video->SetFileName(Mpeg1File());
    video->RenderSource(MakeComObject<SourceFilter>().Get());
    EXPECT_EQ(FilterNames(video->Graph().Get()), (std::vector<std::u16string>{u"Source", u"VMR9"}));
}

// ---- Placement -----------------------------------------------------------------------------

TEST_F(DXShowVideoTest, WindowlessVideoIsPlacedInTheDisplayWindow) {
    const auto video = CreateVideo(vrVMR9Windowless);
    TPlainWinControl window(800, 600);
    video->SetDisplayWindow(&window);
    errors.clear();
    video->RenderSource(MakeComObject<SourceFilter>().Get());
    const auto& windowless = RendererOf<Vmr9Renderer>(video->VideoRenderer().Get())->Windowless();
    EXPECT_EQ(windowless.aspectRatioMode, VMR9ARMode_LetterBox);
    EXPECT_EQ(windowless.source, (RECT{0, 0, 640, 480}));
    EXPECT_EQ(windowless.destination, (RECT{0, 0, 800, 600}));
    EXPECT_EQ(windowless.displayModeChanges, 0);

    video->SetIgnoreAspectRatio(true);
    window.SetClientSize(320, 200);
    video->UpdateVideoWindow(&window);
    EXPECT_EQ(windowless.aspectRatioMode, VMR9ARMode_None);
    EXPECT_EQ(windowless.destination, (RECT{0, 0, 320, 200}));
    EXPECT_TRUE(errors.empty());

    const ScopedFault refused("IVMRWindowlessControl9::SetVideoPosition", E_FAIL);
    video->UpdateVideoWindow(&window);
    ASSERT_EQ(errors.size(), 1U);
    EXPECT_EQ(errors[0],
              (Report{E_FAIL, FormatErrorReport(E_FAIL, u"WindowlessControll.SetVideoPosition")}));
}

TEST_F(DXShowVideoTest, MovingWindowlessVideoToAnotherMonitorTellsTheRendererOnce) {
    const auto video = CreateVideo(vrVMR9Windowless);
    TPlainWinControl first(640, 480);
    TPlainWinControl second(640, 480);
    SetWindowMonitor(second.Handle(), 1);
    video->CreateVideoRenderer();
    const auto& windowless = RendererOf<Vmr9Renderer>(video->VideoRenderer().Get())->Windowless();

    // No previous display window: nothing to compare with.
    video->UpdateVideoWindow(&first);
    EXPECT_EQ(windowless.displayModeChanges, 0);
    video->UpdateVideoWindow(&second);
    EXPECT_EQ(windowless.displayModeChanges, 1);
    EXPECT_EQ(windowless.clippingWindow, second.Handle());
    EXPECT_EQ(video->DisplayWindow(), &second);
    video->UpdateVideoWindow(&second);
    EXPECT_EQ(windowless.displayModeChanges, 1);
    SetWindowMonitor(second.Handle(), -1);
}

TEST_F(DXShowVideoTest, WindowlessDisplayWindowIsForgottenWhenItIsFreed) {
    const auto video = CreateVideo(vrVMR9Windowless);
    video->CreateVideoRenderer();
    {
        TPlainWinControl window(640, 480);
        video->UpdateVideoWindow(&window);
        EXPECT_EQ(video->DisplayWindow(), &window);
    }
    EXPECT_EQ(video->DisplayWindow(), nullptr);
    video->RePaintVideo(reinterpret_cast<HDC>(0x1234));
}

TEST_F(DXShowVideoTest, SwitchingBackToTheOverlayUsesTheGraphsVideoWindow) {
    const auto video = CreateVideo(vrEVR);
    TPlainWinControl window(640, 480);
    video->SetDisplayWindow(&window);
    video->RenderSource(MakeComObject<SourceFilter>().Get());
    video->TearDownGraph();
    video->SetDSVideoRenderer(vrOverlay);
    video->RenderSource(MakeComObject<SourceFilter>().Get());
    EXPECT_EQ(video->CurrentVideoRenderer(), vrOverlay);
    const auto* renderer = RendererOf<VideoRenderer>(video->VideoRenderer().Get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->Window().owner, reinterpret_cast<OAHWND>(window.Handle()));
    EXPECT_TRUE(renderer->Window().placement.has_value());
}

TEST_F(DXShowVideoTest, RepaintGoesOnlyToWindowlessRenderersWithARealDeviceContext) {
    const auto video = CreateVideo(vrVMR9Windowless);
    TPlainWinControl window(640, 480);
    video->SetDisplayWindow(&window);
    video->CreateVideoRenderer();
    const auto& windowless = RendererOf<Vmr9Renderer>(video->VideoRenderer().Get())->Windowless();
    video->RePaintVideo(nullptr);
    video->RePaintVideo(reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0xFFFFFFFFU)));
    EXPECT_EQ(windowless.repaints, 0);
    const HDC dc = reinterpret_cast<HDC>(0x5678);
    video->RePaintVideo(dc);
    EXPECT_EQ(windowless.repaints, 1);
    EXPECT_EQ(windowless.repaintWindow, window.Handle());
    EXPECT_EQ(windowless.repaintDc, dc);

    // Teardown releases the control; the old renderer hears nothing more.
    const ComPtr<IBaseFilter> oldRenderer = video->VideoRenderer();
    video->TearDownGraph();
    video->RePaintVideo(dc);
    EXPECT_EQ(RendererOf<Vmr9Renderer>(oldRenderer.Get())->Windowless().repaints, 1);
}

TEST_F(DXShowVideoTest, RepaintAsksTheEVRPresenter) {
    const auto video = CreateVideo(vrEVR);
    video->CreateVideoRenderer();
    video->RePaintVideo(nullptr);
    EXPECT_EQ(RendererOf<EvrRenderer>(video->VideoRenderer().Get())->Record().repaints, 1);
}

// ---- Colour key ----------------------------------------------------------------------------

TEST_F(DXShowVideoTest, ColorKeyIsSetOnTheMixerAndComesBackOnePumpLater) {
    const auto video = CreateVideo(vrOverlay);
    std::vector<TColor> keys;
    video->SetOnColorKeyChanged([&](TComponent& sender, TColor key) {
        EXPECT_EQ(&sender, video.get());
        keys.push_back(key);
    });
    // Without a mixer nothing happens.
    video->SetColorKey(0x0000FF);
    video->CreateVideoRenderer();
    auto* mixer = RendererOf<OverlayMixer>(video->OverlayMixer().Get());

    video->SetColorKey(0x0000FF);
    EXPECT_EQ(mixer->ColorKey(), (COLORKEY{CK_RGB, 0, 0x0000FF, 0x0000FF}));
    EXPECT_TRUE(keys.empty());
    ProcessMessagesUntilIdle();
    EXPECT_EQ(keys, (std::vector<TColor>{0x0000FF}));

    // A system colour is resolved to its RGB value.
    video->SetColorKey(clSystemColor | COLOR_WINDOW);
    EXPECT_EQ(mixer->ColorKey().HighColorValue, GetSysColor(COLOR_WINDOW));
    ProcessMessagesUntilIdle();
    EXPECT_EQ(keys.back(), static_cast<TColor>(GetSysColor(COLOR_WINDOW)));
}

TEST_F(DXShowVideoTest, ColorKeyNewsFromTheMixersThreadIsHandledOnTheComponentsThread) {
    const auto video = CreateVideo(vrOverlay);
    std::vector<std::pair<TColor, std::thread::id>> keys;
    video->SetOnColorKeyChanged(
        [&](TComponent&, TColor key) { keys.emplace_back(key, std::this_thread::get_id()); });
    video->CreateVideoRenderer();
    auto* mixer = RendererOf<OverlayMixer>(video->OverlayMixer().Get());
    std::thread mixerThread([mixer] {
        mixer->Input().NotifyColorKey(COLORKEY{CK_RGB, 0, 0x010203, 0x102030});
    });
    mixerThread.join();
    EXPECT_TRUE(keys.empty());
    ProcessMessagesUntilIdle();
    ASSERT_EQ(keys.size(), 1U);
    EXPECT_EQ(keys[0].first, 0x102030);
    EXPECT_EQ(keys[0].second, std::this_thread::get_id());
}

// The platform refuses a second advise on a pin, also Advise(sink, 0); teardown therefore
// ends the link with Unadvise.
TEST_F(DXShowVideoTest, TeardownEndsTheOverlayAdviseLink) {
    const auto video = CreateVideo(vrOverlay);
    int changes = 0;
    video->SetOnColorKeyChanged([&](TComponent&, TColor) { ++changes; });
    video->CreateVideoRenderer();
    const ComPtr<IBaseFilter> mixerFilter = video->OverlayMixer();
    auto* mixer = RendererOf<OverlayMixer>(mixerFilter.Get());
    video->TearDownGraph();
    EXPECT_EQ(mixer->Input().Sink(), nullptr);
    EXPECT_EQ(video->OverlayMixer(), nullptr);
    mixer->Input().NotifyColorKey(OverlayMixer::kDefaultColorKey);
    ProcessMessagesUntilIdle();
    EXPECT_EQ(changes, 0);
}

TEST_F(DXShowVideoTest, AMixerThatOutlivesTheComponentCannotReachIt) {
    ComPtr<IBaseFilter> mixerFilter;
    {
        auto video = CreateVideo(vrOverlay);
        video->CreateVideoRenderer();
        mixerFilter = video->OverlayMixer();
        // The link survives teardown when the mixer refuses to end it.
        const ScopedFault refused("IOverlay::Unadvise", E_FAIL);
        video.reset();
    }
    auto* mixer = RendererOf<OverlayMixer>(mixerFilter.Get());
    ASSERT_NE(mixer->Input().Sink(), nullptr);
    mixer->Input().NotifyColorKey(OverlayMixer::kDefaultColorKey);
    EXPECT_EQ(ProcessMessagesUntilIdle(), 0U);
}

// ---- Teardown and looping ------------------------------------------------------------------

TEST_F(DXShowVideoTest, TeardownStopsTheGraphBeforeTheFiltersGo) {
    const auto video = CreateVideo(vrVMR9);
    video->RenderSource(MakeComObject<SourceFilter>().Get());
    ASSERT_EQ(video->Run(), S_OK);
    journal.clear();
    video->TearDownGraph();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.front(), "Stop");
    EXPECT_TRUE(FilterNames(video->Graph().Get()).empty());
    EXPECT_EQ(video->VideoRenderer(), nullptr);
    EXPECT_FALSE(video->IsVMR9());
    // The renderer kind stays until the next creation.
    EXPECT_EQ(video->CurrentVideoRenderer(), vrVMR9);
}

TEST_F(DXShowVideoTest, LoopingRestartsTheGraphAroundTheSeekExceptForTheEVR) {
    for (const TDSVideoRenderer renderer : {vrVMR9, vrEVR}) {
        SCOPED_TRACE(renderer);
        const auto video = CreateVideo(renderer);
        video->SetLoop(true);
        video->RenderSource(MakeComObject<SourceFilter>().Get());
        ASSERT_EQ(video->Run(), S_OK);
        journal.clear();
        PostEvent(*video, EC_COMPLETE);
        ProcessMessagesUntilIdle();
        const bool restarted = std::find(journal.begin(), journal.end(), "Run") != journal.end();
        EXPECT_EQ(restarted, renderer != vrEVR);
        EXPECT_EQ(std::find(journal.begin(), journal.end(), "Stop") != journal.end(),
                  renderer != vrEVR);
    }
}

// ---- Blending and fades --------------------------------------------------------------------

// What a renderer's mixer shows over the video, whatever the renderer.
struct MixerView {
    bool shown = false;
    float alpha = 0.0F;
    std::optional<COLORREF> colorKey;
    const sim::MixerPicture* picture = nullptr;
    // The alpha in force after every call the mixer accepted.
    std::vector<float> alphas;
};

template <typename Record>
MixerView ViewOfVmr(const sim::MixerBitmapRecord<Record>& record) {
    MixerView view;
    for (const Record& entry : record.history) {
        view.alphas.push_back(entry.fAlpha);
    }
    if (record.current) {
        view.shown = sim::IsShown(*record.current);
        view.alpha = record.current->fAlpha;
        if ((record.current->dwFlags & VMRBITMAP_SRCCOLORKEY) != 0) {
            view.colorKey = record.current->clrSrcKey;
        }
    }
    view.picture = record.picture ? &*record.picture : nullptr;
    return view;
}

MixerView ViewOf(const TDXShowVideo& video) {
    IBaseFilter* renderer = video.VideoRenderer().Get();
    if (const auto* vmr7 = RendererOf<Vmr7Renderer>(renderer)) {
        return ViewOfVmr(vmr7->Bitmap());
    }
    if (const auto* vmr9 = RendererOf<Vmr9Renderer>(renderer)) {
        return ViewOfVmr(vmr9->Bitmap());
    }
    const auto& record = RendererOf<EvrRenderer>(renderer)->Record().bitmap;
    MixerView view;
    for (const MFVideoAlphaBitmap& entry : record.history) {
        view.alphas.push_back(entry.params.fAlpha);
    }
    if (record.current) {
        view.shown = sim::IsShown(*record.current);
        view.alpha = record.current->params.fAlpha;
        if ((record.current->params.dwFlags & MFVideoAlphaBitmap_SrcColorKey) != 0) {
            view.colorKey = record.current->params.clrSrcKey;
        }
    }
    view.picture = record.picture ? &*record.picture : nullptr;
    return view;
}

std::unique_ptr<TBitmap> RedPicture() {
    auto bitmap = std::make_unique<TBitmap>(16, 12);
    bitmap->Canvas().SetBrushColor(0x0000FF);
    bitmap->Canvas().FillRect(RECT{0, 0, 16, 12});
    return bitmap;
}

constexpr COLORREF kMagenta = RGB(255, 0, 255);

TEST_F(DXShowVideoTest, WithoutAnOverlayObjectBlendsAndFadesDoNothing) {
    const TestClock clock;
    const auto video = CreateVideo(vrOverlay);
    video->CreateVideoRenderer();
    ASSERT_EQ(video->VMRAlphaBitmap(), nullptr);
    const auto picture = RedPicture();
    const std::size_t gdiObjects = GdiObjectCount();
    const DWORD start = timeGetTime();
    video->Blend(picture.get(), clFuchsia, 0);
    video->Blend(picture.get(), clFuchsia, 100);
    video->Blend(nullptr, clFuchsia, 100);
    video->BlendFadeout(100);
    video->FadeToBlack(100);
    EXPECT_EQ(timeGetTime(), start);
    EXPECT_EQ(GdiObjectCount(), gdiObjects);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowVideoTest, BlendWithoutTimeShowsOpaqueAtOnceAndANullBitmapClearsAtOnce) {
    const TestClock clock;
    TPlainWinControl window(640, 480);
    const auto video = CreateShownVideo(vrVMR9, window);
    const auto picture = RedPicture();
    const DWORD start = timeGetTime();

    video->Blend(picture.get(), clFuchsia, 0);
    MixerView view = ViewOf(*video);
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.alphas, (std::vector<float>{1.0F}));
    EXPECT_EQ(view.colorKey, kMagenta);
    ASSERT_NE(view.picture, nullptr);
    EXPECT_EQ(view.picture->At(15, 11), RGB(255, 0, 0));

    video->Blend(nullptr, clFuchsia, 0);
    EXPECT_FALSE(ViewOf(*video).shown);
    EXPECT_EQ(timeGetTime(), start);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DXShowVideoTest, FadesStepTheAlphaAlongTheClockAndEndAtTheirLimit) {
    const TestClock clock;
    TPlainWinControl window(640, 480);
    const auto video = CreateShownVideo(vrVMR9, window);
    const auto picture = RedPicture();
    const DWORD start = timeGetTime();

    // Shown transparent, then one step per 5 ms sleep; the first step counts 1 ms.
    video->Blend(picture.get(), clFuchsia, 100);
    MixerView view = ViewOf(*video);
    ASSERT_EQ(view.alphas.size(), 23U);
    EXPECT_EQ(view.alphas[0], 0.0F);
    EXPECT_EQ(view.alphas[1], 0.01F);
    EXPECT_EQ(view.alphas[2], 0.05F);
    EXPECT_TRUE(std::is_sorted(view.alphas.begin(), view.alphas.end()));
    EXPECT_EQ(view.alpha, 1.0F);
    EXPECT_EQ(timeGetTime() - start, 110U);

    video->BlendFadeout(100);
    view = ViewOf(*video);
    const std::vector<float> fadeOut(view.alphas.begin() + 23, view.alphas.end());
    ASSERT_EQ(fadeOut.size(), 23U);  // 22 steps, then the clearing update
    EXPECT_EQ(fadeOut.front(), 0.99F);
    EXPECT_TRUE(std::is_sorted(fadeOut.rbegin(), fadeOut.rend()));
    EXPECT_EQ(fadeOut.back(), 0.0F);
    EXPECT_FALSE(view.shown);
}

TEST_F(DXShowVideoTest, FadeToBlackEndsFullyBlackOnEveryMixer) {
    const TestClock clock;
    for (const TDSVideoRenderer renderer : {vrVMR7, vrVMR9, vrEVR}) {
        SCOPED_TRACE(renderer);
        TPlainWinControl window(640, 480);
        const auto video = CreateShownVideo(renderer, window);
        const std::size_t gdiObjects = GdiObjectCount();

        video->FadeToBlack(1000);
        const MixerView view = ViewOf(*video);
        EXPECT_TRUE(view.shown);
        EXPECT_EQ(view.alpha, 1.0F);
        EXPECT_EQ(view.alphas.front(), 0.0F);
        EXPECT_TRUE(std::is_sorted(view.alphas.begin(), view.alphas.end()));
        // Magenta is the key, so no black pixel lets the video through.
        EXPECT_EQ(view.colorKey, kMagenta);
        ASSERT_NE(view.picture, nullptr);
        EXPECT_EQ(view.picture->width, 640);
        EXPECT_EQ(view.picture->height, 480);
        EXPECT_TRUE(std::all_of(view.picture->pixels.begin(), view.picture->pixels.end(),
                                [](COLORREF pixel) { return pixel == RGB(0, 0, 0); }));
        // The temporary black bitmap is gone; the overlay holds its own picture (a VMR
        // object a memory context and a bitmap, the EVR object only a bitmap).
        EXPECT_EQ(GdiObjectCount(), gdiObjects + (renderer == vrEVR ? 1U : 2U));
        EXPECT_TRUE(errors.empty());
    }
}

}  // namespace
}  // namespace capspect::test
