#include "Components/VQDirectShow/DXShowVideo.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include <windows.h>

#include <dshow.h>
#include <objbase.h>

#include "dshow/DShowUtil.h"
#include "mediainfo/media_identification.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/file_reader.h"
#include "platform/support/unicode.h"
#include "platform/support/wide_string.h"
#include "util/TextHelpers.h"

namespace capspect {

namespace {

// Renderer names in the graph.
constexpr char16_t kOverlayMixerName[] = u"Overlay Mixer";
constexpr char16_t kVideoRendererName[] = u"Video Renderer";
constexpr char16_t kVMR7Name[] = u"VMR7";
constexpr char16_t kVMR9Name[] = u"VMR9";
constexpr char16_t kEVRName[] = u"EVR";

// Network sources are never identified, so quick start leaves them alone.
constexpr std::array<std::u16string_view, 3> kStreamingPrefixes{u"http://", u"https://", u"mms://"};

struct QuickStartFilter {
    const CLSID& clsid;
    const char16_t* name;
};

constexpr std::array<QuickStartFilter, 2> kMpeg1Filters{{
    {CLSID_MPEG1Splitter, u"MPEG-I Stream Splitter (RX-Quickstart)"},
    {CLSID_CMpegVideoCodec, u"MPEG Video Decoder (RX-Quickstart)"},
}};

constexpr std::array<QuickStartFilter, 2> kDVFilters{{
    {CLSID_AviSplitter, u"AVI Splitter (RX-Quickstart)"},
    {CLSID_DVVideoCodec, u"DV Video Decoder (RX-Quickstart)"},
}};

// Every notification the overlay mixer can give: clipping, palette, colour key, position.
constexpr DWORD kOverlayInterests = ADVISE_ALL;

constexpr LONG kStopTimeoutMs = 1000;

// The black picture of FadeToBlack, and the pause between two steps of a fade.
constexpr int kFadeWidth = 640;
constexpr int kFadeHeight = 480;
constexpr DWORD kFadeStepMs = 5;

// Where the overlay window goes: to the bottom, unchanged in size and place.
constexpr UINT kOverlayWindowFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS;

bool LocalFileExists(std::u16string_view fileName) {
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(Utf16ToUtf8(fileName));
    return std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error);
}

// The monitor that shows a window control; none without a control.
std::optional<HMONITOR> MonitorOf(const TWinControl* control) {
    if (control == nullptr) {
        return std::nullopt;
    }
    return MonitorFromWindow(control->Handle(), MONITOR_DEFAULTTONEAREST);
}

// A device context that stands for no device context at all.
bool IsUsableDC(HDC dc) {
    const auto value = reinterpret_cast<std::uintptr_t>(dc);
    return value != 0 && value != 0xFFFFFFFFU && value != static_cast<std::uintptr_t>(-1);
}

// Restores the floating-point environment when it leaves scope: a renderer's start-up
// code may change the rounding or exception masks of the calling thread.
class FloatingPointGuard {
public:
    FloatingPointGuard() { std::fegetenv(&saved_); }
    ~FloatingPointGuard() { std::fesetenv(&saved_); }
    FloatingPointGuard(const FloatingPointGuard&) = delete;
    FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

private:
    std::fenv_t saved_{};
};

}  // namespace

// The overlay mixer's notification sink. The mixer calls it on a thread of its own and may
// hold it longer than the component lives, so it keeps only the handle of the component's
// thread-safe window and posts to it: a handle is never reused, and a post after the
// window has gone simply fails.
class TOverlayNotifySink final : public ComObject<IOverlayNotify> {
public:
    explicit TOverlayNotifySink(HWND window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE OnPaletteChange(DWORD /*colors*/,
                                              const PALETTEENTRY* /*palette*/) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnClipChange(const RECT* /*sourceRect*/,
                                           const RECT* /*destinationRect*/,
                                           const RGNDATA* /*regionData*/) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnColorKeyChange(const COLORKEY* colorKey) override {
        if (colorKey == nullptr) {
            return E_POINTER;
        }
        PostMessageW(window_, WM_COLORKEYCHANGED, colorKey->HighColorValue, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnPositionChange(const RECT* /*sourceRect*/,
                                               const RECT* /*destinationRect*/) override {
        return S_OK;
    }

private:
    const HWND window_;
};

TDXShowVideo::TDXShowVideo(TDXShowReports reports) : TDXShow(std::move(reports)) {
    FQuickStart = true;
    FOverlayNotify = MakeComObject<TOverlayNotifySink>(WindowHandleThreadSafe());
}

TDXShowVideo::~TDXShowVideo() {
    // Tears down through this class's TearDownGraph while it is still reachable.
    ShutDownGraph();
}

// Rendering hooks.

void TDXShowVideo::AddCustomFilters() {
    TDXShow::AddCustomFilters();
    if (FQuickStart && !FFileName.empty() && LocalFileExists(FFileName) &&
        !HasAnyTextPrefix(FFileName, kStreamingPrefixes, kStreamingPrefixes.size() - 1)) {
        AddQuickStartFilters();
    }
    CreateVideoRenderer();
}

void TDXShowVideo::AddQuickStartFilters() {
    TAviInfo info;
    IdentifyMediaFile(FFileName, info);
    // The graph builder tries filters already in the graph first. They are only added;
    // rendering connects them, and AfterRender drops those it did not use.
    const auto addAll = [this](const auto& filters) {
        for (const QuickStartFilter& filter : filters) {
            AddFilterByCLSID(FGraph.Get(), filter.clsid, WideText(filter.name), nullptr);
        }
    };
    if (info.VideoCodec == "MPEG-1") {
        addAll(kMpeg1Filters);
    }
    if (info.VideoCodec == "dvsd") {
        addAll(kDVFilters);
    }
}

void TDXShowVideo::AfterRender() {
    TDXShow::AfterRender();
    RemoveUnconnectedFilters(FGraph.Get());
    UpdateRecentFilters();
}

// Renderer creation.

HRESULT TDXShowVideo::CreateVideoRenderer() {
    HRESULT hr = E_INVALIDARG;
    switch (FDSVideoRenderer) {
        case vrOverlay:
            hr = CreateOverlayRenderer();
            break;
        case vrVMR7:
            hr = CreateVMR7Renderer();
            break;
        case vrVMR9:
            hr = CreateVMR9Renderer();
            break;
        case vrVMR9Windowless:
            hr = CreateVMR9WindowlessRenderer();
            break;
        case vrVMR9Renderless:
            hr = CreateVMR9RenderlessRenderer();
            break;
        case vrEVR:
            hr = CreateEVRRenderer();
            break;
    }
    FireEvent(FOnAddVideoRenderer, *this);
    return hr;
}

HRESULT TDXShowVideo::CreateOverlayRenderer() {
    AddFilterByCLSID(FGraph.Get(), CLSID_OverlayMixer, WideText(kOverlayMixerName),
                     FOverlayMixer.ReleaseAndGetAddressOf());
    AddFilterByCLSID(FGraph.Get(), CLSID_VideoRenderer, WideText(kVideoRendererName),
                     FVideoRenderer.ReleaseAndGetAddressOf());
    ConnectFilters(FGraph.Get(), FOverlayMixer.Get(), FVideoRenderer.Get());
    FCurrentVideoRenderer = vrOverlay;

    ComPtr<IPin> input;
    HRESULT hr = GetPin(FOverlayMixer.Get(), PINDIR_INPUT, 0, input.GetAddressOf());
    if (FAILED(hr)) {
        // Without the pin there is no overlay to ask for.
        ReportError(hr, u"Could not get Input Pin of Video Renderer");
        return hr;
    }
    hr = input.As(&FOverlay);
    if (FAILED(hr)) {
        ReportError(hr, u"Could not obtain the IOverlay Interface");
    } else {
        FOverlay->Advise(FOverlayNotify.Get(), kOverlayInterests);
    }
    return hr;
}

HRESULT TDXShowVideo::CreateVMR7Renderer() {
    ComPtr<IBaseFilter> renderer;
    HRESULT hr = CoCreateInstance(CLSID_VideoMixingRenderer, nullptr, CLSCTX_INPROC,
                                  IID_PPV_ARGS(renderer.GetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    FVideoRenderer = renderer;
    FGraph->AddFilter(FVideoRenderer.Get(), WideText(kVMR7Name));
    FCurrentVideoRenderer = vrVMR7;
    // Mixing mode, which the overlay bitmap needs.
    ComPtr<IVMRFilterConfig> config;
    hr = FVideoRenderer.As(&config);
    if (SUCCEEDED(hr)) {
        config->SetNumberOfStreams(1);
    }
    FVMRAlphaBitmap = std::make_unique<TVMRAlphaBitmap7>(*this);
    return hr;
}

HRESULT TDXShowVideo::InsertVMR9(TDSVideoRenderer Mode, bool& Inserted) {
    Inserted = false;
    HRESULT hr = S_FALSE;
    ComPtr<IBaseFilter> renderer;
    {
        const FloatingPointGuard fpu;
        try {
            hr = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC,
                                  IID_PPV_ARGS(renderer.GetAddressOf()));
        } catch (...) {
            // A renderer whose start-up raises is a renderer that could not be made.
            renderer = nullptr;
        }
    }
    if (SUCCEEDED(hr) && renderer) {
        FVideoRenderer = renderer;
        FGraph->AddFilter(FVideoRenderer.Get(), WideText(kVMR9Name));
        FCurrentVideoRenderer = Mode;
        Inserted = true;
    }
    return hr;
}

HRESULT TDXShowVideo::CreateVMR9Renderer() {
    bool inserted = false;
    const HRESULT hr = InsertVMR9(vrVMR9, inserted);
    if (inserted && !FVMRAlphaBitmap) {
        FVMRAlphaBitmap = std::make_unique<TVMRAlphaBitmap9>(*this);
    }
    return hr;
}

void TDXShowVideo::SetVMR9RenderingMode(DWORD Mode, std::u16string_view ModeMessage) {
    ComPtr<IVMRFilterConfig9> config;
    HRESULT hr = FVideoRenderer.As(&config);
    if (FAILED(hr)) {
        RaiseError(hr, u"Cannot get IVMRFilterConfig9 from VMR9");
    }
    hr = config->SetRenderingMode(Mode);
    if (FAILED(hr)) {
        RaiseError(hr, ModeMessage);
    }
}

HRESULT TDXShowVideo::CreateVMR9WindowlessRenderer() {
    bool inserted = false;
    const HRESULT hr = InsertVMR9(vrVMR9Windowless, inserted);
    if (!inserted) {
        return hr;
    }
    if (!FVMRAlphaBitmap) {
        FVMRAlphaBitmap = std::make_unique<TVMRAlphaBitmap9>(*this);
    }
    SetVMR9RenderingMode(VMR9Mode_Windowless, u"Failed to set VMR9 to the windowless mode");
    if (FAILED(FVideoRenderer.As(&FVMR9WindowlessControl))) {
        ReportError(E_NOINTERFACE, u"IVMRWindowlessControl9 not supported");
    }
    if (FDisplayWindow != nullptr && FVMR9WindowlessControl) {
        const HRESULT clip =
            FVMR9WindowlessControl->SetVideoClippingWindow(FDisplayWindow->Handle());
        if (FAILED(clip)) {
            ReportError(clip, u"WindowlessControll.SetClippingWindow");
        }
    }
    return hr;
}

HRESULT TDXShowVideo::CreateVMR9RenderlessRenderer() {
    bool inserted = false;
    const HRESULT hr = InsertVMR9(vrVMR9Renderless, inserted);
    if (!inserted) {
        return hr;
    }
    FVMRAlphaBitmap = std::make_unique<TVMRAlphaBitmap9>(*this);
    SetVMR9RenderingMode(VMR9Mode_Renderless, u"Failed to set VMR9 to the renderless mode");
    return hr;
}

HRESULT TDXShowVideo::CreateEVRRenderer() {
    ComPtr<IBaseFilter> renderer;
    const HRESULT hr = CoCreateInstance(CLSID_EnhancedVideoRenderer, nullptr, CLSCTX_INPROC,
                                        IID_PPV_ARGS(renderer.GetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    FVideoRenderer = renderer;
    FGraph->AddFilter(FVideoRenderer.Get(), WideText(kEVRName));
    FCurrentVideoRenderer = vrEVR;
    ComPtr<IMFGetService> services;
    if (SUCCEEDED(FVideoRenderer.As(&services))) {
        services->GetService(MR_VIDEO_RENDER_SERVICE,
                             IID_PPV_ARGS(FEVR9DisplayControl.ReleaseAndGetAddressOf()));
        services->GetService(MR_VIDEO_MIXER_SERVICE,
                             IID_PPV_ARGS(FEVR9MFVideoMixerControl.ReleaseAndGetAddressOf()));
    }
    if (dynamic_cast<TEVR9AlphaBitmap*>(FVMRAlphaBitmap.get()) == nullptr) {
        FVMRAlphaBitmap = std::make_unique<TEVR9AlphaBitmap>(*this);
    }
    return hr;
}

// Renderer kind.

bool TDXShowVideo::RendererClassIs(REFCLSID clsid) const {
    CLSID rendererClass{};
    return FVideoRenderer && SUCCEEDED(FVideoRenderer->GetClassID(&rendererClass)) &&
           rendererClass == clsid;
}

bool TDXShowVideo::IsVMR7() const {
    return RendererClassIs(CLSID_VideoMixingRenderer);
}

bool TDXShowVideo::IsVMR9() const {
    return RendererClassIs(CLSID_VideoMixingRenderer9);
}

bool TDXShowVideo::IsEVR() const {
    return RendererClassIs(CLSID_EnhancedVideoRenderer);
}

// Placement.

void TDXShowVideo::UpdateVideoWindow(TWinControl* AControl) {
    switch (FCurrentVideoRenderer) {
        case vrVMR9Windowless:
            UpdateWindowlessVideo(AControl);
            break;
        case vrEVR:
            UpdateEVRVideo();
            break;
        default:
            TDXShow::UpdateVideoWindow(AControl);
            if (AControl != nullptr) {
                PushOverlayWindowDown();
            }
            break;
    }
}

void TDXShowVideo::UpdateWindowlessVideo(TWinControl* AControl) {
    const std::optional<HMONITOR> oldMonitor = MonitorOf(FDisplayWindow);
    const std::optional<HMONITOR> newMonitor = MonitorOf(AControl);
    WatchDisplayWindow(AControl);
    if (!FVMR9WindowlessControl) {
        return;
    }
    FVMR9WindowlessControl->SetAspectRatioMode(FIgnoreAspectRatio ? VMR9ARMode_None
                                                                  : VMR9ARMode_LetterBox);
    if (AControl != nullptr) {
        HRESULT hr = FVMR9WindowlessControl->SetVideoClippingWindow(AControl->Handle());
        if (FAILED(hr)) {
            ReportError(hr, u"WindowlessControll.SetClippingWindow");
        }
        LONG width = 0;
        LONG height = 0;
        LONG aspectWidth = 0;
        LONG aspectHeight = 0;
        if (SUCCEEDED(FVMR9WindowlessControl->GetNativeVideoSize(&width, &height, &aspectWidth,
                                                                 &aspectHeight))) {
            const RECT source{0, 0, width, height};
            const RECT destination = AControl->ClientRect();
            hr = FVMR9WindowlessControl->SetVideoPosition(&source, &destination);
            if (FAILED(hr)) {
                ReportError(hr, u"WindowlessControll.SetVideoPosition");
            }
        }
    }
    if (oldMonitor && newMonitor && *oldMonitor != *newMonitor) {
        FVMR9WindowlessControl->DisplayModeChanged();
    }
}

void TDXShowVideo::UpdateEVRVideo() {
    if (FDisplayWindow == nullptr || !FEVR9DisplayControl) {
        return;
    }
    RECT unit{0, 0, 1, 1};
    FEVR9DisplayControl->SetVideoPosition(nullptr, &unit);
    FEVR9DisplayControl->SetVideoWindow(FDisplayWindow->Handle());
    FEVR9DisplayControl->SetAspectRatioMode(FIgnoreAspectRatio ? MFVideoARMode_None
                                                               : MFVideoARMode_PreservePicture |
                                                                     MFVideoARMode_PreservePixel);
    const MFVideoNormalizedRect wholeVideo{0.0F, 0.0F, 1.0F, 1.0F};
    RECT destination = FDisplayWindow->ClientRect();
    FEVR9DisplayControl->SetVideoPosition(&wholeVideo, &destination);
}

void TDXShowVideo::PushOverlayWindowDown() {
    HWND window = nullptr;
    if (FOverlay && SUCCEEDED(FOverlay->GetWindowHandle(&window))) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, kOverlayWindowFlags);
    }
}

void TDXShowVideo::RePaintVideo(HDC DC) {
    if (FEVR9DisplayControl) {
        FEVR9DisplayControl->RepaintVideo();
    }
    if (FVMR9WindowlessControl && FDisplayWindow != nullptr && IsUsableDC(DC)) {
        FVMR9WindowlessControl->RepaintVideo(FDisplayWindow->Handle(), DC);
    }
}

// Blending.

void TDXShowVideo::Blend(const TBitmap* Bitmap, TColor ColorKey, WORD MSec) {
    if (!FVMRAlphaBitmap) {
        return;
    }
    if (Bitmap == nullptr) {
        BlendFadeout(MSec);
        return;
    }
    TVMRAlphaBitmap& overlay = *FVMRAlphaBitmap;
    overlay.SetOptions({vmrbSrcColorKey});
    overlay.SetAlpha(MSec == 0 ? 1.0F : 0.0F);
    overlay.SetColorKey(ColorKey);
    overlay.LoadBitmap(Bitmap);
    overlay.Draw();
    if (MSec != 0) {
        RunFade(MSec, [](float progress) { return progress; });
    }
}

void TDXShowVideo::BlendFadeout(WORD MSec) {
    if (!FVMRAlphaBitmap) {
        return;
    }
    if (MSec != 0) {
        RunFade(MSec, [](float progress) { return 1.0F - progress; });
    }
    FVMRAlphaBitmap->Clear();
}

void TDXShowVideo::FadeToBlack(WORD MSec) {
    TBitmap black(kFadeWidth, kFadeHeight, pf24bit);
    black.Canvas().SetBrushColor(clBlack);
    black.Canvas().FillRect(RECT{0, 0, kFadeWidth, kFadeHeight});
    // Magenta as the colour key, so that no black pixel is transparent.
    Blend(&black, clFuchsia, MSec);
}

void TDXShowVideo::RunFade(WORD MSec, float (*AlphaAt)(float Progress)) {
    const DWORD start = timeGetTime();
    DWORD elapsed = 0;
    do {
        // Unsigned subtraction survives the counter's wrap-around.
        elapsed = std::max<DWORD>(timeGetTime() - start, 1);
        const float progress =
            std::clamp(static_cast<float>(elapsed) / static_cast<float>(MSec), 0.0F, 1.0F);
        FVMRAlphaBitmap->SetAlpha(std::clamp(AlphaAt(progress), 0.0F, 1.0F));
        Sleep(kFadeStepMs);
        FVMRAlphaBitmap->UpdateParams();
    } while (MSec >= elapsed);
}

// Colour key.

void TDXShowVideo::SetColorKey(TColor AColor) {
    if (!FOverlayMixer) {
        return;
    }
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin;
    // A mixer without pins has no overlay to key.
    if (FAILED(FOverlayMixer->EnumPins(pins.GetAddressOf())) ||
        pins->Next(1, pin.GetAddressOf(), nullptr) != S_OK) {
        return;
    }
    ComPtr<IOverlay> overlay;
    if (SUCCEEDED(pin.As(&overlay))) {
        const COLORREF rgb = ColorToRGB(AColor);
        COLORKEY key{CK_RGB, 0, rgb, rgb};
        overlay->SetColorKey(&key);
    }
}

bool TDXShowVideo::HandleComponentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result) {
    if (message != WM_COLORKEYCHANGED) {
        return TDXShow::HandleComponentMessage(message, wParam, lParam, result);
    }
    ColorKeyChanged(static_cast<COLORREF>(wParam));
    result = 0;
    return true;
}

void TDXShowVideo::ColorKeyChanged(COLORREF ColorKey) {
    FireEvent(FOnColorKeyChanged, *this, static_cast<TColor>(ColorKey));
}

// Teardown.

void TDXShowVideo::TearDownGraph() {
    if (FTimer != nullptr) {
        FTimer->SetEnabled(false);
    }
    if (FControl) {
        // Filters go only after the graph has stopped.
        FControl->Stop();
        OAFilterState state = State_Stopped;
        FControl->GetState(kStopTimeoutMs, &state);
    }
    if (FOverlay) {
        // Ends the advise link, so that a mixer that outlives the graph calls no sink.
        FOverlay->Unadvise();
        FOverlay = nullptr;
    }
    FOverlayMixer = nullptr;
    FEVR9DisplayControl = nullptr;
    FVMR9WindowlessControl = nullptr;
    TDXShow::TearDownGraph();
}

}  // namespace capspect
