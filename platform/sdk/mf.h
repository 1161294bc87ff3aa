// The Enhanced Video Renderer's interfaces from Media Foundation: the service lookup, the
// display control of its presenter and the control and bitmap interfaces of its mixer,
// with their records and constants as the platform publishes them.
#pragma once

#include "platform/sdk/gdi.h"
#include "platform/sdk/mediatype.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/unknown.h"

struct IDirect3DSurface9;

constexpr HRESULT MF_E_INVALIDREQUEST = _HRESULT_TYPEDEF_(0xC00D36B2);
constexpr HRESULT MF_E_NOT_INITIALIZED = _HRESULT_TYPEDEF_(0xC00D36B6);
constexpr HRESULT MF_E_UNSUPPORTED_SERVICE = _HRESULT_TYPEDEF_(0xC00D36BA);
constexpr HRESULT MF_E_SHUTDOWN = _HRESULT_TYPEDEF_(0xC00D3E85);

// Services of the EVR, for IMFGetService::GetService.
inline const GUID MR_VIDEO_RENDER_SERVICE{
    0x1092A86C, 0xAB1A, 0x459A, {0xA3, 0x36, 0x83, 0x1F, 0xBC, 0x4D, 0x11, 0xFF}};
inline const GUID MR_VIDEO_MIXER_SERVICE{
    0x073CD2FC, 0x6CF4, 0x40B7, {0x88, 0x59, 0xE8, 0x95, 0x52, 0xC8, 0x41, 0xF8}};

// A rectangle in video coordinates: (0, 0) to (1, 1) is the whole video.
struct MFVideoNormalizedRect {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
    friend bool operator==(const MFVideoNormalizedRect&, const MFVideoNormalizedRect&) = default;
};

// Aspect ratio modes (MFVideoAspectRatioMode), combinable.
constexpr DWORD MFVideoARMode_None = 0x0;
constexpr DWORD MFVideoARMode_PreservePicture = 0x1;
constexpr DWORD MFVideoARMode_PreservePixel = 0x2;
constexpr DWORD MFVideoARMode_NonLinearStretch = 0x4;
constexpr DWORD MFVideoARMode_Mask = 0x7;

// MFVideoAlphaBitmapParams.dwFlags (MFVideoAlphaBitmapFlags)
constexpr DWORD MFVideoAlphaBitmap_EntireDDS = 0x1;
constexpr DWORD MFVideoAlphaBitmap_SrcColorKey = 0x2;
constexpr DWORD MFVideoAlphaBitmap_SrcRect = 0x4;
constexpr DWORD MFVideoAlphaBitmap_DestRect = 0x8;
constexpr DWORD MFVideoAlphaBitmap_FilterMode = 0x10;
constexpr DWORD MFVideoAlphaBitmap_Alpha = 0x20;
constexpr DWORD MFVideoAlphaBitmap_BitMask = 0x3F;

// How the EVR mixer blends a picture: each field counts only when its flag is set.
struct MFVideoAlphaBitmapParams {
    DWORD dwFlags = 0;
    COLORREF clrSrcKey = 0;
    RECT rcSrc;
    MFVideoNormalizedRect nrcDest;
    FLOAT fAlpha = 0;
    DWORD dwFilterMode = 0;
};
static_assert(sizeof(MFVideoAlphaBitmapParams) == 48);

// The picture, from a device context (GetBitmapFromDC TRUE) or a Direct3D surface.
struct MFVideoAlphaBitmap {
    BOOL GetBitmapFromDC = FALSE;
    union {
        HDC hdc;
        IDirect3DSurface9* pDDS;
    } bitmap{nullptr};
    MFVideoAlphaBitmapParams params;
};
// 56 bytes with the platform's 32-bit pointers.
static_assert(sizeof(MFVideoAlphaBitmap) == (sizeof(void*) == 4 ? 56 : 64));

// Looks up a service of an object: an interface of an object that belongs to it.
struct IMFGetService : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetService(REFGUID service, REFIID riid, void** object) = 0;

protected:
    ~IMFGetService() = default;
};
CAPSPECT_INTERFACE_ID(IMFGetService, IUnknown, 0xFA993888, 0x4383, 0x415A, 0xA9, 0x30, 0xDD, 0x47,
                      0x2A, 0x8C, 0xF6, 0xF7);

// The EVR presenter's control of where and how the video is shown.
struct IMFVideoDisplayControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetNativeVideoSize(SIZE* videoSize, SIZE* aspectRatio) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIdealVideoSize(SIZE* minimum, SIZE* maximum) = 0;
    // Either rectangle may be null, which keeps the current one.
    virtual HRESULT STDMETHODCALLTYPE SetVideoPosition(const MFVideoNormalizedRect* source,
                                                       const LPRECT destination) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoPosition(MFVideoNormalizedRect* source,
                                                       RECT* destination) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAspectRatioMode(DWORD aspectRatioMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAspectRatioMode(DWORD* aspectRatioMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVideoWindow(HWND window) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoWindow(HWND* window) = 0;
    virtual HRESULT STDMETHODCALLTYPE RepaintVideo() = 0;
    // The image is a CoTaskMem-allocated DIB; the caller frees it.
    virtual HRESULT STDMETHODCALLTYPE GetCurrentImage(BITMAPINFOHEADER* header, BYTE** dib,
                                                      DWORD* dibSize, LONGLONG* timeStamp) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBorderColor(COLORREF color) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBorderColor(COLORREF* color) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRenderingPrefs(DWORD renderFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRenderingPrefs(DWORD* renderFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFullscreen(BOOL fullscreen) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFullscreen(BOOL* fullscreen) = 0;

protected:
    ~IMFVideoDisplayControl() = default;
};
CAPSPECT_INTERFACE_ID(IMFVideoDisplayControl, IUnknown, 0xA490B1E4, 0xAB84, 0x4D31, 0xA1, 0xB2,
                      0x18, 0x1E, 0x03, 0xB1, 0x07, 0x7A);

// The EVR mixer's placement of its input streams.
struct IMFVideoMixerControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetStreamZOrder(DWORD streamId, DWORD z) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamZOrder(DWORD streamId, DWORD* z) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStreamOutputRect(DWORD streamId,
                                                          const MFVideoNormalizedRect* rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamOutputRect(DWORD streamId,
                                                          MFVideoNormalizedRect* rect) = 0;

protected:
    ~IMFVideoMixerControl() = default;
};
CAPSPECT_INTERFACE_ID(IMFVideoMixerControl, IUnknown, 0xA5C6C53F, 0xC202, 0x4AA5, 0x96, 0x95, 0x17,
                      0x5B, 0xA8, 0xC5, 0x08, 0xA5);

// The EVR mixer's picture over the video.
struct IMFVideoMixerBitmap : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetAlphaBitmap(const MFVideoAlphaBitmap* bitmap) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearAlphaBitmap() = 0;
    virtual HRESULT STDMETHODCALLTYPE
    UpdateAlphaBitmapParameters(const MFVideoAlphaBitmapParams* parameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetAlphaBitmapParameters(MFVideoAlphaBitmapParams* parameters) = 0;

protected:
    ~IMFVideoMixerBitmap() = default;
};
CAPSPECT_INTERFACE_ID(IMFVideoMixerBitmap, IUnknown, 0x814C7B20, 0x0FDB, 0x4EEC, 0xAF, 0x8F, 0xF9,
                      0x57, 0xC8, 0xF6, 0x9E, 0xDC);
