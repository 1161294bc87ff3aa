#include "Components/VQDirectShow/DXShow.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <objbase.h>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "framework/Exceptions.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/pin_info.h"
#include "platform/support/wide_string.h"
#include "util/ErrorTexts.h"

namespace capspect {

namespace {

constexpr UINT kPositionTimerInterval = 200;
// How long GraphState waits for a graph in transition.
constexpr LONG kStateQueryTimeoutMs = 100;
// Ends the event loop; events still queued wait for the next notification.
constexpr LONG kEventStopsLoop = 0x118;

// Graph files: the stream that holds the persisted graph, and the storage modes.
constexpr const char16_t* kGraphStreamName = u"ActiveMovieGraph";
constexpr DWORD kGraphFileCreateMode =
    STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr DWORD kGraphStreamCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;
constexpr DWORD kGraphFileOpenMode = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READ;
constexpr DWORD kGraphStreamOpenMode = STGM_SHARE_EXCLUSIVE | STGM_READ;

// IBasicAudio's volume range, in hundredths of a decibel.
constexpr LONG kSilentVolume = -10000;
constexpr LONG kFullVolume = 0;
// Amplitude factors below this are silence.
constexpr float kSilentAmplitude = 0.0001F;

// Style bits the video window must not have as a child: caption, sizing frame, system
// menu, minimise and maximise boxes.
constexpr LONG kVideoWindowFrameBits = 0x00CF0000;

// Aspect ratios closer than this count as equal (the runtime's single-precision
// tolerance).
constexpr float kAspectTolerance = 1e-4F;

// Frees the parameters of a graph event when it leaves scope, also when handling the
// event raised.
class EventParams {
public:
    EventParams(IMediaEvent& events, LONG code, LONG_PTR param1, LONG_PTR param2)
        : events_(events), code_(code), param1_(param1), param2_(param2) {}
    ~EventParams() { Free(); }
    EventParams(const EventParams&) = delete;
    EventParams& operator=(const EventParams&) = delete;

    void Free() {
        if (!freed_) {
            freed_ = true;
            events_.FreeEventParams(code_, param1_, param2_);
        }
    }

private:
    IMediaEvent& events_;
    const LONG code_;
    const LONG_PTR param1_;
    const LONG_PTR param2_;
    bool freed_ = false;
};

// The line of RecentFilters for one filter: its registered friendly name, else its name
// in the graph.
std::u16string RecentFilterEntry(IBaseFilter& filter) {
    CLSID clsid{};
    if (SUCCEEDED(filter.GetClassID(&clsid))) {
        std::u16string friendlyName = GetFilterFriendlyName(clsid);
        if (!friendlyName.empty()) {
            return friendlyName;
        }
    }
    OwnedFilterInfo info;
    if (FAILED(filter.QueryFilterInfo(info.Receive()))) {
        return {};
    }
    return std::u16string(info.Name());
}

}  // namespace

LONGLONG TimeToMediaTime(TDateTime Value) {
    const double units = Value * 10000 * 86400000;
    if (std::isnan(units)) {
        return 0;
    }
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double kLimit = 9223372036854775808.0;
    if (units >= kLimit) {
        return std::numeric_limits<LONGLONG>::max();
    }
    if (units < -kLimit) {
        return std::numeric_limits<LONGLONG>::min();
    }
    // Round to nearest, ties to even: the default floating-point rounding mode.
    return static_cast<LONGLONG>(std::nearbyint(units));
}

TDateTime MediaTimeToTime(LONGLONG Value) {
    return static_cast<double>(Value) / 10000 / 86400000;
}

// The graph manager's IAMGraphBuilderCallback, found through the site the component
// gives the graph. It forwards to the component while the component lives; the graph may
// hold it longer, so the component detaches it when it goes.
class TGraphBuilderCallback final : public ComObject<IAMGraphBuilderCallback> {
public:
    explicit TGraphBuilderCallback(TDXShow& component) : component_(&component) {}

    void Detach() { component_ = nullptr; }

    HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) override {
        return component_ != nullptr && component_->DoFilterSelected(moniker) ? E_FAIL : S_OK;
    }

    HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) override {
        return component_ != nullptr && component_->DoFilterCreated(filter) ? E_FAIL : S_OK;
    }

private:
    TDXShow* component_;
};

TDXShow::TDXShow(TDXShowReports reports)
    : FOnError(std::move(reports.OnError)), FOnInfoMsg(std::move(reports.OnInfoMsg)) {
    FState = gsStopped;
    FWindowHandle = THiddenWindow([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return GraphWndProc(message, wParam, lParam);
    });
    FWindowHandleThreadSafe = THiddenWindow([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return ThreadSafeWndProc(message, wParam, lParam);
    });
    FTimer = &CreateOwned<TTimer>(*this);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(kPositionTimerInterval);
    FTimer->SetOnTimer([this](TComponent& sender) { TimerTick(sender); });
    try {
        CreateGraph();
    } catch (...) {
        // The destructor does not run for a constructor that throws: dismantle what was
        // built so that the graph keeps no window or callback of this component.
        ShutDownGraph();
        throw;
    }
}

void TDXShow::CreateGraph() {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(FGraph.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        RaiseError(hr, u"Could not create the filter graph manager");
    }
    ComPtr<IObjectWithSite> objectWithSite;
    if (SUCCEEDED(FGraph.As(&objectWithSite))) {
        FBuilderCallback = MakeComObject<TGraphBuilderCallback>(*this);
        hr = objectWithSite->SetSite(FBuilderCallback->Identity());
        if (FAILED(hr)) {
            ReportError(hr, u"SetSite failed");
        }
    }
    hr = FGraph.As(&FControl);
    if (FAILED(hr)) {
        RaiseError(hr, u"Could not obtain the Media Control Interface");
    }
    hr = FGraph.As(&FMediaEventEx);
    if (FAILED(hr)) {
        RaiseError(hr, u"Could not obtain the Media EventEx Interface");
    }
    FMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(FWindowHandle.Handle()), WM_GRAPHNOTIFY,
                                   reinterpret_cast<LONG_PTR>(this));
    hr = FGraph.As(&FMediaSeeking);
    if (FAILED(hr)) {
        ReportError(hr, u"Could not obtain the IMediaSeeking Interface");
    } else {
        FMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    }
    hr = FGraph.As(&pVidWin);
    if (FAILED(hr)) {
        RaiseError(hr, u"Could not obtain the Video Window Interface");
    }
}

TDXShow::~TDXShow() {
    ShutDownGraph();
}

void TDXShow::ShutDownGraph() noexcept {
    if (FShutDown) {
        return;
    }
    FShutDown = true;
    if (FControl) {
        FControl->Stop();
    }
    if (pVidWin) {
        pVidWin->put_Visible(OAFALSE);
        pVidWin->put_Owner(0);
    }
    if (FMediaEventEx) {
        FMediaEventEx->SetNotifyWindow(0, 0, 0);
        FMediaEventEx->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
    }
    if (FBuilderCallback) {
        FBuilderCallback->Detach();
    }
    try {
        TearDownGraph();
    } catch (...) {
        // A handler that raises while the component goes cannot stop it from going.
    }
    FMediaEventEx = nullptr;
    pVidWin = nullptr;
    FMediaSeeking = nullptr;
    FControl = nullptr;
    FGraph = nullptr;
    FBuilderCallback = nullptr;
    FWindowHandle.Release();
    FWindowHandleThreadSafe.Release();
    if (FDisplayWindow != nullptr) {
        FDisplayWindow->RemoveFreeNotification(this);
        FDisplayWindow = nullptr;
    }
}

TThreadStringList& TDXShow::RecentFilters() {
    static TThreadStringList recentFilters;
    return recentFilters;
}

// Control operations.

HRESULT TDXShow::Run() {
    if (FOnPositionChanged) {
        FTimer->SetEnabled(true);
    }
    if (!FControl) {
        return E_POINTER;
    }
    const HRESULT hr = FControl->Run();
    if (SUCCEEDED(hr)) {
        FState = gsRunning;
    }
    return hr;
}

HRESULT TDXShow::Pause() {
    if (!FControl) {
        return E_POINTER;
    }
    const HRESULT hr = FControl->Pause();
    if (SUCCEEDED(hr)) {
        FState = gsPaused;
    }
    return hr;
}

HRESULT TDXShow::Stop() {
    FTimer->SetEnabled(false);
    if (!FControl) {
        return E_POINTER;
    }
    const HRESULT hr = FControl->Stop();
    if (SUCCEEDED(hr)) {
        FState = gsStopped;
    }
    return hr;
}

HRESULT TDXShow::StopWhenReady() {
    FTimer->SetEnabled(false);
    if (!FControl) {
        return E_POINTER;
    }
    const HRESULT hr = FControl->StopWhenReady();
    if (SUCCEEDED(hr)) {
        FState = gsStopped;
    }
    return hr;
}

void TDXShow::StopAndRewind() {
    if (FControl) {
        FControl->Stop();
    }
    SetPosition(FStartPosition);
    FTimer->SetEnabled(false);
}

TGraphState TDXShow::GraphState() {
    if (!FControl) {
        return gsInit;
    }
    OAFilterState state = -1;
    if (FAILED(FControl->GetState(kStateQueryTimeoutMs, &state))) {
        return gsError;
    }
    switch (state) {
        case State_Stopped:
            return gsStopped;
        case State_Paused:
            return gsPaused;
        case State_Running:
            return gsRunning;
        default:
            return gsInit;
    }
}

bool TDXShow::IsPlaying() {
    return FState == gsRunning;
}

void TDXShow::SetLoop(bool Value) {
    FLoop = Value;
}

// Positions.

TDateTime TDXShow::GetPosition() {
    if (!FMediaSeeking) {
        return 0;
    }
    LONGLONG current = 0;
    FMediaSeeking->GetCurrentPosition(&current);
    return MediaTimeToTime(current);
}

void TDXShow::SetPosition(TDateTime Value) {
    if (FMediaSeeking) {
        LONGLONG current = TimeToMediaTime(Value);
        LONGLONG stop = 0;
        const HRESULT hr = FMediaSeeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning,
                                                       &stop, AM_SEEKING_NoPositioning);
        if (FAILED(hr)) {
            ReportError(hr, u"TDXShow.SetPositions");
        }
    }
    if (FState == gsStopped) {
        StopWhenReady();
    }
    if (FOnPositionChanged) {
        FirePositionChanged(GetPosition());
    }
}

void TDXShow::SetStopPosition(TDateTime Value) {
    FStopPosition = Value;
    if (!FMediaSeeking) {
        return;
    }
    // 0 stands for the end of the media.
    const TDateTime target = Value == 0 ? Duration() : Value;
    LONGLONG current = 0;
    LONGLONG stop = TimeToMediaTime(target);
    const HRESULT hr = FMediaSeeking->SetPositions(&current, AM_SEEKING_NoPositioning, &stop,
                                                   AM_SEEKING_AbsolutePositioning);
    if (FAILED(hr)) {
        ReportError(hr, u"SetStopPosition");
    }
}

TDateTime TDXShow::Duration() {
    if (!FMediaSeeking) {
        return 0;
    }
    LONGLONG duration = 0;
    FMediaSeeking->GetDuration(&duration);
    return MediaTimeToTime(duration);
}

// File playback.

HRESULT TDXShow::RenderFile(std::u16string_view AFileName, bool ClearGraph) {
    if (ClearGraph) {
        TearDownGraph();
    }
    FFileName = std::u16string(AFileName);
    AddCustomFilters();
    HRESULT hr = S_OK;
    if (FUseQTSourceFilter) {
        hr = RenderWithSourceFilter(AFileName, CLSID_QTSourceFilter, false, u"QT Source");
        if (FAILED(hr)) {
            ReportError(hr, u"Problem loading Quicktime movie.");
        }
    } else {
        hr = FGraph->RenderFile(WideText(FFileName), nullptr);
    }
    if (FDSVideoRenderer != vrVMR9Renderless) {
        UpdateVideoWindow(FDisplayWindow);
    }
    AfterRender();
    if (FOnLengthChanged) {
        FOnLengthChanged(*this, Duration());
    }
    return hr;
}

HRESULT TDXShow::RenderWithSourceFilter(std::u16string_view FileName, REFCLSID SourceCLSID,
                                        bool RenderToExisting, std::u16string_view FilterName) {
    const std::u16string filterName(FilterName);
    ComPtr<IBaseFilter> source;
    HRESULT hr =
        AddFilterByCLSID(FGraph.Get(), SourceCLSID, WideText(filterName), source.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IFileSourceFilter> fileSource;
    if (FAILED(source.As(&fileSource))) {
        throw EIntfCastError(u"Interface not supported");
    }
    const std::u16string fileName(FileName);
    hr = fileSource->Load(WideText(fileName), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IFilterGraph2> graph2;
    hr = FGraph.As(&graph2);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IEnumPins> pins;
    hr = source->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    // Inputs and pins that cannot be rendered simply fail; one rendered pin is enough.
    const DWORD flags = RenderToExisting ? AM_RENDEREX_RENDERTOEXISTINGRENDERERS : 0;
    bool rendered = false;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        rendered = SUCCEEDED(graph2->RenderEx(pin.Get(), flags, nullptr)) || rendered;
    }
    return rendered ? hr : VFW_E_CANNOT_RENDER;
}

HRESULT TDXShow::SaveGraphFile(std::u16string_view FileName) {
    const std::u16string fileName(FileName);
    ComPtr<IStorage> storage;
    HRESULT hr =
        StgCreateDocfile(WideText(fileName), kGraphFileCreateMode, 0, storage.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IStream> stream;
    hr = storage->CreateStream(WideText(kGraphStreamName), kGraphStreamCreateMode, 0, 0,
                               stream.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IPersistStream> persist;
    hr = FGraph.As(&persist);
    if (SUCCEEDED(hr)) {
        hr = persist->Save(stream.Get(), TRUE);
    }
    if (SUCCEEDED(hr)) {
        hr = storage->Commit(STGC_DEFAULT);
    }
    return hr;
}

HRESULT TDXShow::LoadGraphFile(std::u16string_view FileName) {
    TearDownGraph();
    const std::u16string fileName(FileName);
    if (StgIsStorageFile(WideText(fileName)) != S_OK) {
        return E_FAIL;
    }
    ComPtr<IStorage> storage;
    HRESULT hr = StgOpenStorage(WideText(fileName), nullptr, kGraphFileOpenMode, nullptr, 0,
                                storage.GetAddressOf());
    if (FAILED(hr)) {
        RaiseError(hr, u"");
    }
    ComPtr<IPersistStream> persist;
    hr = FGraph.As(&persist);
    if (SUCCEEDED(hr)) {
        ComPtr<IStream> stream;
        hr = storage->OpenStream(WideText(kGraphStreamName), nullptr, kGraphStreamOpenMode, 0,
                                 stream.GetAddressOf());
        if (SUCCEEDED(hr)) {
            hr = persist->Load(stream.Get());
        }
    }
    UpdateVideoWindow(FDisplayWindow);
    return hr;
}

// Rate and volume.

double TDXShow::Speed() {
    double rate = 1.0;
    if (!FMediaSeeking || FAILED(FMediaSeeking->GetRate(&rate))) {
        return 1.0;
    }
    return rate;
}

void TDXShow::SetSpeed(double Value) {
    if (!FMediaSeeking) {
        return;
    }
    const HRESULT hr = FMediaSeeking->SetRate(Value);
    if (FAILED(hr)) {
        ReportError(hr, u"SetSpeed");
    }
}

int TDXShow::Volume() {
    ComPtr<IBasicAudio> audio;
    HRESULT hr = FGraph.As(&audio);
    if (FAILED(hr)) {
        RaiseError(hr, u"TDXShow.GetVolume");
    }
    LONG volume = 0;
    hr = audio->get_Volume(&volume);
    if (FAILED(hr)) {
        RaiseError(hr, u"TDXShow.GetVolume => BasicAudio.get_Volume");
    }
    return volume;
}

void TDXShow::SetVolume(int Value) {
    ComPtr<IBasicAudio> audio;
    if (SUCCEEDED(FGraph.As(&audio))) {
        audio->put_Volume(std::clamp<LONG>(Value, kSilentVolume, kFullVolume));
    }
}

void TDXShow::SetVolumePercent(float Value) {
    // Not a number counts as silence; factors too large for the scale end at full volume,
    // as the volume writer clamps them, without an out-of-range conversion on the way.
    if (std::isnan(Value) || Value < kSilentAmplitude) {
        SetVolume(kSilentVolume);
        return;
    }
    const double level = std::log10(static_cast<double>(Value)) * 2000;
    SetVolume(static_cast<int>(std::nearbyint(std::min<double>(level, kFullVolume))));
}

void TDXShow::TimerTick(TComponent& /*Sender*/) {
    if (FOnPositionChanged) {
        FirePositionChanged(GetPosition());
    }
}

void TDXShow::FirePositionChanged(TDateTime TimeCode) {
    FireEvent(FOnPositionChanged, *this, TimeCode);
}

// Teardown.

void TDXShow::TearDownGraph() {
    FState = gsStopped;
    FStartPosition = 0;
    FStopPosition = 0;
    if (FTimer != nullptr) {
        FTimer->SetEnabled(false);
    }
    if (FControl) {
        FControl->Stop();
    }
    FirePositionChanged(0);
    FAudioRenderer = nullptr;
    FVideoRenderer = nullptr;
    RemoveAllFilters();
    RecentFilters().Clear();
    FFileName.clear();
}

void TDXShow::RemoveAllFilters() {
    if (!FGraph) {
        return;
    }
    ComPtr<IEnumFilters> filters;
    if (FAILED(FGraph->EnumFilters(filters.GetAddressOf()))) {
        return;
    }
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        // A removal changes the graph, which invalidates the enumeration. A filter that
        // refuses to go is passed over, so that it cannot keep the loop going for ever.
        if (SUCCEEDED(FGraph->RemoveFilter(filter.Get()))) {
            filters->Reset();
        }
    }
}

void TDXShow::UpdateRecentFilters() {
    TThreadStringList& recentFilters = RecentFilters();
    recentFilters.Clear();
    ComPtr<IEnumFilters> filters;
    if (!FGraph || FAILED(FGraph->EnumFilters(filters.GetAddressOf()))) {
        return;
    }
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        recentFilters.Add(RecentFilterEntry(*filter));
    }
}

ComPtr<IBaseFilter> TDXShow::InsertFilterByDisplayName(std::u16string_view ADisplayName,
                                                       std::u16string_view AName) {
    const std::u16string displayName(ADisplayName);
    ComPtr<IBaseFilter> filter;
    if (FAILED(CoGetObject(WideText(displayName), nullptr, IID_PPV_ARGS(filter.GetAddressOf())))) {
        return nullptr;
    }
    if (FGraph) {
        const std::u16string name(AName);
        FGraph->AddFilter(filter.Get(), WideText(name));
    }
    return filter;
}

// The display window.

void TDXShow::WatchDisplayWindow(TWinControl* AControl) {
    if (AControl == FDisplayWindow) {
        return;
    }
    if (FDisplayWindow != nullptr) {
        FDisplayWindow->RemoveFreeNotification(this);
    }
    FDisplayWindow = AControl;
    if (AControl != nullptr) {
        AControl->FreeNotification(this);
    }
}

void TDXShow::SetDisplayWindow(TWinControl* Value) {
    WatchDisplayWindow(Value);
    const TGraphState state = GraphState();
    if (state != gsPaused && state != gsRunning) {
        UpdateVideoWindow(Value);
        return;
    }
    Stop();
    UpdateVideoWindow(Value);
    if (state == gsPaused) {
        Pause();
    } else {
        Run();
    }
}

void TDXShow::UpdateVideoWindow(TWinControl* AControl) {
    // Whatever control the video is placed in is watched, so that freeing it can never
    // leave a dangling display window behind.
    WatchDisplayWindow(AControl);
    if (AControl == nullptr) {
        return;
    }
    PlaceVideoWindow(*AControl);
}

void TDXShow::PlaceVideoWindow(TWinControl& AControl) {
    const OAHWND handle = reinterpret_cast<OAHWND>(AControl.Handle());
    if (pVidWin) {
        pVidWin->HideCursor(AControl.Cursor() == crNone ? OATRUE : OAFALSE);
        LONG style = 0;
        pVidWin->get_WindowStyle(&style);
        pVidWin->put_WindowStyle((style & ~kVideoWindowFrameBits) | static_cast<LONG>(WS_CHILD));
        const HRESULT hr = pVidWin->put_Owner(handle);
        if (FAILED(hr)) {
            ReportError(hr, u"Could not set pVidWin.put_Owner");
            return;
        }
        pVidWin->put_MessageDrain(handle);
    }
    const TWindowPosition placement = VideoPlacement(AControl);
    if (pVidWin) {
        pVidWin->SetWindowPosition(placement.left, placement.top, placement.width,
                                   placement.height);
        pVidWinLeft = placement.left;
        pVidWinTop = placement.top;
    }
}

TWindowPosition TDXShow::VideoPlacement(const TWinControl& AControl) {
    const RECT client = AControl.ClientRect();
    TWindowPosition placement = FitAspectRect(0, 0, client);
    if (FIgnoreAspectRatio || !FGraph) {
        return placement;
    }
    // A failed query leaves the aspect at 0 : 0, which keeps the client rectangle.
    LONG x = 0;
    LONG y = 0;
    ComPtr<IBasicVideo2> basicVideo2;
    ComPtr<IBasicVideo> basicVideo;
    if (SUCCEEDED(FGraph.As(&basicVideo2))) {
        basicVideo2->GetPreferredAspectRatio(&x, &y);
        placement = FitAspectRect(x, y, client);
    } else if (SUCCEEDED(FGraph.As(&basicVideo))) {
        basicVideo->GetVideoSize(&x, &y);
        placement = FitAspectRect(x, y, client);
    }
    // The picture aspect a source declares wins over the renderer's idea of it.
    ComPtr<IBaseFilter> source;
    if (FindSourceFilter(FGraph.Get(), source.GetAddressOf())) {
        const float ratio = GetPictureAspectRatio(source.Get());
        if (std::fabs(ratio) > kAspectTolerance && std::fabs(ratio - 1.0F) > kAspectTolerance) {
            const int height = static_cast<int>(std::nearbyint(1024.0F * ratio));
            placement = FitAspectRect(1024, height, AControl.ClientRect());
        }
    }
    return placement;
}

void TDXShow::Notification(TComponent* AComponent, TOperation Operation) {
    if (AComponent == FDisplayWindow && AComponent != nullptr &&
        Operation == TOperation::opRemove) {
        DetachVideoWindow();
        FDisplayWindow = nullptr;
    }
    TComponent::Notification(AComponent, Operation);
}

void TDXShow::DetachVideoWindow() {
    if (pVidWin) {
        pVidWin->put_Visible(OAFALSE);
        pVidWin->put_Owner(0);
        pVidWin = nullptr;
    }
}

// Filter callbacks.

bool TDXShow::DoFilterCreated(IBaseFilter* AFilter) {
    bool reject = false;
    FireEvent(FOnFilterCreated, *this, AFilter, reject);
    return reject;
}

bool TDXShow::DoFilterSelected(IMoniker* AMoniker) {
    bool reject = false;
    FireEvent(FOnFilterSelected, *this, AMoniker, reject);
    return reject;
}

void TDXShow::DoFinished() {
    FireEvent(FOnFinished, *this);
}

// Notifications and graph events.

LRESULT TDXShow::GraphWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER && message < WM_APP) {
        // Handled one loop turn later, never inside the procedure that received it.
        PostMessageW(FWindowHandleThreadSafe.Handle(), message, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(FWindowHandle.Handle(), message, wParam, lParam);
}

LRESULT TDXShow::ThreadSafeWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleComponentMessage(message, wParam, lParam, result)) {
        return result;
    }
    return DefaultHandler(message, wParam, lParam);
}

bool TDXShow::HandleComponentMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                     LRESULT& result) {
    if (message != WM_GRAPHNOTIFY) {
        return false;
    }
    WMGraphNotify();
    result = 0;
    return true;
}

LRESULT TDXShow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(FWindowHandleThreadSafe.Handle(), message, wParam, lParam);
}

void TDXShow::WMGraphNotify() {
    if (!FMediaEventEx) {
        return;
    }
    // Held for the loop: a handler may clear the field.
    const ComPtr<IMediaEventEx> events = FMediaEventEx;
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0))) {
        EventParams params(*events.Get(), code, param1, param2);
        if (code == kEventStopsLoop) {
            params.Free();
            HandleEvent(code, 0, 0);
            return;
        }
        HandleEvent(code, param1, param2);
    }
}

void TDXShow::HandleEvent(LONG EventCode, LONG_PTR Param1, LONG_PTR /*Param2*/) {
    switch (EventCode) {
        case EC_COMPLETE:
            if (!FLoop) {
                Stop();
                SetPosition(FStartPosition);
                DoFinished();
            } else {
                // A video renderer other than the EVR does not show the new position of
                // a running graph, so that graph is stopped around the seek.
                const bool restart = IsVideoComponent() && !IsEVR();
                if (restart) {
                    Stop();
                }
                SetPosition(FStartPosition);
                if (restart) {
                    Run();
                }
            }
            break;
        case EC_USERABORT:
        case EC_ERRORABORT:
            Stop();
            DoFinished();
            if (EventCode == EC_ERRORABORT) {
                ReportError(0, u"EC_ERRORABORT: " + MediaErrorText(static_cast<HRESULT>(Param1)));
            }
            break;
        default:
            break;
    }
}

// Reports.

void TDXShow::RaiseError(HRESULT hr, std::u16string_view Msg) {
    std::u16string text = FormatErrorReport(hr, Msg);
    FireEvent(FOnError, hr, text);
    throw EDShowError(hr, std::move(text));
}

void TDXShow::ReportError(HRESULT hr, std::u16string_view Msg) {
    const std::u16string text =
        hr == 0 && !Msg.empty() ? std::u16string(Msg) : FormatErrorReport(hr, Msg);
    FireEvent(FOnError, hr, text);
}

void TDXShow::LogMsg(HRESULT hr, std::u16string_view Msg) {
    if (FOnInfoMsg) {
        FOnInfoMsg(hr, u"LogMsg: " + std::u16string(Msg));
    }
}

}  // namespace capspect
