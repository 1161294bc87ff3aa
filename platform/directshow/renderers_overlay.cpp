// The Video Renderer and the Overlay Mixer.
#include <algorithm>

#include "platform/directshow/pin_walk.h"
#include "platform/directshow/renderers.h"
#include "platform/sdk/com.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

namespace {

std::vector<GUID> VideoRendererSubtypes() {
    std::vector<GUID> subtypes = UncompressedVideoSubtypes();
    subtypes.push_back(MEDIASUBTYPE_Overlay);
    return subtypes;
}

// The overlay connection carries no picture; its header only names the kind of video.
MediaType OverlayConnectionType() {
    VIDEOINFOHEADER header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    return MediaType::Video(MEDIASUBTYPE_Overlay, header);
}

}  // namespace

VideoRenderer::VideoRenderer() : WindowedRendererFilter(CLSID_VideoRenderer) {
    AddVideoInput(u"Input", VideoRendererSubtypes());
}

std::optional<VideoFormat> VideoRenderer::InputVideo() const {
    const Pin& input = *Pins().front();
    if (input.IsConnected() && input.ConnectionType()->subtype == MEDIASUBTYPE_Overlay) {
        const ComPtr<IBaseFilter> upstream = OwnerOf(input.Peer().Get());
        if (const auto* mixer = dynamic_cast<const OverlayMixer*>(upstream.Get())) {
            return mixer->InputVideo();
        }
        return std::nullopt;
    }
    return WindowedRendererFilter::InputVideo();
}

OverlayInputPin::OverlayInputPin(Filter& filter, std::u16string name)
    : WithInterfaces(filter, std::move(name), UncompressedVideoSubtypes()) {}

OverlayMixer& OverlayInputPin::Mixer() const {
    return static_cast<OverlayMixer&>(Owner());
}

HRESULT OverlayInputPin::QueryOtherInterface(REFIID riid, void** object) {
    if (riid == IID_IOverlay && InjectedFault("IUnknown::QueryInterface(IOverlay)")) {
        return E_NOINTERFACE;
    }
    return WithInterfaces::QueryOtherInterface(riid, object);
}

HRESULT OverlayInputPin::GetPalette(DWORD* colors, PALETTEENTRY** palette) {
    if (const auto fault = InjectedFault("IOverlay::GetPalette")) {
        return *fault;
    }
    if (colors == nullptr || palette == nullptr) {
        return E_POINTER;
    }
    // The simulated display is a true-colour one.
    *colors = 0;
    *palette = nullptr;
    return VFW_E_NO_PALETTE_AVAILABLE;
}

HRESULT OverlayInputPin::SetPalette(DWORD /*colors*/, PALETTEENTRY* /*palette*/) {
    if (const auto fault = InjectedFault("IOverlay::SetPalette")) {
        return *fault;
    }
    return VFW_E_NO_PALETTE_AVAILABLE;
}

HRESULT OverlayInputPin::GetDefaultColorKey(COLORKEY* colorKey) {
    if (const auto fault = InjectedFault("IOverlay::GetDefaultColorKey")) {
        return *fault;
    }
    if (colorKey == nullptr) {
        return E_POINTER;
    }
    *colorKey = OverlayMixer::kDefaultColorKey;
    return S_OK;
}

HRESULT OverlayInputPin::GetColorKey(COLORKEY* colorKey) {
    if (const auto fault = InjectedFault("IOverlay::GetColorKey")) {
        return *fault;
    }
    if (colorKey == nullptr) {
        return E_POINTER;
    }
    *colorKey = Mixer().ColorKey();
    return S_OK;
}

HRESULT OverlayInputPin::SetColorKey(COLORKEY* colorKey) {
    if (const auto fault = InjectedFault("IOverlay::SetColorKey")) {
        return *fault;
    }
    if (colorKey == nullptr) {
        return E_POINTER;
    }
    if (colorKey->KeyType != CK_RGB && colorKey->KeyType != CK_INDEX) {
        return E_INVALIDARG;
    }
    // The simulated display shows every RGB colour, so the key is taken as it is.
    Mixer().ChangeColorKey(*colorKey);
    return S_OK;
}

HRESULT OverlayInputPin::GetWindowHandle(HWND* window) {
    if (const auto fault = InjectedFault("IOverlay::GetWindowHandle")) {
        return *fault;
    }
    if (window == nullptr) {
        return E_POINTER;
    }
    // The mixer draws into the Video Renderer's window, which has no handle here.
    *window = nullptr;
    return VFW_E_NOT_CONNECTED;
}

HRESULT OverlayInputPin::GetClipList(RECT* sourceRect, RECT* destinationRect,
                                     RGNDATA** regionData) {
    if (const auto fault = InjectedFault("IOverlay::GetClipList")) {
        return *fault;
    }
    if (sourceRect == nullptr || destinationRect == nullptr || regionData == nullptr) {
        return E_POINTER;
    }
    *regionData = nullptr;
    const SIZE size = Mixer().InputVideo().value_or(VideoFormat{}).size;
    *sourceRect = RECT{0, 0, size.cx, size.cy};
    // One clipping rectangle: the whole destination, nothing covers the video.
    auto* region = static_cast<RGNDATA*>(CoTaskMemAlloc(sizeof(RGNDATAHEADER) + sizeof(RECT)));
    if (region == nullptr) {
        return E_OUTOFMEMORY;
    }
    region->rdh =
        RGNDATAHEADER{sizeof(RGNDATAHEADER), RDH_RECTANGLES, 1, sizeof(RECT), *destinationRect};
    std::copy_n(reinterpret_cast<const char*>(destinationRect), sizeof(RECT), region->Buffer);
    *regionData = region;
    return S_OK;
}

HRESULT OverlayInputPin::GetVideoPosition(RECT* sourceRect, RECT* destinationRect) {
    if (const auto fault = InjectedFault("IOverlay::GetVideoPosition")) {
        return *fault;
    }
    if (sourceRect == nullptr || destinationRect == nullptr) {
        return E_POINTER;
    }
    const SIZE size = Mixer().InputVideo().value_or(VideoFormat{}).size;
    *sourceRect = RECT{0, 0, size.cx, size.cy};
    *destinationRect = *sourceRect;
    return S_OK;
}

HRESULT OverlayInputPin::Advise(IOverlayNotify* overlayNotify, DWORD interests) {
    if (const auto fault = InjectedFault("IOverlay::Advise")) {
        return *fault;
    }
    if (overlayNotify == nullptr) {
        return E_POINTER;
    }
    // One link per pin, as the platform allows; a second one is refused until Unadvise.
    if (sink_) {
        return VFW_E_ADVISE_ALREADY_SET;
    }
    sink_ = overlayNotify;
    interests_ = interests;
    return S_OK;
}

HRESULT OverlayInputPin::Unadvise() {
    if (const auto fault = InjectedFault("IOverlay::Unadvise")) {
        return *fault;
    }
    if (!sink_) {
        return VFW_E_NO_SINK;
    }
    sink_ = nullptr;
    interests_ = ADVISE_NONE;
    return S_OK;
}

void OverlayInputPin::NotifyColorKey(const COLORKEY& colorKey) {
    // Held across the call, so that a sink that unadvises from its handler stays alive.
    const ComPtr<IOverlayNotify> sink = sink_;
    if (sink && (interests_ & ADVISE_COLORKEY) != 0) {
        sink->OnColorKeyChange(&colorKey);
    }
}

OverlayMixer::OverlayMixer() : Filter(CLSID_OverlayMixer) {
    input_ = &AddPin<OverlayInputPin>(u"Input0");
    AddOutputPin(u"Output", {OverlayConnectionType()});
}

OverlayInputPin& OverlayMixer::Input() const {
    return *input_;
}

std::optional<VideoFormat> OverlayMixer::InputVideo() const {
    if (!input_->IsConnected()) {
        return std::nullopt;
    }
    return VideoFormatOf(input_->ConnectionType().Get());
}

void OverlayMixer::ChangeColorKey(const COLORKEY& colorKey) {
    colorKey_ = colorKey;
    ++colorKeyChanges_;
    input_->NotifyColorKey(colorKey_);
}

}  // namespace capspect::sim
