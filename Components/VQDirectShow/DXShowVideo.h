// TDXShowVideo: the graph component extended by video output. Before each render it puts
// the system's splitter and decoder for a recognised local file into the graph (quick
// start) and inserts the video renderer that DSVideoRenderer chooses; after the render it
// ties the renderer to the display window and drops the filters rendering left unused.
// It forwards the overlay mixer's colour-key changes, sets the overlay colour key, repaints
// windowless video and blends pictures over the video with timed fades. The capture
// component derives from it.
#pragma once

#include <functional>
#include <memory>

#include <windows.h>

#include <d3d9.h>
#include <dshow.h>
#include <evr.h>
#include <evr9.h>
#include <vmr9.h>

#include "Components/VQDirectShow/DXShow.h"
#include "Components/VQDirectShow/VMRAlphaBitmap.h"
#include "framework/Graphics.h"
#include "platform/support/comptr.h"

namespace capspect {

using TDXShowColorKeyChangedEvent = std::function<void(TComponent& Sender, TColor ColorKey)>;

// Posted to the thread-safe window when the overlay mixer reports a new colour key; wParam
// is the key's high colour value.
inline constexpr UINT WM_COLORKEYCHANGED = WM_USER + 3;

class TOverlayNotifySink;

class TDXShowVideo : public TDXShow {
public:
    // Quick start is on.
    explicit TDXShowVideo(TDXShowReports reports = {});
    ~TDXShowVideo() override;

    // Stops the graph and waits for it, ends the overlay notifications and releases the
    // renderer controls, then empties the graph.
    void TearDownGraph() override;
    // Places windowless VMR-9 and EVR video in AControl; the other renderers use the
    // graph's video window.
    void UpdateVideoWindow(TWinControl* AControl) override;

    // Asks a windowless renderer to repaint; for the display window's paint handling.
    void RePaintVideo(HDC DC);
    // Sets the overlay mixer's colour key. The change comes back through OnColorKeyChanged.
    void SetColorKey(TColor AColor);

    // Shows Bitmap over the video, pixels of ColorKey transparent, fading it in over MSec
    // milliseconds (at once for 0); a null Bitmap fades the shown one out instead. The
    // fades block the calling thread for their whole course. Without an overlay bitmap
    // object (no VMR-7, VMR-9 or EVR created yet) these do nothing.
    void Blend(const TBitmap* Bitmap, TColor ColorKey, WORD MSec);
    // Fades the shown picture out over MSec milliseconds, then removes it.
    void BlendFadeout(WORD MSec);
    // Fades the video to black over MSec milliseconds; it stays black afterwards.
    void FadeToBlack(WORD MSec);

    // Whether the renderer filter is the Video Mixing Renderer 7, 9 or the Enhanced Video
    // Renderer (by its class); false without a renderer.
    bool IsVMR7() const;
    bool IsVMR9() const;
    bool IsEVR() const override;

    const ComPtr<IBaseFilter>& VideoRenderer() const { return FVideoRenderer; }
    const ComPtr<IBaseFilter>& OverlayMixer() const { return FOverlayMixer; }
    // The renderer the last creation inserted.
    TDSVideoRenderer CurrentVideoRenderer() const { return FCurrentVideoRenderer; }
    // The overlay bitmap object of the renderer; null until a VMR-7, VMR-9 or EVR was
    // created.
    TVMRAlphaBitmap* VMRAlphaBitmap() const { return FVMRAlphaBitmap.get(); }
    // The EVR's mixer control; null unless an EVR was created.
    const ComPtr<IMFVideoMixerControl>& EVRMixerControl() const { return FEVR9MFVideoMixerControl; }

    const TDXShowColorKeyChangedEvent& OnColorKeyChanged() const { return FOnColorKeyChanged; }
    void SetOnColorKeyChanged(TDXShowColorKeyChangedEvent Value) {
        FOnColorKeyChanged = std::move(Value);
    }
    // Fired after every renderer creation attempt, before the graph is rendered.
    const TNotifyEvent& OnAddVideoRenderer() const { return FOnAddVideoRenderer; }
    void SetOnAddVideoRenderer(TNotifyEvent Value) { FOnAddVideoRenderer = std::move(Value); }

protected:
    // Quick-start filters, then the video renderer.
    void AddCustomFilters() override;
    // Drops unconnected filters and refills the recent-filters list.
    void AfterRender() override;
    bool IsVideoComponent() const override { return true; }
    bool HandleComponentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT& result) override;

    // Creates the renderer DSVideoRenderer chooses and fires OnAddVideoRenderer.
    HRESULT CreateVideoRenderer();
    HRESULT CreateOverlayRenderer();
    HRESULT CreateVMR7Renderer();
    HRESULT CreateVMR9Renderer();
    HRESULT CreateVMR9WindowlessRenderer();
    HRESULT CreateVMR9RenderlessRenderer();
    HRESULT CreateEVRRenderer();

    TDXShowColorKeyChangedEvent FOnColorKeyChanged;
    std::unique_ptr<TVMRAlphaBitmap> FVMRAlphaBitmap;
    TDSVideoRenderer FCurrentVideoRenderer = vrOverlay;
    ComPtr<IMFVideoDisplayControl> FEVR9DisplayControl;
    ComPtr<IVMRWindowlessControl9> FVMR9WindowlessControl;
    ComPtr<IMFVideoMixerControl> FEVR9MFVideoMixerControl;
    TNotifyEvent FOnAddVideoRenderer;
    // The overlay interface of the overlay mixer's first input, advised to FOverlayNotify.
    ComPtr<IOverlay> FOverlay;

private:
    friend class TOverlayNotifySink;

    // The file's quick-start filters, when it is a local file that quick start knows.
    void AddQuickStartFilters();
    // Creates and adds the VMR-9 (steps shared by its three modes). Answers the creation
    // result, S_FALSE when creating raised; Inserted tells whether a renderer was added.
    HRESULT InsertVMR9(TDSVideoRenderer Mode, bool& Inserted);
    // Puts the VMR-9 into `Mode`; raises with `ModeMessage` when it refuses.
    void SetVMR9RenderingMode(DWORD Mode, std::u16string_view ModeMessage);
    void UpdateWindowlessVideo(TWinControl* AControl);
    void UpdateEVRVideo();
    void PushOverlayWindowDown();
    bool RendererClassIs(REFCLSID clsid) const;
    // The handler of WM_COLORKEYCHANGED.
    void ColorKeyChanged(COLORREF ColorKey);
    // Steps the overlay's alpha along the clock until MSec have passed; AlphaAt maps the
    // part of the time passed (0 to 1) to the alpha. The last step applies AlphaAt(1).
    void RunFade(WORD MSec, float (*AlphaAt)(float Progress));

    ComPtr<TOverlayNotifySink> FOverlayNotify;
};

}  // namespace capspect
