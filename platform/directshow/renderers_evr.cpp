// The Enhanced Video Renderer with its presenter's display control and its mixer.
#include <string_view>

#include "platform/directshow/renderers.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/support/comobject.h"

namespace capspect::sim {

namespace {

bool IsValidNormalizedRect(const MFVideoNormalizedRect& rect) {
    return rect.left >= 0.0F && rect.top >= 0.0F && rect.right <= 1.0F && rect.bottom <= 1.0F &&
           rect.left < rect.right && rect.top < rect.bottom;
}

// Checks the parameters that a caller's flags say are valid.
HRESULT CheckParameters(const MFVideoAlphaBitmapParams& parameters) {
    if ((parameters.dwFlags & ~MFVideoAlphaBitmap_BitMask) != 0) {
        return E_INVALIDARG;
    }
    if ((parameters.dwFlags & MFVideoAlphaBitmap_Alpha) != 0 &&
        (parameters.fAlpha < 0.0F || parameters.fAlpha > 1.0F)) {
        return E_INVALIDARG;
    }
    if ((parameters.dwFlags & MFVideoAlphaBitmap_DestRect) != 0 &&
        !IsValidNormalizedRect(parameters.nrcDest)) {
        return E_INVALIDARG;
    }
    return S_OK;
}

// The parameters the mixer uses for a new picture: what the flags name, defaults for the
// rest (opaque, over the whole video, no colour key).
MFVideoAlphaBitmapParams WithDefaults(const MFVideoAlphaBitmapParams& given) {
    MFVideoAlphaBitmapParams used = given;
    if ((given.dwFlags & MFVideoAlphaBitmap_Alpha) == 0) {
        used.fAlpha = 1.0F;
    }
    if ((given.dwFlags & MFVideoAlphaBitmap_DestRect) == 0) {
        used.nrcDest = MFVideoNormalizedRect{0, 0, 1, 1};
    }
    return used;
}

// Parameters changed on a picture already shown. Source and destination rectangles and
// the filter mode change only when their flag is set. Alpha and colour key are what the
// update says: without the alpha flag the picture is opaque (the platform's default alpha
// of 1.0), without the colour-key flag no colour is transparent.
MFVideoAlphaBitmapParams Merged(const MFVideoAlphaBitmapParams& current,
                                const MFVideoAlphaBitmapParams& update) {
    MFVideoAlphaBitmapParams merged = current;
    const DWORD flags = update.dwFlags;
    merged.clrSrcKey = (flags & MFVideoAlphaBitmap_SrcColorKey) != 0 ? update.clrSrcKey : 0;
    merged.fAlpha = (flags & MFVideoAlphaBitmap_Alpha) != 0 ? update.fAlpha : 1.0F;
    if ((flags & MFVideoAlphaBitmap_SrcRect) != 0) {
        merged.rcSrc = update.rcSrc;
    }
    if ((flags & MFVideoAlphaBitmap_DestRect) != 0) {
        merged.nrcDest = update.nrcDest;
    }
    if ((flags & MFVideoAlphaBitmap_FilterMode) != 0) {
        merged.dwFilterMode = update.dwFilterMode;
    }
    constexpr DWORD kStated = MFVideoAlphaBitmap_Alpha | MFVideoAlphaBitmap_SrcColorKey;
    merged.dwFlags = (current.dwFlags & ~kStated) | flags;
    return merged;
}

// The presenter: where and how the EVR shows the video.
class EvrPresenter final : public ComObject<IMFVideoDisplayControl> {
public:
    explicit EvrPresenter(std::shared_ptr<EvrShared> shared) : shared_(std::move(shared)) {}

    HRESULT GetNativeVideoSize(SIZE* videoSize, SIZE* aspectRatio) override {
        if (const auto fault = InjectedFault("IMFVideoDisplayControl::GetNativeVideoSize")) {
            return *fault;
        }
        if (videoSize == nullptr && aspectRatio == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        // Without a connected stream the sizes are zero, as the platform answers.
        const VideoFormat video = shared_->filter->InputVideo().value_or(VideoFormat{});
        if (videoSize != nullptr) {
            *videoSize = video.size;
        }
        if (aspectRatio != nullptr) {
            *aspectRatio = video.aspectRatio;
        }
        return S_OK;
    }

    HRESULT GetIdealVideoSize(SIZE* minimum, SIZE* maximum) override {
        if (const auto fault = InjectedFault("IMFVideoDisplayControl::GetIdealVideoSize")) {
            return *fault;
        }
        if (minimum == nullptr && maximum == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        const VideoFormat video = shared_->filter->InputVideo().value_or(VideoFormat{});
        if (minimum != nullptr) {
            *minimum = SIZE{1, 1};
        }
        if (maximum != nullptr) {
            *maximum = video.size;
        }
        return S_OK;
    }

    HRESULT SetVideoPosition(const MFVideoNormalizedRect* source,
                             const LPRECT destination) override {
        if (const auto fault = InjectedFault("IMFVideoDisplayControl::SetVideoPosition")) {
            return *fault;
        }
        if (source == nullptr && destination == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        if (source != nullptr && !IsValidNormalizedRect(*source)) {
            return E_INVALIDARG;
        }
        if (destination != nullptr &&
            (destination->right < destination->left || destination->bottom < destination->top)) {
            return E_INVALIDARG;
        }
        EvrRecord& record = shared_->record;
        if (source != nullptr) {
            record.source = *source;
        }
        if (destination != nullptr) {
            record.destination = *destination;
        }
        ++record.positionChanges;
        return S_OK;
    }

    HRESULT GetVideoPosition(MFVideoNormalizedRect* source, RECT* destination) override {
        if (const auto fault = InjectedFault("IMFVideoDisplayControl::GetVideoPosition")) {
            return *fault;
        }
        if (source == nullptr || destination == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        *source = shared_->record.source;
        *destination = shared_->record.destination;
        return S_OK;
    }

    HRESULT SetAspectRatioMode(DWORD aspectRatioMode) override {
        return Keep("IMFVideoDisplayControl::SetAspectRatioMode", &EvrRecord::aspectRatioMode,
                    aspectRatioMode, (aspectRatioMode & ~MFVideoARMode_Mask) == 0);
    }

    HRESULT GetAspectRatioMode(DWORD* aspectRatioMode) override {
        return Answer("IMFVideoDisplayControl::GetAspectRatioMode", &EvrRecord::aspectRatioMode,
                      aspectRatioMode);
    }

    HRESULT SetVideoWindow(HWND window) override {
        return Keep("IMFVideoDisplayControl::SetVideoWindow", &EvrRecord::videoWindow, window,
                    window != nullptr);
    }

    HRESULT GetVideoWindow(HWND* window) override {
        return Answer("IMFVideoDisplayControl::GetVideoWindow", &EvrRecord::videoWindow, window);
    }

    HRESULT RepaintVideo() override {
        if (const auto fault = InjectedFault("IMFVideoDisplayControl::RepaintVideo")) {
            return *fault;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        ++shared_->record.repaints;
        return S_OK;
    }

    HRESULT GetCurrentImage(BITMAPINFOHEADER* header, BYTE** dib, DWORD* dibSize,
                            LONGLONG* timeStamp) override {
        if (const auto fault = InjectedFault("IMFVideoDisplayControl::GetCurrentImage")) {
            return *fault;
        }
        if (header == nullptr || dib == nullptr || dibSize == nullptr) {
            return E_POINTER;
        }
        *dib = nullptr;
        *dibSize = 0;
        if (timeStamp != nullptr) {
            *timeStamp = 0;
        }
        // No frames flow through the simulated graph, so there is no image to hand out.
        return E_NOTIMPL;
    }

    HRESULT SetBorderColor(COLORREF color) override {
        return Keep("IMFVideoDisplayControl::SetBorderColor", &EvrRecord::borderColor, color);
    }

    HRESULT GetBorderColor(COLORREF* color) override {
        return Answer("IMFVideoDisplayControl::GetBorderColor", &EvrRecord::borderColor, color);
    }

    HRESULT SetRenderingPrefs(DWORD renderFlags) override {
        return Keep("IMFVideoDisplayControl::SetRenderingPrefs", &EvrRecord::renderingPrefs,
                    renderFlags);
    }

    HRESULT GetRenderingPrefs(DWORD* renderFlags) override {
        return Answer("IMFVideoDisplayControl::GetRenderingPrefs", &EvrRecord::renderingPrefs,
                      renderFlags);
    }

    HRESULT SetFullscreen(BOOL fullscreen) override {
        return Keep("IMFVideoDisplayControl::SetFullscreen", &EvrRecord::fullscreen, fullscreen);
    }

    HRESULT GetFullscreen(BOOL* fullscreen) override {
        return Answer("IMFVideoDisplayControl::GetFullscreen", &EvrRecord::fullscreen, fullscreen);
    }

private:
    // A setting the presenter keeps. The call's fault comes first, then the filter being
    // gone, then a value the platform refuses (`valid`).
    template <typename T>
    HRESULT Keep(std::string_view call, T EvrRecord::*setting, T value, bool valid = true) {
        if (const auto fault = InjectedFault(call)) {
            return *fault;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        if (!valid) {
            return E_INVALIDARG;
        }
        shared_->record.*setting = value;
        return S_OK;
    }

    // A kept setting: the call's fault, a null pointer, the filter being gone, in that order.
    template <typename T>
    HRESULT Answer(std::string_view call, T EvrRecord::*setting, T* value) const {
        if (const auto fault = InjectedFault(call)) {
            return *fault;
        }
        if (value == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        *value = shared_->record.*setting;
        return S_OK;
    }

    std::shared_ptr<EvrShared> shared_;
};

// The mixer: the placement of its streams and the picture it blends over the video.
class EvrMixer final : public ComObject<IMFVideoMixerControl, IMFVideoMixerBitmap> {
public:
    explicit EvrMixer(std::shared_ptr<EvrShared> shared) : shared_(std::move(shared)) {}

    HRESULT SetStreamZOrder(DWORD streamId, DWORD z) override {
        if (const auto fault = InjectedFault("IMFVideoMixerControl::SetStreamZOrder")) {
            return *fault;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        // One stream, the reference stream, which always stays at the bottom.
        if (streamId != 0) {
            return MF_E_INVALIDREQUEST;
        }
        if (z != 0) {
            return E_INVALIDARG;
        }
        shared_->record.streamZOrder[streamId] = z;
        return S_OK;
    }

    HRESULT GetStreamZOrder(DWORD streamId, DWORD* z) override {
        if (const auto fault = InjectedFault("IMFVideoMixerControl::GetStreamZOrder")) {
            return *fault;
        }
        if (z == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        if (streamId != 0) {
            return MF_E_INVALIDREQUEST;
        }
        *z = 0;
        return S_OK;
    }

    HRESULT SetStreamOutputRect(DWORD streamId, const MFVideoNormalizedRect* rect) override {
        if (const auto fault = InjectedFault("IMFVideoMixerControl::SetStreamOutputRect")) {
            return *fault;
        }
        if (rect == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        if (streamId != 0) {
            return MF_E_INVALIDREQUEST;
        }
        if (!IsValidNormalizedRect(*rect)) {
            return E_INVALIDARG;
        }
        shared_->record.streamOutputRects[streamId] = *rect;
        return S_OK;
    }

    HRESULT GetStreamOutputRect(DWORD streamId, MFVideoNormalizedRect* rect) override {
        if (const auto fault = InjectedFault("IMFVideoMixerControl::GetStreamOutputRect")) {
            return *fault;
        }
        if (rect == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        if (streamId != 0) {
            return MF_E_INVALIDREQUEST;
        }
        const auto& rects = shared_->record.streamOutputRects;
        const auto found = rects.find(streamId);
        *rect = found != rects.end() ? found->second : MFVideoNormalizedRect{0, 0, 1, 1};
        return S_OK;
    }

    HRESULT SetAlphaBitmap(const MFVideoAlphaBitmap* bitmap) override {
        if (const auto fault = InjectedFault("IMFVideoMixerBitmap::SetAlphaBitmap")) {
            return *fault;
        }
        if (bitmap == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        if (bitmap->bitmap.hdc == nullptr) {
            return E_INVALIDARG;
        }
        if (const HRESULT hr = CheckParameters(bitmap->params); FAILED(hr)) {
            return hr;
        }
        std::optional<MixerPicture> picture;
        if (bitmap->GetBitmapFromDC) {
            picture.emplace();
            if (const HRESULT hr =
                    CopyMixerPicture(bitmap->bitmap.hdc, bitmap->params.rcSrc, *picture);
                FAILED(hr)) {
                return hr;
            }
        }
        MFVideoAlphaBitmap used = *bitmap;
        used.params = WithDefaults(bitmap->params);
        auto& record = shared_->record.bitmap;
        record.picture = std::move(picture);
        record.current = used;
        record.history.push_back(used);
        ++record.setCalls;
        return S_OK;
    }

    HRESULT ClearAlphaBitmap() override {
        if (const auto fault = InjectedFault("IMFVideoMixerBitmap::ClearAlphaBitmap")) {
            return *fault;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        auto& record = shared_->record.bitmap;
        record.current.reset();
        record.picture.reset();
        ++record.clearCalls;
        return S_OK;
    }

    HRESULT UpdateAlphaBitmapParameters(const MFVideoAlphaBitmapParams* parameters) override {
        if (const auto fault = InjectedFault("IMFVideoMixerBitmap::UpdateAlphaBitmapParameters")) {
            return *fault;
        }
        if (parameters == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        auto& record = shared_->record.bitmap;
        if (!record.current) {
            return MF_E_NOT_INITIALIZED;
        }
        if (const HRESULT hr = CheckParameters(*parameters); FAILED(hr)) {
            return hr;
        }
        record.current->params = Merged(record.current->params, *parameters);
        record.history.push_back(*record.current);
        ++record.updateCalls;
        return S_OK;
    }

    HRESULT GetAlphaBitmapParameters(MFVideoAlphaBitmapParams* parameters) override {
        if (const auto fault = InjectedFault("IMFVideoMixerBitmap::GetAlphaBitmapParameters")) {
            return *fault;
        }
        if (parameters == nullptr) {
            return E_POINTER;
        }
        if (!shared_->filter) {
            return MF_E_SHUTDOWN;
        }
        const auto& record = shared_->record.bitmap;
        if (!record.current) {
            return MF_E_NOT_INITIALIZED;
        }
        *parameters = record.current->params;
        return S_OK;
    }

private:
    std::shared_ptr<EvrShared> shared_;
};

}  // namespace

bool IsShown(const MFVideoAlphaBitmap& bitmap) {
    const MFVideoAlphaBitmapParams& parameters = bitmap.params;
    return parameters.fAlpha > 0.0F && parameters.nrcDest.right > parameters.nrcDest.left &&
           parameters.nrcDest.bottom > parameters.nrcDest.top;
}

EvrRenderer::EvrRenderer()
    : WithInterfaces(CLSID_EnhancedVideoRenderer), shared_(std::make_shared<EvrShared>()) {
    shared_->filter = this;
    AddVideoInput(u"EVR Input0", UncompressedVideoSubtypes());
    presenter_ = MakeComObject<EvrPresenter>(shared_);
    mixer_ = MakeComObject<EvrMixer>(shared_);
}

EvrRenderer::~EvrRenderer() {
    shared_->filter = nullptr;
}

HRESULT EvrRenderer::QueryOtherInterface(REFIID riid, void** object) {
    if (riid == IID_IMFGetService && QueryRefused("IMFGetService")) {
        return E_NOINTERFACE;
    }
    return WithInterfaces::QueryOtherInterface(riid, object);
}

HRESULT EvrRenderer::GetService(REFGUID service, REFIID riid, void** object) {
    if (const auto fault = InjectedFault("IMFGetService::GetService")) {
        return *fault;
    }
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (service == MR_VIDEO_RENDER_SERVICE) {
        return presenter_->QueryInterface(riid, object);
    }
    if (service == MR_VIDEO_MIXER_SERVICE) {
        return mixer_->QueryInterface(riid, object);
    }
    return MF_E_UNSUPPORTED_SERVICE;
}

}  // namespace capspect::sim
