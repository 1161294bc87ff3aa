// The Video Mixing Renderers 7 and 9.
#include <string>

#include "platform/directshow/renderers.h"
#include "platform/sdk/dshow/capture.h"

namespace capspect::sim {

namespace {

std::u16string InputName(DWORD index) {
    std::u16string name = u"VMR Input";
    for (const char digit : std::to_string(index)) {
        name.push_back(static_cast<char16_t>(digit));
    }
    return name;
}

template <typename Rect>
bool IsNormalizedRectEmpty(const Rect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

// What the VMR mixers accept: a picture from exactly one of a device context and a
// surface (unless the picture is disabled) and an alpha between 0 and 1.
template <typename Bitmap>
HRESULT CheckVmrBitmap(const Bitmap& bitmap, DWORD disableFlag, DWORD dcFlag) {
    if (bitmap.fAlpha < 0.0F || bitmap.fAlpha > 1.0F) {
        return E_INVALIDARG;
    }
    if ((bitmap.dwFlags & disableFlag) != 0) {
        return S_OK;
    }
    const bool fromDc = (bitmap.dwFlags & dcFlag) != 0;
    if (fromDc ? (bitmap.hdc == nullptr || bitmap.pDDS != nullptr) : bitmap.pDDS == nullptr) {
        return E_INVALIDARG;
    }
    return S_OK;
}

template <typename Bitmap>
HRESULT SetVmrBitmap(MixerBitmapRecord<Bitmap>& record, const Bitmap* bitmap, DWORD disableFlag,
                     DWORD dcFlag) {
    if (bitmap == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT hr = CheckVmrBitmap(*bitmap, disableFlag, dcFlag); FAILED(hr)) {
        return hr;
    }
    std::optional<MixerPicture> picture;
    if ((bitmap->dwFlags & (disableFlag | dcFlag)) == dcFlag) {
        picture.emplace();
        if (const HRESULT hr = CopyMixerPicture(bitmap->hdc, bitmap->rSrc, *picture); FAILED(hr)) {
            return hr;
        }
    }
    record.picture = std::move(picture);
    record.current = *bitmap;
    record.history.push_back(*bitmap);
    ++record.setCalls;
    return S_OK;
}

// New parameters for the picture already given: the picture itself stays.
template <typename Bitmap>
HRESULT UpdateVmrBitmap(MixerBitmapRecord<Bitmap>& record, const Bitmap* bitmap) {
    if (bitmap == nullptr) {
        return E_POINTER;
    }
    if (!record.current) {
        return VFW_E_WRONG_STATE;
    }
    if (bitmap->fAlpha < 0.0F || bitmap->fAlpha > 1.0F) {
        return E_INVALIDARG;
    }
    Bitmap updated = *bitmap;
    updated.hdc = record.current->hdc;
    updated.pDDS = record.current->pDDS;
    record.current = updated;
    record.history.push_back(updated);
    ++record.updateCalls;
    return S_OK;
}

template <typename Bitmap>
HRESULT GetVmrBitmap(const MixerBitmapRecord<Bitmap>& record, Bitmap* bitmap) {
    if (bitmap == nullptr) {
        return E_POINTER;
    }
    *bitmap = record.current.value_or(Bitmap{});
    return S_OK;
}

}  // namespace

bool IsShown(const VMRALPHABITMAP& bitmap) {
    return (bitmap.dwFlags & VMRBITMAP_DISABLE) == 0 && bitmap.fAlpha > 0.0F &&
           !IsNormalizedRectEmpty(bitmap.rDest);
}

bool IsShown(const VMR9AlphaBitmap& bitmap) {
    return (bitmap.dwFlags & VMR9AlphaBitmap_Disable) == 0 && bitmap.fAlpha > 0.0F &&
           !IsNormalizedRectEmpty(bitmap.rDest);
}

// ---- VMR-7 -------------------------------------------------------------------------------

Vmr7Renderer::Vmr7Renderer() : WithInterfaces(CLSID_VideoMixingRenderer) {
    AddVideoInput(InputName(0), UncompressedVideoSubtypes());
}

HRESULT Vmr7Renderer::QueryOtherInterface(REFIID riid, void** object) {
    if (riid == IID_IVMRFilterConfig && QueryRefused("IVMRFilterConfig")) {
        return E_NOINTERFACE;
    }
    // The mixer's bitmap exists only in mixing mode.
    if (riid == IID_IVMRMixerBitmap && (config_.streams == 0 || QueryRefused("IVMRMixerBitmap"))) {
        return E_NOINTERFACE;
    }
    return WithInterfaces::QueryOtherInterface(riid, object);
}

HRESULT Vmr7Renderer::SetImageCompositor(IVMRImageCompositor* /*compositor*/) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::SetImageCompositor")) {
        return *fault;
    }
    return E_NOTIMPL;
}

HRESULT Vmr7Renderer::SetNumberOfStreams(DWORD maxStreams) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::SetNumberOfStreams")) {
        return *fault;
    }
    if (config_.streams != 0 || HasConnectedInput()) {
        return E_FAIL;
    }
    if (maxStreams == 0 || maxStreams > MAX_MIXER_STREAMS) {
        return E_INVALIDARG;
    }
    config_.streams = maxStreams;
    for (DWORD index = 1; index < maxStreams; ++index) {
        AddVideoInput(InputName(index), UncompressedVideoSubtypes());
    }
    return S_OK;
}

HRESULT Vmr7Renderer::GetNumberOfStreams(DWORD* maxStreams) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::GetNumberOfStreams")) {
        return *fault;
    }
    if (maxStreams == nullptr) {
        return E_POINTER;
    }
    if (config_.streams == 0) {
        return VFW_E_VMR_NOT_IN_MIXER_MODE;
    }
    *maxStreams = config_.streams;
    return S_OK;
}

HRESULT Vmr7Renderer::SetRenderingPrefs(DWORD renderFlags) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::SetRenderingPrefs")) {
        return *fault;
    }
    config_.renderingPrefs = renderFlags;
    return S_OK;
}

HRESULT Vmr7Renderer::GetRenderingPrefs(DWORD* renderFlags) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::GetRenderingPrefs")) {
        return *fault;
    }
    if (renderFlags == nullptr) {
        return E_POINTER;
    }
    *renderFlags = config_.renderingPrefs;
    return S_OK;
}

HRESULT Vmr7Renderer::SetRenderingMode(DWORD mode) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::SetRenderingMode")) {
        return *fault;
    }
    if (mode != VMRMode_Windowed && mode != VMRMode_Windowless && mode != VMRMode_Renderless) {
        return E_INVALIDARG;
    }
    // The configuration is locked once connected; mixing mode rules out renderless.
    if (HasConnectedInput() || (mode == VMRMode_Renderless && config_.streams != 0)) {
        return VFW_E_WRONG_STATE;
    }
    config_.renderingMode = mode;
    return S_OK;
}

HRESULT Vmr7Renderer::GetRenderingMode(DWORD* mode) {
    if (const auto fault = InjectedFault("IVMRFilterConfig::GetRenderingMode")) {
        return *fault;
    }
    if (mode == nullptr) {
        return E_POINTER;
    }
    *mode = config_.renderingMode;
    return S_OK;
}

HRESULT Vmr7Renderer::SetAlphaBitmap(const VMRALPHABITMAP* bitmap) {
    if (const auto fault = InjectedFault("IVMRMixerBitmap::SetAlphaBitmap")) {
        return *fault;
    }
    return SetVmrBitmap(bitmap_, bitmap, VMRBITMAP_DISABLE, VMRBITMAP_HDC);
}

HRESULT Vmr7Renderer::UpdateAlphaBitmapParameters(PVMRALPHABITMAP bitmap) {
    if (const auto fault = InjectedFault("IVMRMixerBitmap::UpdateAlphaBitmapParameters")) {
        return *fault;
    }
    return UpdateVmrBitmap(bitmap_, bitmap);
}

HRESULT Vmr7Renderer::GetAlphaBitmapParameters(PVMRALPHABITMAP bitmap) {
    if (const auto fault = InjectedFault("IVMRMixerBitmap::GetAlphaBitmapParameters")) {
        return *fault;
    }
    return GetVmrBitmap(bitmap_, bitmap);
}

// ---- VMR-9 -------------------------------------------------------------------------------

Vmr9Renderer::Vmr9Renderer() : WithInterfaces(CLSID_VideoMixingRenderer9) {
    for (DWORD index = 0; index < kDefaultStreams; ++index) {
        AddVideoInput(InputName(index), UncompressedVideoSubtypes());
    }
}

HRESULT Vmr9Renderer::QueryOtherInterface(REFIID riid, void** object) {
    if (riid == IID_IVMRFilterConfig9 && QueryRefused("IVMRFilterConfig9")) {
        return E_NOINTERFACE;
    }
    if (riid == IID_IVMRWindowlessControl9 &&
        (config_.renderingMode != VMR9Mode_Windowless || QueryRefused("IVMRWindowlessControl9"))) {
        return E_NOINTERFACE;
    }
    if (riid == IID_IVMRMixerBitmap9 && QueryRefused("IVMRMixerBitmap9")) {
        return E_NOINTERFACE;
    }
    return WithInterfaces::QueryOtherInterface(riid, object);
}

HRESULT Vmr9Renderer::SetImageCompositor(IVMRImageCompositor9* /*compositor*/) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::SetImageCompositor")) {
        return *fault;
    }
    return E_NOTIMPL;
}

HRESULT Vmr9Renderer::SetNumberOfStreams(DWORD maxStreams) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::SetNumberOfStreams")) {
        return *fault;
    }
    if (HasConnectedInput()) {
        return E_FAIL;
    }
    if (maxStreams == 0 || maxStreams > MAX_MIXER_STREAMS) {
        return E_INVALIDARG;
    }
    while (Pins().size() > maxStreams) {
        RemovePin(*Pins().back());
    }
    for (auto index = static_cast<DWORD>(Pins().size()); index < maxStreams; ++index) {
        AddVideoInput(InputName(index), UncompressedVideoSubtypes());
    }
    config_.streams = maxStreams;
    return S_OK;
}

HRESULT Vmr9Renderer::GetNumberOfStreams(DWORD* maxStreams) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::GetNumberOfStreams")) {
        return *fault;
    }
    if (maxStreams == nullptr) {
        return E_POINTER;
    }
    *maxStreams = config_.streams;
    return S_OK;
}

HRESULT Vmr9Renderer::SetRenderingPrefs(DWORD renderFlags) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::SetRenderingPrefs")) {
        return *fault;
    }
    config_.renderingPrefs = renderFlags;
    return S_OK;
}

HRESULT Vmr9Renderer::GetRenderingPrefs(DWORD* renderFlags) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::GetRenderingPrefs")) {
        return *fault;
    }
    if (renderFlags == nullptr) {
        return E_POINTER;
    }
    *renderFlags = config_.renderingPrefs;
    return S_OK;
}

HRESULT Vmr9Renderer::SetRenderingMode(DWORD mode) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::SetRenderingMode")) {
        return *fault;
    }
    if (mode != VMR9Mode_Windowed && mode != VMR9Mode_Windowless && mode != VMR9Mode_Renderless) {
        return E_INVALIDARG;
    }
    // The configuration is locked once an input is connected.
    if (HasConnectedInput()) {
        return VFW_E_WRONG_STATE;
    }
    config_.renderingMode = mode;
    return S_OK;
}

HRESULT Vmr9Renderer::GetRenderingMode(DWORD* mode) {
    if (const auto fault = InjectedFault("IVMRFilterConfig9::GetRenderingMode")) {
        return *fault;
    }
    if (mode == nullptr) {
        return E_POINTER;
    }
    *mode = config_.renderingMode;
    return S_OK;
}

// A windowless control kept from windowless mode stops working when the mode changes.
HRESULT Vmr9Renderer::WindowlessReady() const {
    return config_.renderingMode == VMR9Mode_Windowless ? S_OK : VFW_E_WRONG_STATE;
}

SIZE Vmr9Renderer::NativeSize() const {
    return InputVideo().value_or(VideoFormat{}).size;
}

HRESULT Vmr9Renderer::GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectRatioWidth,
                                         LONG* aspectRatioHeight) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetNativeVideoSize")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (width == nullptr && height == nullptr && aspectRatioWidth == nullptr &&
        aspectRatioHeight == nullptr) {
        return E_POINTER;
    }
    const auto video = InputVideo();
    if (!video) {
        return VFW_E_NOT_CONNECTED;
    }
    const auto store = [](LONG* target, LONG value) {
        if (target != nullptr) {
            *target = value;
        }
    };
    store(width, video->size.cx);
    store(height, video->size.cy);
    store(aspectRatioWidth, video->aspectRatio.cx);
    store(aspectRatioHeight, video->aspectRatio.cy);
    return S_OK;
}

HRESULT Vmr9Renderer::GetMinIdealVideoSize(LONG* width, LONG* height) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetMinIdealVideoSize")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (width == nullptr || height == nullptr) {
        return E_POINTER;
    }
    // Any size down to one pixel shows without loss on the simulated display.
    *width = 1;
    *height = 1;
    return S_OK;
}

HRESULT Vmr9Renderer::GetMaxIdealVideoSize(LONG* width, LONG* height) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetMaxIdealVideoSize")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (width == nullptr || height == nullptr) {
        return E_POINTER;
    }
    const SIZE size = NativeSize();
    *width = size.cx;
    *height = size.cy;
    return S_OK;
}

HRESULT Vmr9Renderer::SetVideoPosition(const RECT* sourceRect, const RECT* destinationRect) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::SetVideoPosition")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (sourceRect == nullptr && destinationRect == nullptr) {
        return E_POINTER;
    }
    if (sourceRect != nullptr) {
        // The source must be a non-empty part of the video.
        const SIZE size = NativeSize();
        const RECT& source = *sourceRect;
        if (source.left < 0 || source.top < 0 || source.right <= source.left ||
            source.bottom <= source.top || source.right > size.cx || source.bottom > size.cy) {
            return E_INVALIDARG;
        }
    }
    if (destinationRect != nullptr && (destinationRect->right < destinationRect->left ||
                                       destinationRect->bottom < destinationRect->top)) {
        return E_INVALIDARG;
    }
    if (sourceRect != nullptr) {
        windowless_.source = *sourceRect;
    }
    if (destinationRect != nullptr) {
        windowless_.destination = *destinationRect;
    }
    ++windowless_.positionChanges;
    return S_OK;
}

HRESULT Vmr9Renderer::GetVideoPosition(RECT* sourceRect, RECT* destinationRect) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetVideoPosition")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (sourceRect == nullptr || destinationRect == nullptr) {
        return E_POINTER;
    }
    const SIZE size = NativeSize();
    *sourceRect = windowless_.source.value_or(RECT{0, 0, size.cx, size.cy});
    *destinationRect = windowless_.destination.value_or(RECT{});
    return S_OK;
}

HRESULT Vmr9Renderer::GetAspectRatioMode(DWORD* aspectRatioMode) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetAspectRatioMode")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (aspectRatioMode == nullptr) {
        return E_POINTER;
    }
    *aspectRatioMode = windowless_.aspectRatioMode;
    return S_OK;
}

HRESULT Vmr9Renderer::SetAspectRatioMode(DWORD aspectRatioMode) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::SetAspectRatioMode")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (aspectRatioMode != VMR9ARMode_None && aspectRatioMode != VMR9ARMode_LetterBox) {
        return E_INVALIDARG;
    }
    windowless_.aspectRatioMode = aspectRatioMode;
    return S_OK;
}

HRESULT Vmr9Renderer::SetVideoClippingWindow(HWND window) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::SetVideoClippingWindow")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (window == nullptr) {
        return E_INVALIDARG;
    }
    windowless_.clippingWindow = window;
    return S_OK;
}

HRESULT Vmr9Renderer::RepaintVideo(HWND window, HDC dc) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::RepaintVideo")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    ++windowless_.repaints;
    windowless_.repaintWindow = window;
    windowless_.repaintDc = dc;
    return S_OK;
}

HRESULT Vmr9Renderer::DisplayModeChanged() {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::DisplayModeChanged")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    ++windowless_.displayModeChanges;
    return S_OK;
}

HRESULT Vmr9Renderer::GetCurrentImage(BYTE** dib) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetCurrentImage")) {
        return *fault;
    }
    if (dib == nullptr) {
        return E_POINTER;
    }
    *dib = nullptr;
    // No frames flow through the simulated graph, so there is no image to hand out.
    return E_NOTIMPL;
}

HRESULT Vmr9Renderer::SetBorderColor(COLORREF color) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::SetBorderColor")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    windowless_.borderColor = color;
    return S_OK;
}

HRESULT Vmr9Renderer::GetBorderColor(COLORREF* color) {
    if (const auto fault = InjectedFault("IVMRWindowlessControl9::GetBorderColor")) {
        return *fault;
    }
    if (const HRESULT hr = WindowlessReady(); FAILED(hr)) {
        return hr;
    }
    if (color == nullptr) {
        return E_POINTER;
    }
    *color = windowless_.borderColor;
    return S_OK;
}

HRESULT Vmr9Renderer::SetAlphaBitmap(const VMR9AlphaBitmap* bitmap) {
    if (const auto fault = InjectedFault("IVMRMixerBitmap9::SetAlphaBitmap")) {
        return *fault;
    }
    return SetVmrBitmap(bitmap_, bitmap, VMR9AlphaBitmap_Disable, VMR9AlphaBitmap_hDC);
}

HRESULT Vmr9Renderer::UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap) {
    if (const auto fault = InjectedFault("IVMRMixerBitmap9::UpdateAlphaBitmapParameters")) {
        return *fault;
    }
    return UpdateVmrBitmap(bitmap_, bitmap);
}

HRESULT Vmr9Renderer::GetAlphaBitmapParameters(VMR9AlphaBitmap* bitmap) {
    if (const auto fault = InjectedFault("IVMRMixerBitmap9::GetAlphaBitmapParameters")) {
        return *fault;
    }
    return GetVmrBitmap(bitmap_, bitmap);
}

}  // namespace capspect::sim
