// The video renderers' control interfaces: the overlay interfaces of the Overlay Mixer, and
// the configuration, windowless control and mixer bitmap interfaces of the Video Mixing
// Renderers 7 and 9, with their records and constants as the platform publishes them.
// The class identifiers of the renderers are in capture.h with the other standard filters.
#pragma once

#include "platform/sdk/gdi.h"
#include "platform/sdk/mediatype.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/unknown.h"

// Surfaces of DirectDraw and Direct3D 9; the records carry them only as pointers.
struct IDirectDrawSurface7;
struct IDirect3DSurface9;
struct IVMRImageCompositor;
struct IVMRImageCompositor9;

constexpr HRESULT VFW_E_NO_PALETTE_AVAILABLE = _HRESULT_TYPEDEF_(0x80040220);
constexpr HRESULT VFW_E_ADVISE_ALREADY_SET = _HRESULT_TYPEDEF_(0x80040236);

// The video subtype of a connection through which a filter overlays video on the display
// (the Overlay Mixer's output to the Video Renderer).
inline const GUID MEDIASUBTYPE_Overlay{
    0xE436EB7F, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// ---- Overlay ----------------------------------------------------------------------------

// COLORKEY.KeyType
constexpr DWORD CK_NOCOLORKEY = 0x0;
constexpr DWORD CK_INDEX = 0x1;
constexpr DWORD CK_RGB = 0x2;

struct COLORKEY {
    DWORD KeyType = CK_NOCOLORKEY;
    DWORD PaletteIndex = 0;
    COLORREF LowColorValue = 0;
    COLORREF HighColorValue = 0;
    friend bool operator==(const COLORKEY&, const COLORKEY&) = default;
};
static_assert(sizeof(COLORKEY) == 16);

// Interest mask of IOverlay::Advise.
constexpr DWORD ADVISE_NONE = 0x0;
constexpr DWORD ADVISE_CLIPPING = 0x1;
constexpr DWORD ADVISE_PALETTE = 0x2;
constexpr DWORD ADVISE_COLORKEY = 0x4;
constexpr DWORD ADVISE_POSITION = 0x8;
constexpr DWORD ADVISE_DISPLAY_CHANGE = 0x10;
constexpr DWORD ADVISE_ALL = ADVISE_CLIPPING | ADVISE_PALETTE | ADVISE_COLORKEY | ADVISE_POSITION;
constexpr DWORD ADVISE_ALL2 = ADVISE_ALL | ADVISE_DISPLAY_CHANGE;

// The sink of overlay notifications. The platform calls it on a thread of its own.
struct IOverlayNotify : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPaletteChange(DWORD colors,
                                                      const PALETTEENTRY* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnClipChange(const RECT* sourceRect,
                                                   const RECT* destinationRect,
                                                   const RGNDATA* regionData) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnColorKeyChange(const COLORKEY* colorKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnPositionChange(const RECT* sourceRect,
                                                       const RECT* destinationRect) = 0;

protected:
    ~IOverlayNotify() = default;
};
CAPSPECT_INTERFACE_ID(IOverlayNotify, IUnknown, 0x56A868A0, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

// Offered by the input pins of the Overlay Mixer. One advise link per pin; SetColorKey
// may adjust the key it is given to the one it uses.
struct IOverlay : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPalette(DWORD* colors, PALETTEENTRY** palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPalette(DWORD colors, PALETTEENTRY* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultColorKey(COLORKEY* colorKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetColorKey(COLORKEY* colorKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorKey(COLORKEY* colorKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWindowHandle(HWND* window) = 0;
    // The region data is CoTaskMem-allocated; the caller frees it.
    virtual HRESULT STDMETHODCALLTYPE GetClipList(RECT* sourceRect, RECT* destinationRect,
                                                  RGNDATA** regionData) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoPosition(RECT* sourceRect, RECT* destinationRect) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IOverlayNotify* overlayNotify, DWORD interests) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise() = 0;

protected:
    ~IOverlay() = default;
};
CAPSPECT_INTERFACE_ID(IOverlay, IUnknown, 0x56A868A1, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF,
                      0x0B, 0xA7, 0x70);

// ---- Video Mixing Renderer 7 --------------------------------------------------------------

// Rendering modes (VMRMode).
constexpr DWORD VMRMode_Windowed = 0x1;
constexpr DWORD VMRMode_Windowless = 0x2;
constexpr DWORD VMRMode_Renderless = 0x4;

constexpr DWORD MAX_MIXER_STREAMS = 16;

// Aspect ratio modes of the windowless controls (VMR_ASPECT_RATIO_MODE).
constexpr DWORD VMR_ARMODE_NONE = 0;
constexpr DWORD VMR_ARMODE_LETTER_BOX = 1;

// A rectangle in video coordinates: (0, 0) to (1, 1) is the whole video.
struct NORMALIZEDRECT {
    FLOAT left = 0;
    FLOAT top = 0;
    FLOAT right = 0;
    FLOAT bottom = 0;
    friend bool operator==(const NORMALIZEDRECT&, const NORMALIZEDRECT&) = default;
};

// VMRALPHABITMAP.dwFlags
constexpr DWORD VMRBITMAP_DISABLE = 0x1;
constexpr DWORD VMRBITMAP_HDC = 0x2;
constexpr DWORD VMRBITMAP_ENTIREDDS = 0x4;
constexpr DWORD VMRBITMAP_SRCCOLORKEY = 0x8;
constexpr DWORD VMRBITMAP_SRCRECT = 0x10;

// The picture the VMR-7 mixer blends over the video: from a device context (VMRBITMAP_HDC)
// or a DirectDraw surface, with its source rectangle, destination and global alpha.
struct VMRALPHABITMAP {
    DWORD dwFlags = 0;
    HDC hdc = nullptr;
    IDirectDrawSurface7* pDDS = nullptr;
    RECT rSrc;
    NORMALIZEDRECT rDest;
    FLOAT fAlpha = 0;
    COLORREF clrSrcKey = 0;
};
using PVMRALPHABITMAP = VMRALPHABITMAP*;
// 52 bytes with the platform's 32-bit pointers.
static_assert(sizeof(VMRALPHABITMAP) == (sizeof(void*) == 4 ? 52 : 64));

struct IVMRFilterConfig : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetImageCompositor(IVMRImageCompositor* compositor) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNumberOfStreams(DWORD maxStreams) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfStreams(DWORD* maxStreams) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderingPrefs(DWORD renderFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderingPrefs(DWORD* renderFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderingMode(DWORD mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderingMode(DWORD* mode) = 0;

protected:
    ~IVMRFilterConfig() = default;
};
CAPSPECT_INTERFACE_ID(IVMRFilterConfig, IUnknown, 0x9E5530C5, 0x7034, 0x48B4, 0xBB, 0x46, 0x0B,
                      0x8A, 0x6E, 0xFC, 0x8E, 0x36);

// Offered by the VMR-7 in mixing mode.
struct IVMRMixerBitmap : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetAlphaBitmap(const VMRALPHABITMAP* bitmap) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateAlphaBitmapParameters(PVMRALPHABITMAP bitmap) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAlphaBitmapParameters(PVMRALPHABITMAP bitmap) = 0;

protected:
    ~IVMRMixerBitmap() = default;
};
CAPSPECT_INTERFACE_ID(IVMRMixerBitmap, IUnknown, 0x1E673275, 0x0257, 0x40AA, 0xAF, 0x20, 0x7C, 0x60,
                      0x8D, 0x4A, 0x04, 0x28);

// ---- Video Mixing Renderer 9 --------------------------------------------------------------

// Rendering modes (VMR9Mode).
constexpr DWORD VMR9Mode_Windowed = 0x1;
constexpr DWORD VMR9Mode_Windowless = 0x2;
constexpr DWORD VMR9Mode_Renderless = 0x4;

// Aspect ratio modes (VMR9AspectRatioMode).
constexpr DWORD VMR9ARMode_None = 0;
constexpr DWORD VMR9ARMode_LetterBox = 1;

struct VMR9NormalizedRect {
    FLOAT left = 0;
    FLOAT top = 0;
    FLOAT right = 0;
    FLOAT bottom = 0;
    friend bool operator==(const VMR9NormalizedRect&, const VMR9NormalizedRect&) = default;
};

// VMR9AlphaBitmap.dwFlags (VMR9AlphaBitmapFlags)
constexpr DWORD VMR9AlphaBitmap_Disable = 0x1;
constexpr DWORD VMR9AlphaBitmap_hDC = 0x2;
constexpr DWORD VMR9AlphaBitmap_EntireDDS = 0x4;
constexpr DWORD VMR9AlphaBitmap_SrcColorKey = 0x8;
constexpr DWORD VMR9AlphaBitmap_SrcRect = 0x10;
constexpr DWORD VMR9AlphaBitmap_FilterMode = 0x20;

// As VMRALPHABITMAP, with a Direct3D surface and the filter used to stretch the picture.
struct VMR9AlphaBitmap {
    DWORD dwFlags = 0;
    HDC hdc = nullptr;
    IDirect3DSurface9* pDDS = nullptr;
    RECT rSrc;
    VMR9NormalizedRect rDest;
    FLOAT fAlpha = 0;
    COLORREF clrSrcKey = 0;
    DWORD dwFilterMode = 0;
};
// 56 bytes with the platform's 32-bit pointers.
static_assert(sizeof(VMR9AlphaBitmap) == (sizeof(void*) == 4 ? 56 : 72));

struct IVMRFilterConfig9 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetImageCompositor(IVMRImageCompositor9* compositor) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNumberOfStreams(DWORD maxStreams) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfStreams(DWORD* maxStreams) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderingPrefs(DWORD renderFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderingPrefs(DWORD* renderFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderingMode(DWORD mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderingMode(DWORD* mode) = 0;

protected:
    ~IVMRFilterConfig9() = default;
};
CAPSPECT_INTERFACE_ID(IVMRFilterConfig9, IUnknown, 0x5A804648, 0x4F66, 0x4867, 0x9C, 0x43, 0x4F,
                      0x5C, 0x82, 0x2C, 0xF1, 0xB8);

// Offered by the VMR-9 in windowless mode: it draws into a window of the application.
struct IVMRWindowlessControl9 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetNativeVideoSize(LONG* width, LONG* height,
                                                         LONG* aspectRatioWidth,
                                                         LONG* aspectRatioHeight) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMinIdealVideoSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaxIdealVideoSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVideoPosition(const RECT* sourceRect,
                                                       const RECT* destinationRect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoPosition(RECT* sourceRect, RECT* destinationRect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAspectRatioMode(DWORD* aspectRatioMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAspectRatioMode(DWORD aspectRatioMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVideoClippingWindow(HWND window) = 0;
    virtual HRESULT STDMETHODCALLTYPE RepaintVideo(HWND window, HDC dc) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisplayModeChanged() = 0;
    // The image is a CoTaskMem-allocated packed DIB; the caller frees it.
    virtual HRESULT STDMETHODCALLTYPE GetCurrentImage(BYTE** dib) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBorderColor(COLORREF color) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBorderColor(COLORREF* color) = 0;

protected:
    ~IVMRWindowlessControl9() = default;
};
CAPSPECT_INTERFACE_ID(IVMRWindowlessControl9, IUnknown, 0x8F537D09, 0xF85E, 0x4414, 0xB2, 0x3B,
                      0x50, 0x2E, 0x54, 0xC7, 0x99, 0x27);

struct IVMRMixerBitmap9 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetAlphaBitmap(const VMR9AlphaBitmap* bitmap) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    UpdateAlphaBitmapParameters(const VMR9AlphaBitmap* bitmap) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAlphaBitmapParameters(VMR9AlphaBitmap* bitmap) = 0;

protected:
    ~IVMRMixerBitmap9() = default;
};
CAPSPECT_INTERFACE_ID(IVMRMixerBitmap9, IUnknown, 0xCED175E5, 0x1935, 0x4820, 0x81, 0xBD, 0xFF,
                      0x6A, 0xD0, 0x0C, 0x91, 0x08);
