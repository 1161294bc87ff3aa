#include "Components/VQDirectShow/DXShowCapture.h"

#include <string>

#include <objbase.h>
#include <olectl.h>

#include "Components/VQDirectShow/DXShowErrors.h"
#include "Components/VQDirectShow/PinList.h"
#include "dshow/DSUtils.h"
#include "dshow/DShowUtil.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "platform/support/comptr.h"
#include "platform/support/pin_info.h"
#include "platform/support/wide_string.h"

namespace capspect {
namespace {

// The pin name under which capture drivers offer a video port stream.
constexpr std::u16string_view kVideoPortPinName = u"VP";

std::u16string WithIndex(std::u16string_view text, int index) {
    const std::string digits = std::to_string(index);
    return std::u16string(text) + std::u16string(digits.begin(), digits.end());
}

// The page list GetPages hands out, freed when it goes.
class PropertyPageList {
public:
    PropertyPageList() = default;
    ~PropertyPageList() { CoTaskMemFree(FPages.pElems); }
    PropertyPageList(const PropertyPageList&) = delete;
    PropertyPageList& operator=(const PropertyPageList&) = delete;

    CAUUID* Receive() { return &FPages; }
    ULONG Count() const { return FPages.cElems; }
    GUID* Pages() const { return FPages.pElems; }

private:
    CAUUID FPages{};
};

}  // namespace

TDXShowCapture::TDXShowCapture(TDXShowReports reports)
    : TDXShowVideo(std::move(reports)),
      FCaptureDevices(std::make_unique<TDXShowCaptureDevices>()),
      FCaptureInputs(std::make_unique<TDXShowCaptureInputs>()),
      FOutputFormats(std::make_unique<TDXShowStreamConfig>()) {
    // The device list has no window of its own: its failure is the component's report.
    FCaptureDevices->OnError = [this](HRESULT hr, const std::u16string& message) {
        if (OnError()) {
            OnError()(hr, message);
        }
    };
    FCaptureDevices->Refresh();
    CreateCaptureGraphBuilder();
}

void TDXShowCapture::CreateCaptureGraphBuilder() {
    HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(FBuild.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        RaiseError(hr, u"Could not obtain the ICaptureGraphBuilder");
    }
    hr = FBuild->SetFiltergraph(FGraph.Get());
    if (FAILED(hr)) {
        ReportError(hr, u"Could not set Filtergraph");
    }
}

TDXShowCapture::~TDXShowCapture() {
    // Tear down while this class's TearDownGraph is still reachable.
    ShutDownGraph();
    FOutputFormats.reset();
    FCaptureInputs.reset();
    FCaptureDevices.reset();
}

void TDXShowCapture::TearDownGraph() {
    FCap.Reset();
    if (FOutputFormats) {
        FOutputFormats->Clear();
    }
    TDXShowVideo::TearDownGraph();
}

void TDXShowCapture::SetLoop(bool /*Value*/) {}

HRESULT TDXShowCapture::RenderFile(std::u16string_view FileName, bool ClearGraph) {
    if (ClearGraph) {
        TearDownGraph();
    }
    AddCustomFilters();
    const TDXShowDevice* device = nullptr;
    if (!FileName.empty()) {
        device = FCaptureDevices->FindDevice(FileName);
    } else if (FCaptureDevices->Count() > 0) {
        device = &FCaptureDevices->Items(0);
    }
    if (device != nullptr && device->Moniker()) {
        RenderDevice(*device);
    }
    FindCrossbar();
    UpdateVideoWindow(DisplayWindow());
    return S_OK;
}

void TDXShowCapture::RenderDevice(const TDXShowDevice& device) {
    HRESULT hr = device.Moniker()->BindToObject(nullptr, nullptr,
                                                IID_PPV_ARGS(FCap.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        ReportError(hr, u"TDXShowCapture->BindToObject");
    }
    if (FCap) {
        FGraph->AddFilter(FCap.Get(), WideText(device.Description()));
    }
    // A handler cannot take back a device the user asked for; only a filter that exists
    // is announced.
    if (FCap) {
        DoFilterCreated(FCap.Get());
    }
    IBaseFilter* const target = PreviewTarget();
    FindStreamConfig(hr);
    if (FOptimizeVideoResolution) {
        if (FAILED(hr)) {
            FStreamConfig.Reset();
            FOutputFormats->Clear();
        } else {
            FOutputFormats->Refresh(FStreamConfig.Get());
        }
        SelectPreferredFormat();
    }
    // Devices without a tee of their own get the platform's; it may be missing.
    ComPtr<IBaseFilter> tee;
    AddFilterByCLSID(FGraph.Get(), CLSID_SmartTee, WideText(u"Smart Tee"), tee.GetAddressOf());
    hr = RenderPreview(tee.Get(), target);
    if (FAILED(hr)) {
        hr = RenderVideoPortPin(hr, target);
    }
    if (FAILED(hr)) {
        hr = RetryAt768x576(hr, tee.Get(), target);
    }
    if (FAILED(hr)) {
        ReportError(hr, u"Could not render preview pin.");
    }
}

IBaseFilter* TDXShowCapture::PreviewTarget() {
    if (IsVMR9() || IsVMR7() || IsEVR()) {
        return FVideoRenderer.Get();
    }
    return FOverlayMixer.Get();
}

// Without a device filter (its moniker did not bind) the platform is never handed a null
// filter: the capture graph builder need not survive one (Wine's does not). The calls
// answer E_POINTER instead, as the documentation gives for a null argument, and the
// rendering fails as it would.
void TDXShowCapture::FindStreamConfig(HRESULT& hr) {
    if (!FCap) {
        hr = E_POINTER;
        return;
    }
    hr = FBuild->FindInterface(&PIN_CATEGORY_PREVIEW, nullptr, FCap.Get(),
                               IID_PPV_ARGS(FStreamConfig.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        hr = FBuild->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, FCap.Get(),
                                   IID_PPV_ARGS(FStreamConfig.ReleaseAndGetAddressOf()));
    }
}

void TDXShowCapture::SelectPreferredFormat() {
    int index = FOutputFormats->FindBestConfig(MEDIASUBTYPE_UYVY);
    if (index != -1) {
        SelectFormat(index, u"Select UYVY: ");
        return;
    }
    index = FOutputFormats->FindBestConfig(MEDIASUBTYPE_YUY2);
    if (index != -1) {
        SelectFormat(index, u"Select YUY2: ");
    }
}

void TDXShowCapture::SelectFormat(int index, std::u16string_view logText) {
    TDXShowStreamConfigItem& item = FOutputFormats->Items(index);
    item.SetNativeSize();
    item.Select();
    LogMsg(S_OK, WithIndex(logText, index));
}

HRESULT TDXShowCapture::RenderPreview(IBaseFilter* tee, IBaseFilter* target) {
    if (!FCap) {
        return E_POINTER;
    }
    HRESULT hr = FBuild->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved, FCap.Get(),
                                      tee, target);
    if (FAILED(hr)) {
        hr = FBuild->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, FCap.Get(), tee, target);
    }
    if (FAILED(hr)) {
        hr =
            FBuild->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Stream, FCap.Get(), tee, target);
    }
    return hr;
}

// Some capture drivers offer their preview only on a video port pin. Answers the last
// attempt's code, or `hr` when there is no such pin.
HRESULT TDXShowCapture::RenderVideoPortPin(HRESULT hr, IBaseFilter* target) {
    if (!FCap) {
        return hr;
    }
    const TPinList pins(FCap.Get(), PINDIR_OUTPUT);
    OwnedPinInfo info;
    for (int i = 0; i < pins.Count(); ++i) {
        if (FAILED(pins.PinInfo(i, info)) || info.Name() != kVideoPortPinName) {
            continue;
        }
        hr = FBuild->RenderStream(nullptr, nullptr, pins.Items(i).Get(), nullptr, target);
        if (SUCCEEDED(hr)) {
            break;
        }
    }
    return hr;
}

// Cards whose preview needs the full PAL width: back to the default format, then the
// UYVY format of 768 x 576 if the device has one, and render again.
HRESULT TDXShowCapture::RetryAt768x576(HRESULT hr, IBaseFilter* tee, IBaseFilter* target) {
    LogMsg(hr, u"Trying 768*576 resolution...");
    if (FOutputFormats->Count() == 0 || !FStreamConfig) {
        return hr;
    }
    FStreamConfig->SetFormat(nullptr);
    FOutputFormats->Refresh(FStreamConfig.Get());
    const int index = FOutputFormats->FindBestConfig(MEDIASUBTYPE_UYVY, 768, 576);
    if (index != -1) {
        SelectFormat(index, u"Select UYVY 768x576: ");
    }
    return RenderPreview(tee, target);
}

void TDXShowCapture::FindCrossbar() {
    if (!FCap || FAILED(FBuild->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, FCap.Get(),
                                              IID_PPV_ARGS(FCrossBar.ReleaseAndGetAddressOf())))) {
        FCrossBar.Reset();
    }
    FCaptureInputs->Refresh(FCrossBar.Get());
}

void TDXShowCapture::HandleEvent(LONG EventCode, LONG_PTR Param1, LONG_PTR Param2) {
    if (EventCode != EC_DEVICE_LOST) {
        TDXShowVideo::HandleEvent(EventCode, Param1, Param2);
        return;
    }
    // Param1 is the device's object, Param2 0 for a removal and 1 for a return.
    auto* const lostDevice = reinterpret_cast<IUnknown*>(Param1);
    if (Param2 == 0 && FCap && lostDevice != nullptr) {
        ComPtr<IBaseFilter> filter;
        if (SUCCEEDED(lostDevice->QueryInterface(IID_PPV_ARGS(filter.GetAddressOf()))) &&
            IsEqualObject(FCap.Get(), filter.Get())) {
            Stop();
            FCap.Reset();
        }
    }
    FCaptureDevices->Refresh();
}

bool TDXShowCapture::ShowCaptureFilterDlg() {
    return FCap && ShowPropertyPages(FCap.Get());
}

bool TDXShowCapture::ShowPropertyPages(IBaseFilter* filter) {
    ComPtr<ISpecifyPropertyPages> specifyPages;
    if (FAILED(filter->QueryInterface(IID_PPV_ARGS(specifyPages.GetAddressOf())))) {
        return true;
    }
    PropertyPageList pages;
    if (FAILED(specifyPages->GetPages(pages.Receive()))) {
        return false;
    }
    OwnedFilterInfo info;
    if (FAILED(filter->QueryFilterInfo(info.Receive()))) {
        return false;
    }
    IUnknown* objects[] = {filter};
    const HRESULT hr = OleCreatePropertyFrame(PropertyFrameOwner(), 0, 0, info.Get().achName, 1,
                                              objects, pages.Count(), pages.Pages(), 0, 0, nullptr);
    if (FAILED(hr)) {
        LogMsg(hr, u"OleCreatePropertyFrame");
    }
    return true;
}

// The frame belongs to the application's main window: the outermost window control among
// this component's owners; none when the component is not owned by a window.
HWND TDXShowCapture::PropertyFrameOwner() const {
    HWND owner = nullptr;
    for (const TComponent* component = Owner(); component != nullptr;
         component = component->Owner()) {
        if (const auto* control = dynamic_cast<const TWinControl*>(component)) {
            owner = control->Handle();
        }
    }
    return owner;
}

bool TDXShowCapture::ShowOutputFormatDlg() {
    if (!FCap) {
        return false;
    }
    ComPtr<IAMStreamConfig> streamConfig;
    if (SUCCEEDED(FBuild->FindInterface(&PIN_CATEGORY_PREVIEW, nullptr, FCap.Get(),
                                        IID_PPV_ARGS(streamConfig.GetAddressOf())))) {
        Assert(false, u"Not yet implemented");
    }
    return false;
}

}  // namespace capspect
