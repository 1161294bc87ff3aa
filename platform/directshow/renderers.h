// The simulated video renderers: the Video Renderer, the Overlay Mixer, the Video Mixing
// Renderers 7 and 9 and the Enhanced Video Renderer. Each keeps what it was told (window,
// placement, aspect ratio mode, colour key, pictures to blend, repaints) in a record that
// tests read to see what the renderer would show. RendererOf<T>(filter) reaches the
// simulated object behind a filter reference.
//
// Fault names besides the filter base's: every method of the renderer interfaces as
// "IOverlay::SetColorKey", "IVMRWindowlessControl9::SetVideoPosition",
// "IMFVideoDisplayControl::SetVideoWindow" and so on; "IUnknown::QueryInterface(IOverlay)"
// (and the other renderer interfaces) makes the query fail; "CoCreateInstance(<class>)",
// e.g. "CoCreateInstance(CLSID_VideoMixingRenderer9)", makes creating the class fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/directshow/renderer_base.h"
#include "platform/sdk/dshow/renderers.h"
#include "platform/sdk/mf.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

// The simulated object behind a platform reference to a renderer, or null when the
// reference is to another kind of object.
template <typename Renderer>
Renderer* RendererOf(IUnknown* object) {
    ComPtr<IBaseFilter> filter;
    if (object == nullptr || FAILED(object->QueryInterface(IID_PPV_ARGS(filter.GetAddressOf())))) {
        return nullptr;
    }
    return dynamic_cast<Renderer*>(filter.Get());
}

// The pixels a mixer copied out of the device context it was given, as the platform's
// mixers copy the picture when it is set: later drawing on the context does not reach the
// video until the picture is set again.
struct MixerPicture {
    LONG width = 0;
    LONG height = 0;
    // Row by row from the top.
    std::vector<COLORREF> pixels;

    COLORREF At(LONG x, LONG y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Copies `area` of the bitmap selected into `source`. E_INVALIDARG when the context holds
// no bitmap or the area is empty or reaches outside it, E_FAIL when copying fails.
HRESULT CopyMixerPicture(HDC source, const RECT& area, MixerPicture& picture);

// What a mixer was given for the picture it blends over the video.
template <typename Bitmap>
struct MixerBitmapRecord {
    // The picture and its parameters in force; nothing before the first SetAlphaBitmap
    // and after ClearAlphaBitmap.
    std::optional<Bitmap> current;
    // The pixels of the picture in force, when it came from a device context.
    std::optional<MixerPicture> picture;
    // The record in force after every accepted call, in call order.
    std::vector<Bitmap> history;
    int setCalls = 0;
    int updateCalls = 0;
    int clearCalls = 0;
};

// Whether a picture given to a mixer covers any of the video.
bool IsShown(const VMRALPHABITMAP& bitmap);
bool IsShown(const VMR9AlphaBitmap& bitmap);
bool IsShown(const MFVideoAlphaBitmap& bitmap);

// ---- Video Renderer ----------------------------------------------------------------------

// CLSID_VideoRenderer: shows video in its own window. Through an overlay connection it
// shows the picture of the Overlay Mixer's input.
class VideoRenderer final : public WindowedRendererFilter {
public:
    VideoRenderer();
    std::optional<VideoFormat> InputVideo() const override;
};

// ---- Overlay Mixer -----------------------------------------------------------------------

class OverlayMixer;

// An input pin of the Overlay Mixer with its IOverlay and the one advise link it allows.
class OverlayInputPin final : public WithInterfaces<VideoInputPin, IOverlay> {
public:
    OverlayInputPin(Filter& filter, std::u16string name);

    HRESULT GetPalette(DWORD* colors, PALETTEENTRY** palette) override;
    HRESULT SetPalette(DWORD colors, PALETTEENTRY* palette) override;
    HRESULT GetDefaultColorKey(COLORKEY* colorKey) override;
    HRESULT GetColorKey(COLORKEY* colorKey) override;
    HRESULT SetColorKey(COLORKEY* colorKey) override;
    HRESULT GetWindowHandle(HWND* window) override;
    HRESULT GetClipList(RECT* sourceRect, RECT* destinationRect, RGNDATA** regionData) override;
    HRESULT GetVideoPosition(RECT* sourceRect, RECT* destinationRect) override;
    HRESULT Advise(IOverlayNotify* overlayNotify, DWORD interests) override;
    HRESULT Unadvise() override;

    const ComPtr<IOverlayNotify>& Sink() const { return sink_; }
    DWORD Interests() const { return interests_; }
    // Tells the advised sink of a new colour key when it asked for such news.
    void NotifyColorKey(const COLORKEY& colorKey);

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;

private:
    OverlayMixer& Mixer() const;

    ComPtr<IOverlayNotify> sink_;
    DWORD interests_ = ADVISE_NONE;
};

// CLSID_OverlayMixer: mixes its input onto the display; its output connects to the Video
// Renderer through an overlay connection. One colour key serves all its inputs.
class OverlayMixer final : public Filter {
public:
    // RGB(16, 0, 16), the key the platform's mixer starts with.
    static constexpr COLORKEY kDefaultColorKey{CK_RGB, 0, RGB(16, 0, 16), RGB(16, 0, 16)};

    OverlayMixer();

    OverlayInputPin& Input() const;
    const COLORKEY& ColorKey() const { return colorKey_; }
    int ColorKeyChanges() const { return colorKeyChanges_; }
    // The picture of the connected input, if any.
    std::optional<VideoFormat> InputVideo() const;

private:
    friend class OverlayInputPin;
    void ChangeColorKey(const COLORKEY& colorKey);

    OverlayInputPin* input_ = nullptr;
    COLORKEY colorKey_ = kDefaultColorKey;
    int colorKeyChanges_ = 0;
};

// ---- Video Mixing Renderer 7 -------------------------------------------------------------

struct VmrConfigRecord {
    DWORD renderingMode = VMRMode_Windowed;
    // Streams to mix; 0 until the renderer is put into mixing mode.
    DWORD streams = 0;
    DWORD renderingPrefs = 0;
};

// CLSID_VideoMixingRenderer: one input until SetNumberOfStreams puts it into mixing mode,
// which IVMRMixerBitmap needs.
class Vmr7Renderer final
    : public WithInterfaces<WindowedRendererFilter, IVMRFilterConfig, IVMRMixerBitmap> {
public:
    Vmr7Renderer();

    const VmrConfigRecord& Config() const { return config_; }
    const MixerBitmapRecord<VMRALPHABITMAP>& Bitmap() const { return bitmap_; }

    // IVMRFilterConfig
    HRESULT SetImageCompositor(IVMRImageCompositor* compositor) override;
    HRESULT SetNumberOfStreams(DWORD maxStreams) override;
    HRESULT GetNumberOfStreams(DWORD* maxStreams) override;
    HRESULT SetRenderingPrefs(DWORD renderFlags) override;
    HRESULT GetRenderingPrefs(DWORD* renderFlags) override;
    HRESULT SetRenderingMode(DWORD mode) override;
    HRESULT GetRenderingMode(DWORD* mode) override;
    // IVMRMixerBitmap
    HRESULT SetAlphaBitmap(const VMRALPHABITMAP* bitmap) override;
    HRESULT UpdateAlphaBitmapParameters(PVMRALPHABITMAP bitmap) override;
    HRESULT GetAlphaBitmapParameters(PVMRALPHABITMAP bitmap) override;

protected:
    bool HasWindow() const override { return config_.renderingMode == VMRMode_Windowed; }
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;

private:
    VmrConfigRecord config_;
    MixerBitmapRecord<VMRALPHABITMAP> bitmap_;
};

// ---- Video Mixing Renderer 9 -------------------------------------------------------------

// What the windowless control was told.
struct WindowlessRecord {
    HWND clippingWindow = nullptr;
    DWORD aspectRatioMode = VMR9ARMode_None;
    // Unset until SetVideoPosition gives them.
    std::optional<RECT> source;
    std::optional<RECT> destination;
    int positionChanges = 0;
    int repaints = 0;
    HWND repaintWindow = nullptr;
    HDC repaintDc = nullptr;
    int displayModeChanges = 0;
    COLORREF borderColor = 0;
};

// CLSID_VideoMixingRenderer9: always mixing, with four inputs unless SetNumberOfStreams
// asks for another number before the first connection. IVMRWindowlessControl9 is offered
// only in windowless mode, IVideoWindow and IBasicVideo only in windowed mode.
class Vmr9Renderer final : public WithInterfaces<WindowedRendererFilter, IVMRFilterConfig9,
                                                 IVMRWindowlessControl9, IVMRMixerBitmap9> {
public:
    static constexpr DWORD kDefaultStreams = 4;

    Vmr9Renderer();

    const VmrConfigRecord& Config() const { return config_; }
    const WindowlessRecord& Windowless() const { return windowless_; }
    const MixerBitmapRecord<VMR9AlphaBitmap>& Bitmap() const { return bitmap_; }

    // IVMRFilterConfig9
    HRESULT SetImageCompositor(IVMRImageCompositor9* compositor) override;
    HRESULT SetNumberOfStreams(DWORD maxStreams) override;
    HRESULT GetNumberOfStreams(DWORD* maxStreams) override;
    HRESULT SetRenderingPrefs(DWORD renderFlags) override;
    HRESULT GetRenderingPrefs(DWORD* renderFlags) override;
    HRESULT SetRenderingMode(DWORD mode) override;
    HRESULT GetRenderingMode(DWORD* mode) override;
    // IVMRWindowlessControl9
    HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectRatioWidth,
                               LONG* aspectRatioHeight) override;
    HRESULT GetMinIdealVideoSize(LONG* width, LONG* height) override;
    HRESULT GetMaxIdealVideoSize(LONG* width, LONG* height) override;
    HRESULT SetVideoPosition(const RECT* sourceRect, const RECT* destinationRect) override;
    HRESULT GetVideoPosition(RECT* sourceRect, RECT* destinationRect) override;
    HRESULT GetAspectRatioMode(DWORD* aspectRatioMode) override;
    HRESULT SetAspectRatioMode(DWORD aspectRatioMode) override;
    HRESULT SetVideoClippingWindow(HWND window) override;
    HRESULT RepaintVideo(HWND window, HDC dc) override;
    HRESULT DisplayModeChanged() override;
    HRESULT GetCurrentImage(BYTE** dib) override;
    HRESULT SetBorderColor(COLORREF color) override;
    HRESULT GetBorderColor(COLORREF* color) override;
    // IVMRMixerBitmap9
    HRESULT SetAlphaBitmap(const VMR9AlphaBitmap* bitmap) override;
    HRESULT UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap) override;
    HRESULT GetAlphaBitmapParameters(VMR9AlphaBitmap* bitmap) override;

    // IVideoWindow and IBasicVideo2 share GetCurrentImage's name with a different
    // signature; both stay visible.
    using WindowedRendererFilter::GetCurrentImage;

protected:
    bool HasWindow() const override { return config_.renderingMode == VMR9Mode_Windowed; }
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;

private:
    HRESULT WindowlessReady() const;
    SIZE NativeSize() const;

    VmrConfigRecord config_{VMR9Mode_Windowed, kDefaultStreams, 0};
    WindowlessRecord windowless_;
    MixerBitmapRecord<VMR9AlphaBitmap> bitmap_;
};

// ---- Enhanced Video Renderer -------------------------------------------------------------

// What the EVR's presenter and mixer were told.
struct EvrRecord {
    HWND videoWindow = nullptr;
    DWORD aspectRatioMode = MFVideoARMode_PreservePicture;
    MFVideoNormalizedRect source{0, 0, 1, 1};
    RECT destination;
    int positionChanges = 0;
    int repaints = 0;
    COLORREF borderColor = 0;
    DWORD renderingPrefs = 0;
    BOOL fullscreen = FALSE;
    std::map<DWORD, DWORD> streamZOrder;
    std::map<DWORD, MFVideoNormalizedRect> streamOutputRects;
    MixerBitmapRecord<MFVideoAlphaBitmap> bitmap;
};

class EvrRenderer;

// State the EVR shares with its presenter and mixer objects, which callers may keep after
// the filter is gone (they then answer MF_E_SHUTDOWN).
struct EvrShared {
    EvrRenderer* filter = nullptr;
    EvrRecord record;
};

// CLSID_EnhancedVideoRenderer: its presenter (IMFVideoDisplayControl) and mixer
// (IMFVideoMixerControl, IMFVideoMixerBitmap) are reached through IMFGetService.
class EvrRenderer final : public WithInterfaces<VideoRendererFilter, IMFGetService> {
public:
    EvrRenderer();
    ~EvrRenderer() override;

    const EvrRecord& Record() const { return shared_->record; }

    // IMFGetService
    HRESULT GetService(REFGUID service, REFIID riid, void** object) override;

protected:
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;

private:
    std::shared_ptr<EvrShared> shared_;
    ComPtr<IMFVideoDisplayControl> presenter_;
    ComPtr<IMFVideoMixerControl> mixer_;
};

// Registers the renderers' classes, their filter mapper entries and their registry keys
// (friendly names and implementing files as the platform has them).
void RegisterSimulatedRenderers();

}  // namespace capspect::sim
