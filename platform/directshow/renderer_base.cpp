#include "platform/directshow/renderer_base.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "platform/sdk/dshow/renderers.h"
#include "platform/sdk/oleauto.h"

namespace capspect::sim {

namespace {

SIZE ReducedAspect(LONG width, LONG height) {
    const LONG divisor = std::gcd(width, height);
    if (divisor == 0) {
        return SIZE{width, height};
    }
    return SIZE{width / divisor, height / divisor};
}

LONG Width(const RECT& rect) {
    return rect.right - rect.left;
}

LONG Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

// The picture size of a video header: the source rectangle when one is given, else the
// bitmap's size (its height is negative for top-down bitmaps).
SIZE PictureSize(const RECT& source, const BITMAPINFOHEADER& bitmap) {
    if (Width(source) > 0 && Height(source) > 0) {
        return SIZE{Width(source), Height(source)};
    }
    return SIZE{bitmap.biWidth, bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight};
}

template <typename Header>
VideoFormat FormatOfHeader(const Header& header) {
    VideoFormat format;
    format.size = PictureSize(header.rcSource, header.bmiHeader);
    format.aspectRatio = ReducedAspect(format.size.cx, format.size.cy);
    format.frameDuration = header.AvgTimePerFrame;
    format.bitRate = header.dwBitRate;
    format.bitErrorRate = header.dwBitErrorRate;
    return format;
}

}  // namespace

std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& mediaType) {
    if (mediaType.pbFormat == nullptr) {
        return std::nullopt;
    }
    // MPEG-1 and MPEG-2 video blocks begin with the plain and the second video header.
    if (mediaType.formattype == FORMAT_VideoInfo || mediaType.formattype == FORMAT_MPEGVideo) {
        if (mediaType.cbFormat < sizeof(VIDEOINFOHEADER)) {
            return std::nullopt;
        }
        return FormatOfHeader(*reinterpret_cast<const VIDEOINFOHEADER*>(mediaType.pbFormat));
    }
    if (mediaType.formattype == FORMAT_VideoInfo2 || mediaType.formattype == FORMAT_MPEG2Video) {
        if (mediaType.cbFormat < sizeof(VIDEOINFOHEADER2)) {
            return std::nullopt;
        }
        const auto& header = *reinterpret_cast<const VIDEOINFOHEADER2*>(mediaType.pbFormat);
        VideoFormat format = FormatOfHeader(header);
        if (header.dwPictAspectRatioX != 0 && header.dwPictAspectRatioY != 0) {
            format.aspectRatio = ReducedAspect(static_cast<LONG>(header.dwPictAspectRatioX),
                                               static_cast<LONG>(header.dwPictAspectRatioY));
        }
        return format;
    }
    return std::nullopt;
}

const std::vector<GUID>& UncompressedVideoSubtypes() {
    static const std::vector<GUID> subtypes{
        MEDIASUBTYPE_RGB32,  MEDIASUBTYPE_ARGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB565,
        MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB8,   MEDIASUBTYPE_YUY2,  MEDIASUBTYPE_UYVY,
        MEDIASUBTYPE_YVYU,   MEDIASUBTYPE_YV12,   MEDIASUBTYPE_NV12,  MEDIASUBTYPE_I420,
        MEDIASUBTYPE_IYUV,
    };
    return subtypes;
}

namespace {

std::vector<MediaType> PatternsFor(const std::vector<GUID>& subtypes) {
    std::vector<MediaType> patterns;
    for (const GUID& subtype : subtypes) {
        patterns.emplace_back(MEDIATYPE_Video, subtype);
    }
    return patterns;
}

}  // namespace

VideoInputPin::VideoInputPin(Filter& filter, std::u16string name, std::vector<GUID> subtypes)
    : Pin(filter, PINDIR_INPUT, std::move(name), PatternsFor(subtypes)),
      subtypes_(std::move(subtypes)) {}

HRESULT VideoInputPin::CheckMediaType(const AM_MEDIA_TYPE& mediaType) const {
    const bool knownSubtype =
        std::find(subtypes_.begin(), subtypes_.end(), mediaType.subtype) != subtypes_.end();
    const bool videoHeader =
        mediaType.formattype == FORMAT_VideoInfo || mediaType.formattype == FORMAT_VideoInfo2;
    if (mediaType.majortype != MEDIATYPE_Video || !knownSubtype || !videoHeader ||
        !VideoFormatOf(mediaType)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

VideoRendererFilter::VideoRendererFilter(const CLSID& clsid)
    : Filter(clsid, AM_FILTER_MISC_FLAGS_IS_RENDERER) {}

VideoInputPin& VideoRendererFilter::AddVideoInput(std::u16string name, std::vector<GUID> subtypes) {
    return AddPin<VideoInputPin>(std::move(name), std::move(subtypes));
}

bool VideoRendererFilter::QueryRefused(std::string_view interfaceName) {
    std::string name = "IUnknown::QueryInterface(";
    name.append(interfaceName);
    name.push_back(')');
    return InjectedFault(name).has_value();
}

HRESULT VideoRendererFilter::Stop() {
    const HRESULT hr = Filter::Stop();
    if (SUCCEEDED(hr)) {
        endedInputs_.clear();
        completed_ = false;
    }
    return hr;
}

HRESULT VideoRendererFilter::Pause() {
    // Leaving the stopped state starts a new run of the streams.
    if (State() == State_Stopped) {
        endedInputs_.clear();
        completed_ = false;
    }
    return Filter::Pause();
}

bool VideoRendererFilter::HasConnectedInput() const {
    return std::any_of(Pins().begin(), Pins().end(), [](const auto& pin) {
        return pin->Direction() == PINDIR_INPUT && pin->IsConnected();
    });
}

std::optional<VideoFormat> VideoRendererFilter::InputVideo() const {
    for (const auto& pin : Pins()) {
        if (pin->Direction() == PINDIR_INPUT && pin->IsConnected()) {
            return VideoFormatOf(pin->ConnectionType().Get());
        }
    }
    return std::nullopt;
}

// One EC_COMPLETE per renderer, when the last of its connected inputs has ended.
void VideoRendererFilter::OnEndOfStream(Pin& input) {
    endedInputs_.insert(&input);
    const bool allEnded = std::all_of(Pins().begin(), Pins().end(), [&](const auto& pin) {
        return pin->Direction() != PINDIR_INPUT || !pin->IsConnected() ||
               endedInputs_.contains(pin.get());
    });
    if (allEnded && !completed_) {
        completed_ = true;
        NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
    }
}

WindowedRendererFilter::WindowedRendererFilter(const CLSID& clsid) : WithInterfaces(clsid) {}

HRESULT WindowedRendererFilter::QueryOtherInterface(REFIID riid, void** object) {
    const bool windowInterface =
        riid == IID_IVideoWindow || riid == IID_IBasicVideo || riid == IID_IBasicVideo2;
    if (windowInterface && !HasWindow()) {
        return E_NOINTERFACE;
    }
    return WithInterfaces::QueryOtherInterface(riid, object);
}

template <typename... Out>
HRESULT WindowedRendererFilter::Ready(Out*... out) const {
    if (!HasConnectedInput()) {
        return VFW_E_NOT_CONNECTED;
    }
    if ((!out || ...)) {
        return E_POINTER;
    }
    return S_OK;
}

HRESULT WindowedRendererFilter::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT WindowedRendererFilter::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT WindowedRendererFilter::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT WindowedRendererFilter::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                       EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---- IVideoWindow ------------------------------------------------------------------------

HRESULT WindowedRendererFilter::put_Caption(BSTR caption) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.caption = caption != nullptr ? std::u16string(caption, SysStringLen(caption)) : u"";
    return S_OK;
}

HRESULT WindowedRendererFilter::get_Caption(BSTR* caption) {
    if (const HRESULT hr = Ready(caption); FAILED(hr)) {
        return hr;
    }
    *caption = SysAllocStringLen(window_.caption.data(), static_cast<UINT>(window_.caption.size()));
    return *caption != nullptr ? S_OK : E_OUTOFMEMORY;
}

namespace {

// Styles a renderer's window may not take (WS_DISABLED, WS_ICONIC, WS_MAXIMIZE,
// WS_HSCROLL, WS_VSCROLL), as the platform's renderers refuse them.
constexpr LONG kRefusedStyles = 0x08000000 | 0x20000000 | 0x01000000 | 0x00100000 | 0x00200000;

HRESULT StoreBoolean(LONG value, LONG& target) {
    if (value != OATRUE && value != OAFALSE) {
        return E_INVALIDARG;
    }
    target = value;
    return S_OK;
}

}  // namespace

HRESULT WindowedRendererFilter::put_WindowStyle(LONG style) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    if ((style & kRefusedStyles) != 0) {
        return E_INVALIDARG;
    }
    window_.style = style;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_WindowStyle(LONG* style) {
    if (const HRESULT hr = Ready(style); FAILED(hr)) {
        return hr;
    }
    *style = window_.style;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_WindowStyleEx(LONG style) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.styleEx = style;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_WindowStyleEx(LONG* style) {
    if (const HRESULT hr = Ready(style); FAILED(hr)) {
        return hr;
    }
    *style = window_.styleEx;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_AutoShow(LONG autoShow) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return StoreBoolean(autoShow, window_.autoShow);
}

HRESULT WindowedRendererFilter::get_AutoShow(LONG* autoShow) {
    if (const HRESULT hr = Ready(autoShow); FAILED(hr)) {
        return hr;
    }
    *autoShow = window_.autoShow;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_WindowState(LONG state) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.windowState = state;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_WindowState(LONG* state) {
    if (const HRESULT hr = Ready(state); FAILED(hr)) {
        return hr;
    }
    *state = window_.windowState;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_BackgroundPalette(LONG backgroundPalette) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return StoreBoolean(backgroundPalette, window_.backgroundPalette);
}

HRESULT WindowedRendererFilter::get_BackgroundPalette(LONG* backgroundPalette) {
    if (const HRESULT hr = Ready(backgroundPalette); FAILED(hr)) {
        return hr;
    }
    *backgroundPalette = window_.backgroundPalette;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_Visible(LONG visible) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return StoreBoolean(visible, window_.visible);
}

HRESULT WindowedRendererFilter::get_Visible(LONG* visible) {
    if (const HRESULT hr = Ready(visible); FAILED(hr)) {
        return hr;
    }
    *visible = window_.visible;
    return S_OK;
}

RECT WindowedRendererFilter::CurrentPlacement() const {
    if (window_.placement) {
        return *window_.placement;
    }
    const auto video = InputVideo();
    return video ? RECT{0, 0, video->size.cx, video->size.cy} : RECT{};
}

HRESULT WindowedRendererFilter::Place(const RECT& placement) {
    if (Width(placement) < 0 || Height(placement) < 0) {
        return E_INVALIDARG;
    }
    window_.placement = placement;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_Left(LONG left) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentPlacement();
    return Place(RECT{left, current.top, left + Width(current), current.bottom});
}

HRESULT WindowedRendererFilter::get_Left(LONG* left) {
    if (const HRESULT hr = Ready(left); FAILED(hr)) {
        return hr;
    }
    *left = CurrentPlacement().left;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_Width(LONG width) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentPlacement();
    return Place(RECT{current.left, current.top, current.left + width, current.bottom});
}

HRESULT WindowedRendererFilter::get_Width(LONG* width) {
    if (const HRESULT hr = Ready(width); FAILED(hr)) {
        return hr;
    }
    *width = Width(CurrentPlacement());
    return S_OK;
}

HRESULT WindowedRendererFilter::put_Top(LONG top) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentPlacement();
    return Place(RECT{current.left, top, current.right, top + Height(current)});
}

HRESULT WindowedRendererFilter::get_Top(LONG* top) {
    if (const HRESULT hr = Ready(top); FAILED(hr)) {
        return hr;
    }
    *top = CurrentPlacement().top;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_Height(LONG height) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentPlacement();
    return Place(RECT{current.left, current.top, current.right, current.top + height});
}

HRESULT WindowedRendererFilter::get_Height(LONG* height) {
    if (const HRESULT hr = Ready(height); FAILED(hr)) {
        return hr;
    }
    *height = Height(CurrentPlacement());
    return S_OK;
}

HRESULT WindowedRendererFilter::put_Owner(OAHWND owner) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.owner = owner;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_Owner(OAHWND* owner) {
    if (const HRESULT hr = Ready(owner); FAILED(hr)) {
        return hr;
    }
    *owner = window_.owner;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_MessageDrain(OAHWND drain) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.messageDrain = drain;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_MessageDrain(OAHWND* drain) {
    if (const HRESULT hr = Ready(drain); FAILED(hr)) {
        return hr;
    }
    *drain = window_.messageDrain;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_BorderColor(LONG* color) {
    if (const HRESULT hr = Ready(color); FAILED(hr)) {
        return hr;
    }
    *color = window_.borderColor;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_BorderColor(LONG color) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.borderColor = color;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_FullScreenMode(LONG* fullScreenMode) {
    if (const HRESULT hr = Ready(fullScreenMode); FAILED(hr)) {
        return hr;
    }
    *fullScreenMode = window_.fullScreen;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_FullScreenMode(LONG fullScreenMode) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return StoreBoolean(fullScreenMode, window_.fullScreen);
}

HRESULT WindowedRendererFilter::SetWindowForeground(LONG focus) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    if (focus != OATRUE && focus != OAFALSE) {
        return E_INVALIDARG;
    }
    ++window_.foregroundRequests;
    return S_OK;
}

HRESULT WindowedRendererFilter::NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) {
    // The simulated window has no system palette or display settings to react to.
    return Ready();
}

HRESULT WindowedRendererFilter::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return Place(RECT{left, top, left + width, top + height});
}

HRESULT WindowedRendererFilter::GetWindowPosition(LONG* left, LONG* top, LONG* width,
                                                  LONG* height) {
    if (const HRESULT hr = Ready(left, top, width, height); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentPlacement();
    *left = current.left;
    *top = current.top;
    *width = Width(current);
    *height = Height(current);
    return S_OK;
}

HRESULT WindowedRendererFilter::GetMinIdealImageSize(LONG* width, LONG* height) {
    return GetVideoSize(width, height);
}

HRESULT WindowedRendererFilter::GetMaxIdealImageSize(LONG* width, LONG* height) {
    return GetVideoSize(width, height);
}

HRESULT WindowedRendererFilter::GetRestorePosition(LONG* left, LONG* top, LONG* width,
                                                   LONG* height) {
    return GetWindowPosition(left, top, width, height);
}

HRESULT WindowedRendererFilter::HideCursor(LONG hideCursor) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return StoreBoolean(hideCursor, window_.cursorHidden);
}

HRESULT WindowedRendererFilter::IsCursorHidden(LONG* cursorHidden) {
    if (const HRESULT hr = Ready(cursorHidden); FAILED(hr)) {
        return hr;
    }
    *cursorHidden = window_.cursorHidden;
    return S_OK;
}

// ---- IBasicVideo -------------------------------------------------------------------------

HRESULT WindowedRendererFilter::get_AvgTimePerFrame(REFTIME* timePerFrame) {
    if (const HRESULT hr = Ready(timePerFrame); FAILED(hr)) {
        return hr;
    }
    *timePerFrame = static_cast<REFTIME>(InputVideo().value_or(VideoFormat{}).frameDuration) / 1e7;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_BitRate(LONG* bitRate) {
    if (const HRESULT hr = Ready(bitRate); FAILED(hr)) {
        return hr;
    }
    *bitRate = static_cast<LONG>(InputVideo().value_or(VideoFormat{}).bitRate);
    return S_OK;
}

HRESULT WindowedRendererFilter::get_BitErrorRate(LONG* bitErrorRate) {
    if (const HRESULT hr = Ready(bitErrorRate); FAILED(hr)) {
        return hr;
    }
    *bitErrorRate = static_cast<LONG>(InputVideo().value_or(VideoFormat{}).bitErrorRate);
    return S_OK;
}

HRESULT WindowedRendererFilter::get_VideoWidth(LONG* width) {
    if (const HRESULT hr = Ready(width); FAILED(hr)) {
        return hr;
    }
    *width = InputVideo().value_or(VideoFormat{}).size.cx;
    return S_OK;
}

HRESULT WindowedRendererFilter::get_VideoHeight(LONG* height) {
    if (const HRESULT hr = Ready(height); FAILED(hr)) {
        return hr;
    }
    *height = InputVideo().value_or(VideoFormat{}).size.cy;
    return S_OK;
}

RECT WindowedRendererFilter::CurrentSource() const {
    if (window_.source) {
        return *window_.source;
    }
    const SIZE size = InputVideo().value_or(VideoFormat{}).size;
    return RECT{0, 0, size.cx, size.cy};
}

RECT WindowedRendererFilter::CurrentDestination() const {
    if (window_.destination) {
        return *window_.destination;
    }
    const RECT placement = CurrentPlacement();
    return RECT{0, 0, Width(placement), Height(placement)};
}

// The source must lie within the video and not be empty, as the platform requires.
HRESULT WindowedRendererFilter::ChangeSource(const RECT& source) {
    const SIZE size = InputVideo().value_or(VideoFormat{}).size;
    if (source.left < 0 || source.top < 0 || Width(source) <= 0 || Height(source) <= 0 ||
        source.right > size.cx || source.bottom > size.cy) {
        return E_INVALIDARG;
    }
    window_.source = source;
    return S_OK;
}

HRESULT WindowedRendererFilter::ChangeDestination(const RECT& destination) {
    if (Width(destination) <= 0 || Height(destination) <= 0) {
        return E_INVALIDARG;
    }
    window_.destination = destination;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_SourceLeft(LONG left) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentSource();
    return ChangeSource(RECT{left, current.top, left + Width(current), current.bottom});
}

HRESULT WindowedRendererFilter::get_SourceLeft(LONG* left) {
    if (const HRESULT hr = Ready(left); FAILED(hr)) {
        return hr;
    }
    *left = CurrentSource().left;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_SourceWidth(LONG width) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentSource();
    return ChangeSource(RECT{current.left, current.top, current.left + width, current.bottom});
}

HRESULT WindowedRendererFilter::get_SourceWidth(LONG* width) {
    if (const HRESULT hr = Ready(width); FAILED(hr)) {
        return hr;
    }
    *width = Width(CurrentSource());
    return S_OK;
}

HRESULT WindowedRendererFilter::put_SourceTop(LONG top) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentSource();
    return ChangeSource(RECT{current.left, top, current.right, top + Height(current)});
}

HRESULT WindowedRendererFilter::get_SourceTop(LONG* top) {
    if (const HRESULT hr = Ready(top); FAILED(hr)) {
        return hr;
    }
    *top = CurrentSource().top;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_SourceHeight(LONG height) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentSource();
    return ChangeSource(RECT{current.left, current.top, current.right, current.top + height});
}

HRESULT WindowedRendererFilter::get_SourceHeight(LONG* height) {
    if (const HRESULT hr = Ready(height); FAILED(hr)) {
        return hr;
    }
    *height = Height(CurrentSource());
    return S_OK;
}

HRESULT WindowedRendererFilter::put_DestinationLeft(LONG left) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentDestination();
    return ChangeDestination(RECT{left, current.top, left + Width(current), current.bottom});
}

HRESULT WindowedRendererFilter::get_DestinationLeft(LONG* left) {
    if (const HRESULT hr = Ready(left); FAILED(hr)) {
        return hr;
    }
    *left = CurrentDestination().left;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_DestinationWidth(LONG width) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentDestination();
    return ChangeDestination(RECT{current.left, current.top, current.left + width, current.bottom});
}

HRESULT WindowedRendererFilter::get_DestinationWidth(LONG* width) {
    if (const HRESULT hr = Ready(width); FAILED(hr)) {
        return hr;
    }
    *width = Width(CurrentDestination());
    return S_OK;
}

HRESULT WindowedRendererFilter::put_DestinationTop(LONG top) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentDestination();
    return ChangeDestination(RECT{current.left, top, current.right, top + Height(current)});
}

HRESULT WindowedRendererFilter::get_DestinationTop(LONG* top) {
    if (const HRESULT hr = Ready(top); FAILED(hr)) {
        return hr;
    }
    *top = CurrentDestination().top;
    return S_OK;
}

HRESULT WindowedRendererFilter::put_DestinationHeight(LONG height) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentDestination();
    return ChangeDestination(RECT{current.left, current.top, current.right, current.top + height});
}

HRESULT WindowedRendererFilter::get_DestinationHeight(LONG* height) {
    if (const HRESULT hr = Ready(height); FAILED(hr)) {
        return hr;
    }
    *height = Height(CurrentDestination());
    return S_OK;
}

HRESULT WindowedRendererFilter::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return ChangeSource(RECT{left, top, left + width, top + height});
}

HRESULT WindowedRendererFilter::GetSourcePosition(LONG* left, LONG* top, LONG* width,
                                                  LONG* height) {
    if (const HRESULT hr = Ready(left, top, width, height); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentSource();
    *left = current.left;
    *top = current.top;
    *width = Width(current);
    *height = Height(current);
    return S_OK;
}

HRESULT WindowedRendererFilter::SetDefaultSourcePosition() {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.source.reset();
    return S_OK;
}

HRESULT WindowedRendererFilter::SetDestinationPosition(LONG left, LONG top, LONG width,
                                                       LONG height) {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return ChangeDestination(RECT{left, top, left + width, top + height});
}

HRESULT WindowedRendererFilter::GetDestinationPosition(LONG* left, LONG* top, LONG* width,
                                                       LONG* height) {
    if (const HRESULT hr = Ready(left, top, width, height); FAILED(hr)) {
        return hr;
    }
    const RECT current = CurrentDestination();
    *left = current.left;
    *top = current.top;
    *width = Width(current);
    *height = Height(current);
    return S_OK;
}

HRESULT WindowedRendererFilter::SetDefaultDestinationPosition() {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    window_.destination.reset();
    return S_OK;
}

HRESULT WindowedRendererFilter::GetVideoSize(LONG* width, LONG* height) {
    if (const HRESULT hr = Ready(width, height); FAILED(hr)) {
        return hr;
    }
    const SIZE size = InputVideo().value_or(VideoFormat{}).size;
    *width = size.cx;
    *height = size.cy;
    return S_OK;
}

HRESULT WindowedRendererFilter::GetVideoPaletteEntries(LONG, LONG, LONG* retrieved, LONG*) {
    if (const HRESULT hr = Ready(retrieved); FAILED(hr)) {
        return hr;
    }
    // None of the simulated formats is palettised.
    *retrieved = 0;
    return VFW_E_NO_PALETTE_AVAILABLE;
}

HRESULT WindowedRendererFilter::GetCurrentImage(LONG* bufferSize, LONG*) {
    if (const HRESULT hr = Ready(bufferSize); FAILED(hr)) {
        return hr;
    }
    // No frames flow through the simulated graph, so there is no image to hand out.
    return E_NOTIMPL;
}

HRESULT WindowedRendererFilter::IsUsingDefaultSource() {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return window_.source ? S_FALSE : S_OK;
}

HRESULT WindowedRendererFilter::IsUsingDefaultDestination() {
    if (const HRESULT hr = Ready(); FAILED(hr)) {
        return hr;
    }
    return window_.destination ? S_FALSE : S_OK;
}

HRESULT WindowedRendererFilter::GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) {
    if (const HRESULT hr = Ready(aspectX, aspectY); FAILED(hr)) {
        return hr;
    }
    const SIZE aspect = InputVideo().value_or(VideoFormat{}).aspectRatio;
    *aspectX = aspect.cx;
    *aspectY = aspect.cy;
    return S_OK;
}

}  // namespace capspect::sim
