// Overlay bitmap objects: one still picture laid over the running video through the mixer
// of the video renderer, with a global alpha and an optional transparent colour. There is
// one class per mixer interface; the video component creates the one that matches the
// renderer it inserted, owns it and drives it from its blend and fade operations.
#pragma once

#include <initializer_list>

#include <d3d9.h>
#include <dshow.h>
#include <evr.h>
#include <evr9.h>
#include <vmr9.h>

#include "framework/Graphics.h"
#include "platform/support/comptr.h"
#include "platform/support/gdi_handles.h"

namespace capspect {

class TDXShowVideo;

enum TVMRBitmapOption {
    vmrbDisable = 0,
    vmrbEntireDDS = 1,
    vmrbSrcColorKey = 2,
    vmrbSrcRect = 3,
};

// A set of TVMRBitmapOption, one bit per option (bit 0 for vmrbDisable).
class TVMRBitmapOptions {
public:
    constexpr TVMRBitmapOptions() = default;
    constexpr TVMRBitmapOptions(std::initializer_list<TVMRBitmapOption> Options) {
        for (const TVMRBitmapOption option : Options) {
            FBits = static_cast<BYTE>(FBits | Bit(option));
        }
    }

    constexpr bool Contains(TVMRBitmapOption Option) const { return (FBits & Bit(Option)) != 0; }
    constexpr BYTE Bits() const { return FBits; }
    friend constexpr bool operator==(TVMRBitmapOptions, TVMRBitmapOptions) = default;

private:
    static constexpr BYTE Bit(TVMRBitmapOption Option) {
        return static_cast<BYTE>(1U << static_cast<unsigned>(Option));
    }

    BYTE FBits = 0;
};

class TVMRAlphaBitmap {
public:
    explicit TVMRAlphaBitmap(TDXShowVideo& ADXShow) : FDXShow(&ADXShow) {}
    virtual ~TVMRAlphaBitmap() = default;
    TVMRAlphaBitmap(const TVMRAlphaBitmap&) = delete;
    TVMRAlphaBitmap& operator=(const TVMRAlphaBitmap&) = delete;

    // Stores the options; the VMR objects also turn them into their record's flags.
    virtual void SetOptions(TVMRBitmapOptions Value) { FOptions = Value; }
    // Takes a copy of ABitmap as the picture to show; nothing for a null bitmap.
    virtual void LoadBitmap(const TBitmap* ABitmap) = 0;
    // Shows the picture over the whole video.
    virtual void Draw() = 0;
    // Shows the picture in the normalised rectangle with the given alpha.
    virtual void DrawTo(float Left, float Top, float Right, float Bottom, float Alpha,
                        bool doUpdate) = 0;
    // Hands a changed Alpha and ColorKey to the picture that is shown.
    virtual void UpdateParams() = 0;
    // Lets go of the picture.
    virtual void ResetBitmap() = 0;
    // Hides the overlay.
    virtual void Clear() = 0;

    TVMRBitmapOptions Options() const { return FOptions; }
    float Alpha() const { return FAlpha; }
    void SetAlpha(float Value) { FAlpha = Value; }
    TColor ColorKey() const { return FColorKey; }
    void SetColorKey(TColor Value) { FColorKey = Value; }

    TDXShowVideo& DXShow() const { return *FDXShow; }
    // Draws on the loaded picture (VMR objects, while they hold one); what is drawn shows
    // from the next Draw on.
    TCanvas& Canvas() { return FCanvas; }

protected:
    // The owning component; it owns this object, never the other way round.
    TDXShowVideo* FDXShow;
    TCanvas FCanvas;
    TColor FColorKey = clBlack;
    // 0.0 invisible to 1.0 opaque.
    float FAlpha = 0.0F;
    TVMRBitmapOptions FOptions;
};

// What distinguishes the two Video Mixing Renderers' mixers: the record, the interface and
// the text that reports a renderer without it.
struct TVMR7MixerTraits {
    using Record = VMRALPHABITMAP;
    using Mixer = IVMRMixerBitmap;
    static constexpr const char16_t* QueryFailure = u"TVMRAlphaBitmap.Draw: Query IVMRMixerBitmap7";
};

struct TVMR9MixerTraits {
    using Record = VMR9AlphaBitmap;
    using Mixer = IVMRMixerBitmap9;
    static constexpr const char16_t* QueryFailure = u"TVMRAlphaBitmap.Draw: Query IVMRMixerBitmap9";
};

// The Video Mixing Renderers' overlay: the picture is a copy of the caller's bitmap kept
// selected in a memory device context, which the mixer reads on SetAlphaBitmap.
template <typename Traits>
class TVMRMixerAlphaBitmap : public TVMRAlphaBitmap {
public:
    using Record = typename Traits::Record;

    explicit TVMRMixerAlphaBitmap(TDXShowVideo& ADXShow);
    ~TVMRMixerAlphaBitmap() override;

    // Device context (2), plus disable (1), source colour key (8) and source rectangle
    // (0x10) as the options say; vmrbEntireDDS does not count for a device context.
    void SetOptions(TVMRBitmapOptions Value) override;
    // Nothing for a null bitmap or while the owner has no display window; otherwise the
    // previous picture goes and a copy of ABitmap comes in (none when that fails).
    void LoadBitmap(const TBitmap* ABitmap) override;
    // Reports a renderer without the mixer interface and a refused picture.
    void Draw() override;
    void DrawTo(float Left, float Top, float Right, float Bottom, float Alpha,
                bool doUpdate) override;
    void UpdateParams() override;
    void ResetBitmap() override;
    // An empty destination: the picture, flags and alpha stay for the next Draw.
    void Clear() override;

    // The record as it was last handed to the mixer or prepared for it.
    const Record& AlphaBitmapRecord() const { return FVMRALPHABITMAP; }

private:
    // Alpha, colour key and the whole video as destination.
    void RefreshParameters();
    ComPtr<typename Traits::Mixer> QueryMixer(HRESULT& hr) const;
    // SetAlphaBitmap, with the failures reported as Draw reports them.
    void ShowPicture();
    void UpdatePicture();

    Record FVMRALPHABITMAP{};
    // What the memory context held before the picture went in.
    HBITMAP FBMPOld = nullptr;
    UniqueDC FMemoryDC;
    UniqueBitmap FPicture;
};

// Through IVMRMixerBitmap of the Video Mixing Renderer 7.
class TVMRAlphaBitmap7 final : public TVMRMixerAlphaBitmap<TVMR7MixerTraits> {
public:
    using TVMRMixerAlphaBitmap::TVMRMixerAlphaBitmap;
};

// Through IVMRMixerBitmap9 of the Video Mixing Renderer 9, in every rendering mode.
class TVMRAlphaBitmap9 final : public TVMRMixerAlphaBitmap<TVMR9MixerTraits> {
public:
    using TVMRMixerAlphaBitmap::TVMRMixerAlphaBitmap;
};

// Through IMFVideoMixerBitmap of the Enhanced Video Renderer's mixer, reached through the
// owner's mixer control. Every call without a mixer does nothing; nothing is reported.
class TEVR9AlphaBitmap final : public TVMRAlphaBitmap {
public:
    explicit TEVR9AlphaBitmap(TDXShowVideo& ADXShow);

    // Copies ABitmap into the object's own bitmap, also without a display window.
    void LoadBitmap(const TBitmap* ABitmap) override;
    void Draw() override;
    // Sets Alpha; doUpdate makes no difference.
    void DrawTo(float Left, float Top, float Right, float Bottom, float Alpha,
                bool doUpdate) override;
    void UpdateParams() override;
    void ResetBitmap() override {}
    void Clear() override;

    const MFVideoAlphaBitmap& AlphaBitmapRecord() const { return FMFAlphaBitmap; }
    const TBitmap& Bitmap() const { return FBitmap; }

private:
    // Alpha 1.0 is the mixer's default and sends no alpha flag; clNone sends no colour key.
    void ApplyAlphaAndKey();
    // The alpha and key, and the object's bitmap as the picture.
    void PreparePicture();
    ComPtr<IMFVideoMixerBitmap> Mixer() const;

    MFVideoAlphaBitmap FMFAlphaBitmap{};
    TBitmap FBitmap;
};

}  // namespace capspect
