#include "dshow/DShowUtil.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <windows.h>

#include <dshow.h>
#include <ks.h>
#include <objbase.h>

#include "framework/Exceptions.h"
#include "platform/support/comptr.h"
#include "platform/support/guids.h"
#include "platform/support/mediatypes.h"
#include "platform/support/registry_key.h"
#include "platform/support/wide_string.h"
#include "util/MediaTypeHelpers.h"

namespace capspect {

// --- TMatchPinConnection ---------------------------------------------------------------

TMatchPinConnection::TMatchPinConnection(bool bShouldBeConnected)
    : m_bShouldBeConnected(bShouldBeConnected) {}

ComPtr<IPinPred> TMatchPinConnection::Create(bool bShouldBeConnected) {
    ComPtr<IPinPred> matcher;
    matcher.Attach(new TMatchPinConnection(bShouldBeConnected));
    return matcher;
}

HRESULT STDMETHODCALLTYPE TMatchPinConnection::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (riid != IID_IUnknown) {
        return E_NOINTERFACE;
    }
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TMatchPinConnection::AddRef() {
    return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG STDMETHODCALLTYPE TMatchPinConnection::Release() {
    const ULONG left = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT TMatchPinConnection::FN(IPin* pPin, bool* pResult) {
    Assert(pResult != nullptr, u"Assertion failure");
    bool connected = false;
    const HRESULT hr = IsPinConnected(pPin, &connected);
    if (SUCCEEDED(hr)) {
        *pResult = connected == m_bShouldBeConnected;
    }
    return hr;
}

// --- Pins ------------------------------------------------------------------------------

namespace {

// The next pin of an enumeration, or null at its end.
ComPtr<IPin> NextPin(IEnumPins& pins) {
    ComPtr<IPin> pin;
    if (pins.Next(1, pin.GetAddressOf(), nullptr) != S_OK) {
        pin = nullptr;
    }
    return pin;
}

bool HasDirection(IPin& pin, PIN_DIRECTION direction) {
    PIN_DIRECTION actual{};
    return SUCCEEDED(pin.QueryDirection(&actual)) && actual == direction;
}

bool HasPeer(IPin& pin) {
    ComPtr<IPin> peer;
    return SUCCEEDED(pin.ConnectedTo(peer.GetAddressOf()));
}

}  // namespace

HRESULT IsPinConnected(IPin* pPin, bool* pResult) {
    if (pPin == nullptr || pResult == nullptr) {
        return E_POINTER;
    }
    ComPtr<IPin> peer;
    const HRESULT hr = pPin->ConnectedTo(peer.GetAddressOf());
    if (SUCCEEDED(hr)) {
        *pResult = true;
        return S_OK;
    }
    if (hr == VFW_E_NOT_CONNECTED) {
        *pResult = false;
        return S_OK;
    }
    return hr;
}

HRESULT IsPinDirection(IPin* pPin, PIN_DIRECTION direction, bool* pResult) {
    if (pPin == nullptr || pResult == nullptr) {
        return E_POINTER;
    }
    PIN_DIRECTION actual{};
    const HRESULT hr = pPin->QueryDirection(&actual);
    if (SUCCEEDED(hr)) {
        *pResult = actual == direction;
    }
    return hr;
}

HRESULT FindMatchingPin(IBaseFilter* pFilter, IPinPred* pPred, IPin** ppPin) {
    if (ppPin == nullptr) {
        return E_POINTER;
    }
    *ppPin = nullptr;
    if (pFilter == nullptr || pPred == nullptr) {
        return E_POINTER;
    }
    ComPtr<IEnumPins> pins;
    const HRESULT hr = pFilter->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    while (ComPtr<IPin> pin = NextPin(*pins)) {
        bool accepted = false;
        if (FAILED(pPred->FN(pin.Get(), &accepted))) {
            break;
        }
        if (accepted) {
            *ppPin = pin.Detach();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT GetPin(IBaseFilter* pFilter, PIN_DIRECTION direction, int index, IPin** ppPin) {
    if (ppPin == nullptr) {
        return E_POINTER;
    }
    *ppPin = nullptr;
    if (pFilter == nullptr) {
        return E_POINTER;
    }
    ComPtr<IEnumPins> pins;
    const HRESULT hr = pFilter->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    while (ComPtr<IPin> pin = NextPin(*pins)) {
        if (!HasDirection(*pin, direction)) {
            continue;
        }
        if (index == 0) {
            *ppPin = pin.Detach();
            return S_OK;
        }
        --index;
    }
    return E_FAIL;
}

HRESULT GetUnconnectedPin(IBaseFilter* pFilter, PIN_DIRECTION direction, IPin** ppPin) {
    if (ppPin == nullptr) {
        return E_POINTER;
    }
    *ppPin = nullptr;
    if (pFilter == nullptr) {
        return E_POINTER;
    }
    ComPtr<IEnumPins> pins;
    const HRESULT hr = pFilter->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    while (ComPtr<IPin> pin = NextPin(*pins)) {
        if (HasDirection(*pin, direction) && !HasPeer(*pin)) {
            *ppPin = pin.Detach();
            return S_OK;
        }
    }
    return E_FAIL;
}

// --- Connecting and removing -----------------------------------------------------------

HRESULT DisconnectPin(IFilterGraph* pGraph, IPin* pPin) {
    if (pGraph == nullptr || pPin == nullptr) {
        return E_POINTER;
    }
    ComPtr<IPin> peer;
    HRESULT hr = pPin->ConnectedTo(peer.GetAddressOf());
    if (hr == VFW_E_NOT_CONNECTED) {
        return S_OK;
    }
    if (FAILED(hr)) {
        return hr;
    }
    hr = pGraph->Disconnect(pPin);
    if (SUCCEEDED(hr)) {
        // Each side of a connection holds its own half; the peer's is released separately.
        pGraph->Disconnect(peer.Get());
    }
    return hr;
}

HRESULT RemoveFilterFromGraph(IFilterGraph* pGraph, IBaseFilter* pFilter) {
    if (pGraph == nullptr || pFilter == nullptr) {
        return E_POINTER;
    }
    ComPtr<IEnumPins> pins;
    HRESULT hr = pFilter->EnumPins(pins.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    while (ComPtr<IPin> pin = NextPin(*pins)) {
        hr = DisconnectPin(pGraph, pin.Get());
        if (FAILED(hr)) {
            return hr;
        }
    }
    return pGraph->RemoveFilter(pFilter);
}

HRESULT RemoveUnconnectedFilters(IFilterGraph* pGraph) {
    if (pGraph == nullptr) {
        return E_POINTER;
    }
    ComPtr<IEnumFilters> filters;
    HRESULT hr = pGraph->EnumFilters(filters.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        const ComPtr<IPinPred> connected = TMatchPinConnection::Create(true);
        ComPtr<IPin> pin;
        if (SUCCEEDED(FindMatchingPin(filter.Get(), connected.Get(), pin.GetAddressOf()))) {
            continue;
        }
        Assert(pin == nullptr, u"Assertion failure");
        hr = RemoveFilterFromGraph(pGraph, filter.Get());
        if (FAILED(hr)) {
            break;
        }
        // Removing a filter invalidates the enumeration; start it over.
        filters->Reset();
    }
    return hr;
}

HRESULT ConnectPinToFilter(IGraphBuilder* pGraph, IPin* pOutputPin, IBaseFilter* pDestination) {
    if (pGraph == nullptr || pOutputPin == nullptr || pDestination == nullptr) {
        return E_POINTER;
    }
    ComPtr<IPin> input;
    const HRESULT hr = GetUnconnectedPin(pDestination, PINDIR_INPUT, input.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    return pGraph->Connect(pOutputPin, input.Get());
}

HRESULT ConnectFilters(IGraphBuilder* pGraph, IBaseFilter* pSource, IBaseFilter* pDestination) {
    if (pGraph == nullptr || pSource == nullptr || pDestination == nullptr) {
        return E_POINTER;
    }
    ComPtr<IPin> output;
    const HRESULT hr = GetUnconnectedPin(pSource, PINDIR_OUTPUT, output.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    return ConnectPinToFilter(pGraph, output.Get(), pDestination);
}

HRESULT AddFilterByCLSID(IFilterGraph* pGraph, REFCLSID clsid, LPCWSTR name,
                         IBaseFilter** ppFilter) {
    if (ppFilter != nullptr) {
        *ppFilter = nullptr;
    }
    if (pGraph == nullptr) {
        return E_POINTER;
    }
    ComPtr<IBaseFilter> filter;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(filter.GetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    hr = pGraph->AddFilter(filter.Get(), name);
    if (FAILED(hr)) {
        return hr;
    }
    if (ppFilter != nullptr) {
        *ppFilter = filter.Detach();
    }
    return hr;
}

// --- Source filters and aspect ratios --------------------------------------------------

HRESULT IsSourceFilter(IBaseFilter* pFilter, bool* pIsSource) {
    if (pFilter == nullptr || pIsSource == nullptr) {
        return E_POINTER;
    }
    *pIsSource = false;
    ComPtr<IAMFilterMiscFlags> flags;
    HRESULT hr = pFilter->QueryInterface(IID_PPV_ARGS(flags.GetAddressOf()));
    if (SUCCEEDED(hr)) {
        *pIsSource = (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_SOURCE) != 0;
        return hr;
    }
    ComPtr<IFileSourceFilter> fileSource;
    hr = pFilter->QueryInterface(IID_PPV_ARGS(fileSource.GetAddressOf()));
    if (SUCCEEDED(hr)) {
        *pIsSource = true;
    }
    return hr;
}

bool FindSourceFilter(IFilterGraph* pGraph, IBaseFilter** ppFilter) {
    if (ppFilter != nullptr) {
        *ppFilter = nullptr;
    }
    ComPtr<IEnumFilters> filters;
    if (pGraph == nullptr || FAILED(pGraph->EnumFilters(filters.GetAddressOf()))) {
        return false;
    }
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        bool isSource = false;
        if (SUCCEEDED(IsSourceFilter(filter.Get(), &isSource)) && isSource) {
            if (ppFilter != nullptr) {
                *ppFilter = filter.Detach();
            }
            return true;
        }
    }
    return false;
}

namespace {

// Y / X of a connection's VIDEOINFOHEADER2 picture aspect ratio; 0 for any other format.
float PictureAspectOf(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.formattype != FORMAT_Vidscope2 || mediaType.pbFormat == nullptr ||
        mediaType.cbFormat < sizeof(VIDEOINFOHEADER2)) {
        return 0.0F;
    }
    const auto* header = reinterpret_cast<const VIDEOINFOHEADER2*>(mediaType.pbFormat);
    if (header->dwPictAspectRatioX == 0) {
        return 0.0F;
    }
    return static_cast<float>(header->dwPictAspectRatioY) /
           static_cast<float>(header->dwPictAspectRatioX);
}

}  // namespace

float GetPictureAspectRatio(IBaseFilter* pFilter) {
    ComPtr<IEnumPins> pins;
    if (pFilter == nullptr || FAILED(pFilter->EnumPins(pins.GetAddressOf()))) {
        return 0.0F;
    }
    while (ComPtr<IPin> pin = NextPin(*pins)) {
        AM_MEDIA_TYPE mediaType{};
        if (FAILED(pin->ConnectionMediaType(&mediaType))) {
            continue;
        }
        const float aspect = PictureAspectOf(mediaType);
        ClearMediaType(mediaType);
        if (aspect != 0.0F) {
            return aspect;
        }
    }
    return 0.0F;
}

TWindowPosition FitAspectRect(int x, int y, const RECT& rect) {
    const std::int64_t width = std::int64_t{rect.right} - rect.left;
    const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
    const auto asIs =
        TWindowPosition{rect.left, rect.top, static_cast<LONG>(width), static_cast<LONG>(height)};
    // Without area or a positive aspect there is nothing to fit, and the quotients below
    // would be infinite or not a number.
    if (x <= 0 || y <= 0 || width <= 0 || height <= 0 || width > std::numeric_limits<LONG>::max() ||
        height > std::numeric_limits<LONG>::max()) {
        return asIs;
    }
    const double aspect = static_cast<double>(x) / y;
    std::int64_t fittedWidth = width;
    std::int64_t fittedHeight = height;
    // Round to nearest with ties to even: the default floating-point rounding mode.
    if (static_cast<double>(width) / static_cast<double>(height) >= aspect) {
        fittedWidth =
            static_cast<std::int64_t>(std::nearbyint(static_cast<double>(height) * aspect));
    } else {
        fittedHeight =
            static_cast<std::int64_t>(std::nearbyint(static_cast<double>(width) / aspect));
    }
    return TWindowPosition{static_cast<LONG>(rect.left + (width - fittedWidth) / 2),
                           static_cast<LONG>(rect.top + (height - fittedHeight) / 2),
                           static_cast<LONG>(fittedWidth), static_cast<LONG>(fittedHeight)};
}

// --- Registry, images, file names ------------------------------------------------------

namespace {

// Categories without a name in the platform's headers.
constexpr GUID kCategoryFBF6F530{
    0xFBF6F530, 0x07B9, 0x11D2, {0xA7, 0x1E, 0x00, 0x00, 0xF8, 0x00, 0x47, 0x88}};
constexpr GUID kCategory71985F4B{
    0x71985F4B, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
constexpr GUID kCategoryFD0A5AF4{
    0xFD0A5AF4, 0xB41D, 0x11D2, {0x9C, 0x95, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
constexpr GUID kCategory71985F48{
    0x71985F48, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
constexpr GUID kCategoryA2E3074F{
    0xA2E3074F, 0x6C3D, 0x11D3, {0xB6, 0x53, 0x00, 0xC0, 0x4F, 0x79, 0x49, 0x8E}};

// The categories searched for a filter's friendly name, in search order. The legacy
// filter category comes twice in this order; the second look-up finds what the first did.
constexpr std::array<const GUID*, 28> kFriendlyNameCategories{
    &CLSID_ActiveMovieCategories,
    &CLSID_AudioRendererCategory,
    &CLSID_LegacyAmFilterCategory,
    &CLSID_MidiRendererCategory,
    &CLSID_AudioInputDeviceCategory,
    &CLSID_AudioCompressorCategory,
    &CLSID_DeviceControlCategory,
    &CLSID_LegacyAmFilterCategory,
    &CLSID_TransmitCategory,
    &CLSID_VideoInputDeviceCategory,
    &CLSID_VideoCompressorCategory,
    &CLSID_VideoEffects1Category,
    &CLSID_VideoEffects2Category,
    &AM_KSCATEGORY_CAPTURE,
    &AM_KSCATEGORY_CROSSBAR,
    &AM_KSCATEGORY_RENDER,
    &AM_KSCATEGORY_SPLITTER,
    &AM_KSCATEGORY_TVAUDIO,
    &AM_KSCATEGORY_TVTUNER,
    &AM_KSCATEGORY_VBICODEC,
    &KSCATEGORY_COMMUNICATIONSTRANSFORM,
    &KSCATEGORY_INTERFACETRANSFORM,
    &KSCATEGORY_MIXER,
    &kCategoryFBF6F530,
    &kCategory71985F4B,
    &kCategoryFD0A5AF4,
    &kCategory71985F48,
    &kCategoryA2E3074F,
};

std::u16string FriendlyNameIn(const GUID& category, const CLSID& clsid) {
    const std::u16string path =
        u"CLSID\\" + GuidToU16String(category) + u"\\Instance\\" + GuidToU16String(clsid);
    return RegistryKey(HKEY_CLASSES_ROOT, path).ReadString(u"FriendlyName");
}

}  // namespace

std::u16string GetFilterFriendlyName(REFCLSID clsid) {
    for (const GUID* category : kFriendlyNameCategories) {
        std::u16string name = FriendlyNameIn(*category, clsid);
        if (!name.empty()) {
            return name;
        }
    }
    return {};
}

int GetDIBImageSize(const BITMAPINFOHEADER& header) {
    // 64-bit arithmetic: a header with absurd dimensions must not wrap around to a small,
    // plausible-looking size.
    const std::int64_t rowBits = std::int64_t{header.biWidth} * header.biBitCount;
    const std::int64_t rowBytes = ((rowBits + 31) & ~std::int64_t{31}) / 8;
    const std::int64_t rows =
        header.biHeight < 0 ? -std::int64_t{header.biHeight} : std::int64_t{header.biHeight};
    constexpr std::int64_t kLargest = std::numeric_limits<int>::max();
    if (rowBytes < 0 || (rowBytes > 0 && rows > kLargest / rowBytes)) {
        return 0;
    }
    return static_cast<int>(rowBytes * rows);
}

std::u16string GetFileExt(std::u16string_view fileName) {
    const std::size_t last = fileName.find_last_of(u".\\/:");
    if (last == std::u16string_view::npos || fileName[last] != u'.') {
        return {};
    }
    return std::u16string(fileName.substr(last));
}

}  // namespace capspect
