// The video window, basic video and basic audio interfaces of the graph manager: each
// call goes to the first filter in the graph that offers the interface and has a
// connected input (the video or audio renderer). Without one, the window and video calls
// answer E_NOINTERFACE and the audio calls E_NOTIMPL, as the platform's graph manager does.
#include "platform/directshow/filter_graph.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

template <typename Interface>
ComPtr<Interface> FilterGraph::RendererInterface() const {
    for (const ComPtr<IBaseFilter>& filter : Filters()) {
        ComPtr<Interface> found;
        if (SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(found.GetAddressOf()))) &&
            HasConnectedInput(filter.Get())) {
            return found;
        }
    }
    return nullptr;
}

template <typename Interface, typename Method, typename... Args>
HRESULT FilterGraph::Forward(const char* faultName, HRESULT missing, Method method, Args... args) {
    if (const auto fault = InjectedFault(faultName)) {
        return *fault;
    }
    const ComPtr<Interface> target = RendererInterface<Interface>();
    if (!target) {
        return missing;
    }
    return (target.Get()->*method)(args...);
}

HRESULT FilterGraph::put_Caption(BSTR caption) {
    return Forward<IVideoWindow>("IVideoWindow::put_Caption", E_NOINTERFACE,
                                 &IVideoWindow::put_Caption, caption);
}

HRESULT FilterGraph::get_Caption(BSTR* caption) {
    return Forward<IVideoWindow>("IVideoWindow::get_Caption", E_NOINTERFACE,
                                 &IVideoWindow::get_Caption, caption);
}

HRESULT FilterGraph::put_WindowStyle(LONG style) {
    return Forward<IVideoWindow>("IVideoWindow::put_WindowStyle", E_NOINTERFACE,
                                 &IVideoWindow::put_WindowStyle, style);
}

HRESULT FilterGraph::get_WindowStyle(LONG* style) {
    return Forward<IVideoWindow>("IVideoWindow::get_WindowStyle", E_NOINTERFACE,
                                 &IVideoWindow::get_WindowStyle, style);
}

HRESULT FilterGraph::put_WindowStyleEx(LONG style) {
    return Forward<IVideoWindow>("IVideoWindow::put_WindowStyleEx", E_NOINTERFACE,
                                 &IVideoWindow::put_WindowStyleEx, style);
}

HRESULT FilterGraph::get_WindowStyleEx(LONG* style) {
    return Forward<IVideoWindow>("IVideoWindow::get_WindowStyleEx", E_NOINTERFACE,
                                 &IVideoWindow::get_WindowStyleEx, style);
}

HRESULT FilterGraph::put_AutoShow(LONG autoShow) {
    return Forward<IVideoWindow>("IVideoWindow::put_AutoShow", E_NOINTERFACE,
                                 &IVideoWindow::put_AutoShow, autoShow);
}

HRESULT FilterGraph::get_AutoShow(LONG* autoShow) {
    return Forward<IVideoWindow>("IVideoWindow::get_AutoShow", E_NOINTERFACE,
                                 &IVideoWindow::get_AutoShow, autoShow);
}

HRESULT FilterGraph::put_WindowState(LONG state) {
    return Forward<IVideoWindow>("IVideoWindow::put_WindowState", E_NOINTERFACE,
                                 &IVideoWindow::put_WindowState, state);
}

HRESULT FilterGraph::get_WindowState(LONG* state) {
    return Forward<IVideoWindow>("IVideoWindow::get_WindowState", E_NOINTERFACE,
                                 &IVideoWindow::get_WindowState, state);
}

HRESULT FilterGraph::put_BackgroundPalette(LONG backgroundPalette) {
    return Forward<IVideoWindow>("IVideoWindow::put_BackgroundPalette", E_NOINTERFACE,
                                 &IVideoWindow::put_BackgroundPalette, backgroundPalette);
}

HRESULT FilterGraph::get_BackgroundPalette(LONG* backgroundPalette) {
    return Forward<IVideoWindow>("IVideoWindow::get_BackgroundPalette", E_NOINTERFACE,
                                 &IVideoWindow::get_BackgroundPalette, backgroundPalette);
}

HRESULT FilterGraph::put_Visible(LONG visible) {
    return Forward<IVideoWindow>("IVideoWindow::put_Visible", E_NOINTERFACE,
                                 &IVideoWindow::put_Visible, visible);
}

HRESULT FilterGraph::get_Visible(LONG* visible) {
    return Forward<IVideoWindow>("IVideoWindow::get_Visible", E_NOINTERFACE,
                                 &IVideoWindow::get_Visible, visible);
}

HRESULT FilterGraph::put_Left(LONG left) {
    return Forward<IVideoWindow>("IVideoWindow::put_Left", E_NOINTERFACE, &IVideoWindow::put_Left,
                                 left);
}

HRESULT FilterGraph::get_Left(LONG* left) {
    return Forward<IVideoWindow>("IVideoWindow::get_Left", E_NOINTERFACE, &IVideoWindow::get_Left,
                                 left);
}

HRESULT FilterGraph::put_Width(LONG width) {
    return Forward<IVideoWindow>("IVideoWindow::put_Width", E_NOINTERFACE, &IVideoWindow::put_Width,
                                 width);
}

HRESULT FilterGraph::get_Width(LONG* width) {
    return Forward<IVideoWindow>("IVideoWindow::get_Width", E_NOINTERFACE, &IVideoWindow::get_Width,
                                 width);
}

HRESULT FilterGraph::put_Top(LONG top) {
    return Forward<IVideoWindow>("IVideoWindow::put_Top", E_NOINTERFACE, &IVideoWindow::put_Top,
                                 top);
}

HRESULT FilterGraph::get_Top(LONG* top) {
    return Forward<IVideoWindow>("IVideoWindow::get_Top", E_NOINTERFACE, &IVideoWindow::get_Top,
                                 top);
}

HRESULT FilterGraph::put_Height(LONG height) {
    return Forward<IVideoWindow>("IVideoWindow::put_Height", E_NOINTERFACE,
                                 &IVideoWindow::put_Height, height);
}

HRESULT FilterGraph::get_Height(LONG* height) {
    return Forward<IVideoWindow>("IVideoWindow::get_Height", E_NOINTERFACE,
                                 &IVideoWindow::get_Height, height);
}

HRESULT FilterGraph::put_Owner(OAHWND owner) {
    return Forward<IVideoWindow>("IVideoWindow::put_Owner", E_NOINTERFACE, &IVideoWindow::put_Owner,
                                 owner);
}

HRESULT FilterGraph::get_Owner(OAHWND* owner) {
    return Forward<IVideoWindow>("IVideoWindow::get_Owner", E_NOINTERFACE, &IVideoWindow::get_Owner,
                                 owner);
}

HRESULT FilterGraph::put_MessageDrain(OAHWND drain) {
    return Forward<IVideoWindow>("IVideoWindow::put_MessageDrain", E_NOINTERFACE,
                                 &IVideoWindow::put_MessageDrain, drain);
}

HRESULT FilterGraph::get_MessageDrain(OAHWND* drain) {
    return Forward<IVideoWindow>("IVideoWindow::get_MessageDrain", E_NOINTERFACE,
                                 &IVideoWindow::get_MessageDrain, drain);
}

HRESULT FilterGraph::get_BorderColor(LONG* color) {
    return Forward<IVideoWindow>("IVideoWindow::get_BorderColor", E_NOINTERFACE,
                                 &IVideoWindow::get_BorderColor, color);
}

HRESULT FilterGraph::put_BorderColor(LONG color) {
    return Forward<IVideoWindow>("IVideoWindow::put_BorderColor", E_NOINTERFACE,
                                 &IVideoWindow::put_BorderColor, color);
}

HRESULT FilterGraph::get_FullScreenMode(LONG* fullScreenMode) {
    return Forward<IVideoWindow>("IVideoWindow::get_FullScreenMode", E_NOINTERFACE,
                                 &IVideoWindow::get_FullScreenMode, fullScreenMode);
}

HRESULT FilterGraph::put_FullScreenMode(LONG fullScreenMode) {
    return Forward<IVideoWindow>("IVideoWindow::put_FullScreenMode", E_NOINTERFACE,
                                 &IVideoWindow::put_FullScreenMode, fullScreenMode);
}

HRESULT FilterGraph::SetWindowForeground(LONG focus) {
    return Forward<IVideoWindow>("IVideoWindow::SetWindowForeground", E_NOINTERFACE,
                                 &IVideoWindow::SetWindowForeground, focus);
}

HRESULT FilterGraph::NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                                        LONG_PTR lParam) {
    return Forward<IVideoWindow>("IVideoWindow::NotifyOwnerMessage", E_NOINTERFACE,
                                 &IVideoWindow::NotifyOwnerMessage, window, message, wParam,
                                 lParam);
}

HRESULT FilterGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    return Forward<IVideoWindow>("IVideoWindow::SetWindowPosition", E_NOINTERFACE,
                                 &IVideoWindow::SetWindowPosition, left, top, width, height);
}

HRESULT FilterGraph::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    return Forward<IVideoWindow>("IVideoWindow::GetWindowPosition", E_NOINTERFACE,
                                 &IVideoWindow::GetWindowPosition, left, top, width, height);
}

HRESULT FilterGraph::GetMinIdealImageSize(LONG* width, LONG* height) {
    return Forward<IVideoWindow>("IVideoWindow::GetMinIdealImageSize", E_NOINTERFACE,
                                 &IVideoWindow::GetMinIdealImageSize, width, height);
}

HRESULT FilterGraph::GetMaxIdealImageSize(LONG* width, LONG* height) {
    return Forward<IVideoWindow>("IVideoWindow::GetMaxIdealImageSize", E_NOINTERFACE,
                                 &IVideoWindow::GetMaxIdealImageSize, width, height);
}

HRESULT FilterGraph::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    return Forward<IVideoWindow>("IVideoWindow::GetRestorePosition", E_NOINTERFACE,
                                 &IVideoWindow::GetRestorePosition, left, top, width, height);
}

HRESULT FilterGraph::HideCursor(LONG hideCursor) {
    return Forward<IVideoWindow>("IVideoWindow::HideCursor", E_NOINTERFACE,
                                 &IVideoWindow::HideCursor, hideCursor);
}

HRESULT FilterGraph::IsCursorHidden(LONG* cursorHidden) {
    return Forward<IVideoWindow>("IVideoWindow::IsCursorHidden", E_NOINTERFACE,
                                 &IVideoWindow::IsCursorHidden, cursorHidden);
}

HRESULT FilterGraph::get_AvgTimePerFrame(REFTIME* timePerFrame) {
    return Forward<IBasicVideo>("IBasicVideo::get_AvgTimePerFrame", E_NOINTERFACE,
                                &IBasicVideo::get_AvgTimePerFrame, timePerFrame);
}

HRESULT FilterGraph::get_BitRate(LONG* bitRate) {
    return Forward<IBasicVideo>("IBasicVideo::get_BitRate", E_NOINTERFACE,
                                &IBasicVideo::get_BitRate, bitRate);
}

HRESULT FilterGraph::get_BitErrorRate(LONG* bitErrorRate) {
    return Forward<IBasicVideo>("IBasicVideo::get_BitErrorRate", E_NOINTERFACE,
                                &IBasicVideo::get_BitErrorRate, bitErrorRate);
}

HRESULT FilterGraph::get_VideoWidth(LONG* width) {
    return Forward<IBasicVideo>("IBasicVideo::get_VideoWidth", E_NOINTERFACE,
                                &IBasicVideo::get_VideoWidth, width);
}

HRESULT FilterGraph::get_VideoHeight(LONG* height) {
    return Forward<IBasicVideo>("IBasicVideo::get_VideoHeight", E_NOINTERFACE,
                                &IBasicVideo::get_VideoHeight, height);
}

HRESULT FilterGraph::put_SourceLeft(LONG left) {
    return Forward<IBasicVideo>("IBasicVideo::put_SourceLeft", E_NOINTERFACE,
                                &IBasicVideo::put_SourceLeft, left);
}

HRESULT FilterGraph::get_SourceLeft(LONG* left) {
    return Forward<IBasicVideo>("IBasicVideo::get_SourceLeft", E_NOINTERFACE,
                                &IBasicVideo::get_SourceLeft, left);
}

HRESULT FilterGraph::put_SourceWidth(LONG width) {
    return Forward<IBasicVideo>("IBasicVideo::put_SourceWidth", E_NOINTERFACE,
                                &IBasicVideo::put_SourceWidth, width);
}

HRESULT FilterGraph::get_SourceWidth(LONG* width) {
    return Forward<IBasicVideo>("IBasicVideo::get_SourceWidth", E_NOINTERFACE,
                                &IBasicVideo::get_SourceWidth, width);
}

HRESULT FilterGraph::put_SourceTop(LONG top) {
    return Forward<IBasicVideo>("IBasicVideo::put_SourceTop", E_NOINTERFACE,
                                &IBasicVideo::put_SourceTop, top);
}

HRESULT FilterGraph::get_SourceTop(LONG* top) {
    return Forward<IBasicVideo>("IBasicVideo::get_SourceTop", E_NOINTERFACE,
                                &IBasicVideo::get_SourceTop, top);
}

HRESULT FilterGraph::put_SourceHeight(LONG height) {
    return Forward<IBasicVideo>("IBasicVideo::put_SourceHeight", E_NOINTERFACE,
                                &IBasicVideo::put_SourceHeight, height);
}

HRESULT FilterGraph::get_SourceHeight(LONG* height) {
    return Forward<IBasicVideo>("IBasicVideo::get_SourceHeight", E_NOINTERFACE,
                                &IBasicVideo::get_SourceHeight, height);
}

HRESULT FilterGraph::put_DestinationLeft(LONG left) {
    return Forward<IBasicVideo>("IBasicVideo::put_DestinationLeft", E_NOINTERFACE,
                                &IBasicVideo::put_DestinationLeft, left);
}

HRESULT FilterGraph::get_DestinationLeft(LONG* left) {
    return Forward<IBasicVideo>("IBasicVideo::get_DestinationLeft", E_NOINTERFACE,
                                &IBasicVideo::get_DestinationLeft, left);
}

HRESULT FilterGraph::put_DestinationWidth(LONG width) {
    return Forward<IBasicVideo>("IBasicVideo::put_DestinationWidth", E_NOINTERFACE,
                                &IBasicVideo::put_DestinationWidth, width);
}

HRESULT FilterGraph::get_DestinationWidth(LONG* width) {
    return Forward<IBasicVideo>("IBasicVideo::get_DestinationWidth", E_NOINTERFACE,
                                &IBasicVideo::get_DestinationWidth, width);
}

HRESULT FilterGraph::put_DestinationTop(LONG top) {
    return Forward<IBasicVideo>("IBasicVideo::put_DestinationTop", E_NOINTERFACE,
                                &IBasicVideo::put_DestinationTop, top);
}

HRESULT FilterGraph::get_DestinationTop(LONG* top) {
    return Forward<IBasicVideo>("IBasicVideo::get_DestinationTop", E_NOINTERFACE,
                                &IBasicVideo::get_DestinationTop, top);
}

HRESULT FilterGraph::put_DestinationHeight(LONG height) {
    return Forward<IBasicVideo>("IBasicVideo::put_DestinationHeight", E_NOINTERFACE,
                                &IBasicVideo::put_DestinationHeight, height);
}

HRESULT FilterGraph::get_DestinationHeight(LONG* height) {
    return Forward<IBasicVideo>("IBasicVideo::get_DestinationHeight", E_NOINTERFACE,
                                &IBasicVideo::get_DestinationHeight, height);
}

HRESULT FilterGraph::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
    return Forward<IBasicVideo>("IBasicVideo::SetSourcePosition", E_NOINTERFACE,
                                &IBasicVideo::SetSourcePosition, left, top, width, height);
}

HRESULT FilterGraph::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    return Forward<IBasicVideo>("IBasicVideo::GetSourcePosition", E_NOINTERFACE,
                                &IBasicVideo::GetSourcePosition, left, top, width, height);
}

HRESULT FilterGraph::SetDefaultSourcePosition() {
    return Forward<IBasicVideo>("IBasicVideo::SetDefaultSourcePosition", E_NOINTERFACE,
                                &IBasicVideo::SetDefaultSourcePosition);
}

HRESULT FilterGraph::SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) {
    return Forward<IBasicVideo>("IBasicVideo::SetDestinationPosition", E_NOINTERFACE,
                                &IBasicVideo::SetDestinationPosition, left, top, width, height);
}

HRESULT FilterGraph::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    return Forward<IBasicVideo>("IBasicVideo::GetDestinationPosition", E_NOINTERFACE,
                                &IBasicVideo::GetDestinationPosition, left, top, width, height);
}

HRESULT FilterGraph::SetDefaultDestinationPosition() {
    return Forward<IBasicVideo>("IBasicVideo::SetDefaultDestinationPosition", E_NOINTERFACE,
                                &IBasicVideo::SetDefaultDestinationPosition);
}

HRESULT FilterGraph::GetVideoSize(LONG* width, LONG* height) {
    return Forward<IBasicVideo>("IBasicVideo::GetVideoSize", E_NOINTERFACE,
                                &IBasicVideo::GetVideoSize, width, height);
}

HRESULT FilterGraph::GetVideoPaletteEntries(LONG startIndex, LONG entries, LONG* retrieved,
                                            LONG* palette) {
    return Forward<IBasicVideo>("IBasicVideo::GetVideoPaletteEntries", E_NOINTERFACE,
                                &IBasicVideo::GetVideoPaletteEntries, startIndex, entries,
                                retrieved, palette);
}

HRESULT FilterGraph::GetCurrentImage(LONG* bufferSize, LONG* dibImage) {
    return Forward<IBasicVideo>("IBasicVideo::GetCurrentImage", E_NOINTERFACE,
                                &IBasicVideo::GetCurrentImage, bufferSize, dibImage);
}

HRESULT FilterGraph::IsUsingDefaultSource() {
    return Forward<IBasicVideo>("IBasicVideo::IsUsingDefaultSource", E_NOINTERFACE,
                                &IBasicVideo::IsUsingDefaultSource);
}

HRESULT FilterGraph::IsUsingDefaultDestination() {
    return Forward<IBasicVideo>("IBasicVideo::IsUsingDefaultDestination", E_NOINTERFACE,
                                &IBasicVideo::IsUsingDefaultDestination);
}

HRESULT FilterGraph::GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) {
    return Forward<IBasicVideo2>("IBasicVideo2::GetPreferredAspectRatio", E_NOINTERFACE,
                                 &IBasicVideo2::GetPreferredAspectRatio, aspectX, aspectY);
}

HRESULT FilterGraph::put_Volume(LONG volume) {
    return Forward<IBasicAudio>("IBasicAudio::put_Volume", E_NOTIMPL, &IBasicAudio::put_Volume,
                                volume);
}

HRESULT FilterGraph::get_Volume(LONG* volume) {
    return Forward<IBasicAudio>("IBasicAudio::get_Volume", E_NOTIMPL, &IBasicAudio::get_Volume,
                                volume);
}

HRESULT FilterGraph::put_Balance(LONG balance) {
    return Forward<IBasicAudio>("IBasicAudio::put_Balance", E_NOTIMPL, &IBasicAudio::put_Balance,
                                balance);
}

HRESULT FilterGraph::get_Balance(LONG* balance) {
    return Forward<IBasicAudio>("IBasicAudio::get_Balance", E_NOTIMPL, &IBasicAudio::get_Balance,
                                balance);
}

}  // namespace capspect::sim
