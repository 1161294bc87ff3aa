// Overlay bitmap objects: one still picture laid over the running video through the mixer
// of the video renderer. There is one class per mixer interface; the video component
// creates the one that matches the renderer it inserted and owns it.
//
// So far the classes carry only their owner and their kind; the picture operations (load,
// draw, fade parameters, clear) come with the overlay work.
#pragma once

namespace capspect {

class TDXShow;

class TVMRAlphaBitmap {
public:
    explicit TVMRAlphaBitmap(TDXShow& ADXShow) : FDXShow(&ADXShow) {}
    virtual ~TVMRAlphaBitmap() = default;
    TVMRAlphaBitmap(const TVMRAlphaBitmap&) = delete;
    TVMRAlphaBitmap& operator=(const TVMRAlphaBitmap&) = delete;

    TDXShow& DXShow() const { return *FDXShow; }

private:
    // The owning component; it owns this object, never the other way round.
    TDXShow* FDXShow;
};

// Through IVMRMixerBitmap of the Video Mixing Renderer 7.
class TVMRAlphaBitmap7 final : public TVMRAlphaBitmap {
public:
    using TVMRAlphaBitmap::TVMRAlphaBitmap;
};

// Through IVMRMixerBitmap9 of the Video Mixing Renderer 9, in every rendering mode.
class TVMRAlphaBitmap9 final : public TVMRAlphaBitmap {
public:
    using TVMRAlphaBitmap::TVMRAlphaBitmap;
};

// Through IMFVideoMixerBitmap of the Enhanced Video Renderer's mixer.
class TEVR9AlphaBitmap final : public TVMRAlphaBitmap {
public:
    using TVMRAlphaBitmap::TVMRAlphaBitmap;
};

}  // namespace capspect
