#include "Components/VQDirectShow/VMRAlphaBitmap.h"

#include "Components/VQDirectShow/DXShowVideo.h"
#include "platform/support/comptr.h"
#include "platform/support/gdi_handles.h"

namespace capspect {

namespace {

// The two VMR records share their flag values.
static_assert(VMRBITMAP_DISABLE == VMR9AlphaBitmap_Disable &&
              VMRBITMAP_HDC == VMR9AlphaBitmap_hDC &&
              VMRBITMAP_SRCCOLORKEY == VMR9AlphaBitmap_SrcColorKey &&
              VMRBITMAP_SRCRECT == VMR9AlphaBitmap_SrcRect);

constexpr char16_t kSetAlphaBitmapFailure[] = u"TVMRAlphaBitmap.Draw: SetAlphabitmap";

template <typename Rect>
constexpr Rect kWholeVideo{0.0F, 0.0F, 1.0F, 1.0F};

}  // namespace

// ---- Video Mixing Renderers -----------------------------------------------------------------

template <typename Traits>
TVMRMixerAlphaBitmap<Traits>::TVMRMixerAlphaBitmap(TDXShowVideo& ADXShow)
    : TVMRAlphaBitmap(ADXShow) {
    SetOptions({});
    FVMRALPHABITMAP.fAlpha = 1.0F;
}

template <typename Traits>
TVMRMixerAlphaBitmap<Traits>::~TVMRMixerAlphaBitmap() {
    TVMRMixerAlphaBitmap::ResetBitmap();
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::SetOptions(TVMRBitmapOptions Value) {
    TVMRAlphaBitmap::SetOptions(Value);
    DWORD flags = VMRBITMAP_HDC;
    if (Value.Contains(vmrbDisable)) {
        flags |= VMRBITMAP_DISABLE;
    }
    if (Value.Contains(vmrbSrcColorKey)) {
        flags |= VMRBITMAP_SRCCOLORKEY;
    }
    if (Value.Contains(vmrbSrcRect)) {
        flags |= VMRBITMAP_SRCRECT;
    }
    FVMRALPHABITMAP.dwFlags = flags;
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::LoadBitmap(const TBitmap* ABitmap) {
    if (ABitmap == nullptr || FDXShow->DisplayWindow() == nullptr) {
        return;
    }
    ResetBitmap();
    FVMRALPHABITMAP.rSrc = RECT{0, 0, ABitmap->Width(), ABitmap->Height()};

    const HWND window = FDXShow->DisplayWindow()->Handle();
    const HDC windowDC = GetDC(window);
    if (windowDC == nullptr) {
        return;
    }
    UniqueDC memoryDC(CreateCompatibleDC(windowDC));
    ReleaseDC(window, windowDC);
    if (!memoryDC) {
        return;
    }
    BITMAP picture{};
    if (GetObject(ABitmap->Handle(), sizeof picture, &picture) == 0) {
        return;
    }
    // A copy of our own, so that the overlay survives the caller freeing its bitmap and the
    // caller's bitmap stays the caller's.
    UniqueBitmap copy(
        CreateBitmap(picture.bmWidth, picture.bmHeight, 1, picture.bmBitsPixel, nullptr));
    if (!copy) {
        return;
    }
    const HGDIOBJ previous = SelectObject(memoryDC.get(), copy.get());
    if (previous == nullptr) {
        return;
    }
    if (!BitBlt(memoryDC.get(), 0, 0, picture.bmWidth, picture.bmHeight, ABitmap->Canvas().Handle(),
                0, 0, SRCCOPY)) {
        SelectObject(memoryDC.get(), previous);
        return;
    }
    FBMPOld = static_cast<HBITMAP>(previous);
    FMemoryDC = std::move(memoryDC);
    FPicture = std::move(copy);
    FVMRALPHABITMAP.hdc = FMemoryDC.get();
    FCanvas.SetHandle(FMemoryDC.get());
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::ResetBitmap() {
    FCanvas.SetHandle(nullptr);
    if (FMemoryDC) {
        SelectObject(FMemoryDC.get(), FBMPOld);
        FPicture.reset();
        FMemoryDC.reset();
        FBMPOld = nullptr;
        FVMRALPHABITMAP.hdc = nullptr;
    }
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::RefreshParameters() {
    FVMRALPHABITMAP.fAlpha = FAlpha;
    FVMRALPHABITMAP.clrSrcKey = ColorToRGB(FColorKey);
    FVMRALPHABITMAP.rDest = kWholeVideo<decltype(FVMRALPHABITMAP.rDest)>;
}

template <typename Traits>
ComPtr<typename Traits::Mixer> TVMRMixerAlphaBitmap<Traits>::QueryMixer(HRESULT& hr) const {
    ComPtr<typename Traits::Mixer> mixer;
    const ComPtr<IBaseFilter>& renderer = FDXShow->VideoRenderer();
    // After a teardown there is no renderer to ask.
    hr = renderer ? renderer.As(&mixer) : E_NOINTERFACE;
    return mixer;
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::ShowPicture() {
    HRESULT hr = S_OK;
    const auto mixer = QueryMixer(hr);
    if (FAILED(hr)) {
        FDXShow->ReportError(hr, Traits::QueryFailure);
        return;
    }
    hr = mixer->SetAlphaBitmap(&FVMRALPHABITMAP);
    if (FAILED(hr)) {
        FDXShow->ReportError(hr, kSetAlphaBitmapFailure);
    }
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::UpdatePicture() {
    HRESULT hr = S_OK;
    if (const auto mixer = QueryMixer(hr)) {
        mixer->UpdateAlphaBitmapParameters(&FVMRALPHABITMAP);
    }
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::Draw() {
    RefreshParameters();
    ShowPicture();
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::DrawTo(float Left, float Top, float Right, float Bottom,
                                          float Alpha, bool doUpdate) {
    FVMRALPHABITMAP.clrSrcKey = ColorToRGB(FColorKey);
    FVMRALPHABITMAP.rDest = {Left, Top, Right, Bottom};
    FVMRALPHABITMAP.fAlpha = Alpha;
    if (doUpdate) {
        UpdatePicture();
    } else {
        ShowPicture();
    }
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::UpdateParams() {
    RefreshParameters();
    UpdatePicture();
}

template <typename Traits>
void TVMRMixerAlphaBitmap<Traits>::Clear() {
    FVMRALPHABITMAP.rDest = {0.0F, 0.0F, 0.0F, 0.0F};
    FVMRALPHABITMAP.clrSrcKey = 0;
    UpdatePicture();
}

template class TVMRMixerAlphaBitmap<TVMR7MixerTraits>;
template class TVMRMixerAlphaBitmap<TVMR9MixerTraits>;

// ---- Enhanced Video Renderer ----------------------------------------------------------------

TEVR9AlphaBitmap::TEVR9AlphaBitmap(TDXShowVideo& ADXShow) : TVMRAlphaBitmap(ADXShow) {
    FMFAlphaBitmap.GetBitmapFromDC = TRUE;
    FMFAlphaBitmap.params.nrcDest = kWholeVideo<MFVideoNormalizedRect>;
}

ComPtr<IMFVideoMixerBitmap> TEVR9AlphaBitmap::Mixer() const {
    ComPtr<IMFVideoMixerBitmap> mixer;
    if (const auto& control = FDXShow->EVRMixerControl()) {
        control.As(&mixer);
    }
    return mixer;
}

void TEVR9AlphaBitmap::ApplyAlphaAndKey() {
    MFVideoAlphaBitmapParams& params = FMFAlphaBitmap.params;
    if (FAlpha != 1.0F) {
        params.fAlpha = FAlpha;
        params.dwFlags |= MFVideoAlphaBitmap_Alpha;
    } else {
        params.dwFlags &= ~MFVideoAlphaBitmap_Alpha;
    }
    if (FColorKey == clNone) {
        params.dwFlags &= ~MFVideoAlphaBitmap_SrcColorKey;
    } else {
        params.clrSrcKey = ColorToRGB(FColorKey);
        params.dwFlags |= MFVideoAlphaBitmap_SrcColorKey;
    }
}

void TEVR9AlphaBitmap::PreparePicture() {
    ApplyAlphaAndKey();
    FMFAlphaBitmap.GetBitmapFromDC = TRUE;
    FMFAlphaBitmap.bitmap.hdc = FBitmap.Canvas().Handle();
    FMFAlphaBitmap.params.rcSrc = RECT{0, 0, FBitmap.Width(), FBitmap.Height()};
}

void TEVR9AlphaBitmap::LoadBitmap(const TBitmap* ABitmap) {
    if (ABitmap != nullptr) {
        FBitmap.Assign(*ABitmap);
    }
}

void TEVR9AlphaBitmap::Draw() {
    PreparePicture();
    FMFAlphaBitmap.params.nrcDest = kWholeVideo<MFVideoNormalizedRect>;
    FMFAlphaBitmap.params.dwFlags &= ~MFVideoAlphaBitmap_DestRect;
    if (const auto mixer = Mixer()) {
        mixer->SetAlphaBitmap(&FMFAlphaBitmap);
    }
}

void TEVR9AlphaBitmap::DrawTo(float Left, float Top, float Right, float Bottom, float Alpha,
                              bool /*doUpdate*/) {
    SetAlpha(Alpha);
    PreparePicture();
    FMFAlphaBitmap.params.nrcDest = {Left, Top, Right, Bottom};
    FMFAlphaBitmap.params.dwFlags |= MFVideoAlphaBitmap_DestRect;
    if (const auto mixer = Mixer()) {
        mixer->SetAlphaBitmap(&FMFAlphaBitmap);
    }
}

void TEVR9AlphaBitmap::UpdateParams() {
    ApplyAlphaAndKey();
    if (const auto mixer = Mixer()) {
        mixer->UpdateAlphaBitmapParameters(&FMFAlphaBitmap.params);
    }
}

void TEVR9AlphaBitmap::Clear() {
    if (const auto mixer = Mixer()) {
        mixer->ClearAlphaBitmap();
    }
}

}  // namespace capspect
