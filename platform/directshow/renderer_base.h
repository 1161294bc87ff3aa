// The common ground of the simulated video renderers: the video formats they take, their
// input pins, end-of-stream handling, and the video window and basic video interfaces of
// the renderers that show video in a window of their own.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directshow/filter.h"
#include "platform/directshow/interfaces.h"
#include "platform/support/faults.h"
#include "platform/sdk/dshow/control.h"

namespace capspect::sim {

// What a video media type says about the picture.
struct VideoFormat {
    SIZE size;                         // pixels; the height is positive
    SIZE aspectRatio;                  // picture aspect ratio, reduced (4:3, 16:9, ...)
    REFERENCE_TIME frameDuration = 0;  // 100 ns units; 0 when unknown
    DWORD bitRate = 0;
    DWORD bitErrorRate = 0;
    friend bool operator==(const VideoFormat&, const VideoFormat&) = default;
};

// The picture of a type with a VIDEOINFOHEADER, VIDEOINFOHEADER2 or MPEG video format
// block; nothing for other types or blocks too short for their header.
std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& mediaType);

// The uncompressed subtypes every simulated renderer shows.
const std::vector<GUID>& UncompressedVideoSubtypes();

// An input pin of a video renderer: it takes MEDIATYPE_Video of one of `subtypes` with a
// VIDEOINFOHEADER or VIDEOINFOHEADER2 format block.
class VideoInputPin : public Pin {
public:
    VideoInputPin(Filter& filter, std::u16string name, std::vector<GUID> subtypes);

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) const override;

private:
    std::vector<GUID> subtypes_;
};

// The base of the simulated video renderers. It reports EC_COMPLETE once every connected
// input has received end-of-stream, and knows the picture of its first connected input.
class VideoRendererFilter : public Filter {
public:
    explicit VideoRendererFilter(const CLSID& clsid);

    HRESULT Stop() override;
    HRESULT Pause() override;

    // The picture of the first connected input, if any.
    virtual std::optional<VideoFormat> InputVideo() const;
    bool HasConnectedInput() const;

protected:
    VideoInputPin& AddVideoInput(std::u16string name, std::vector<GUID> subtypes);
    // Fails when a fault is armed for the query of `interfaceName`, so tests reach the
    // paths where a renderer does not offer an interface.
    static bool QueryRefused(std::string_view interfaceName);

private:
    void OnEndOfStream(Pin& input) override;

    std::set<const Pin*> endedInputs_;
    bool completed_ = false;
};

// What the video window and basic video interfaces were told.
struct VideoWindowRecord {
    OAHWND owner = 0;
    OAHWND messageDrain = 0;
    std::u16string caption = u"ActiveMovie Window";
    // WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, the platform's default.
    LONG style = 0x06CF0000;
    LONG styleEx = 0;
    LONG autoShow = OATRUE;
    LONG windowState = 0;
    LONG visible = OAFALSE;
    LONG backgroundPalette = OAFALSE;
    LONG borderColor = 0;
    LONG fullScreen = OAFALSE;
    LONG cursorHidden = OAFALSE;
    // The window's placement: left, top, width and height. Until it is placed the window
    // has the video's size.
    std::optional<RECT> placement;
    // The part of the video shown and where in the window; unset means the whole video
    // and the whole window.
    std::optional<RECT> source;
    std::optional<RECT> destination;
    int foregroundRequests = 0;
};

// A renderer with a window of its own: IVideoWindow and IBasicVideo2 keep what they are
// told in a VideoWindowRecord. As on the platform, both answer VFW_E_NOT_CONNECTED while
// no input is connected. When the window is not in use (HasWindow false) neither
// interface is offered.
class WindowedRendererFilter
    : public WithInterfaces<VideoRendererFilter, IVideoWindow, IBasicVideo2> {
public:
    explicit WindowedRendererFilter(const CLSID& clsid);

    const VideoWindowRecord& Window() const { return window_; }

    // IDispatch (no type information)
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IVideoWindow
    HRESULT put_Caption(BSTR caption) override;
    HRESULT get_Caption(BSTR* caption) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT get_WindowStyle(LONG* style) override;
    HRESULT put_WindowStyleEx(LONG style) override;
    HRESULT get_WindowStyleEx(LONG* style) override;
    HRESULT put_AutoShow(LONG autoShow) override;
    HRESULT get_AutoShow(LONG* autoShow) override;
    HRESULT put_WindowState(LONG state) override;
    HRESULT get_WindowState(LONG* state) override;
    HRESULT put_BackgroundPalette(LONG backgroundPalette) override;
    HRESULT get_BackgroundPalette(LONG* backgroundPalette) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;
    HRESULT put_Left(LONG left) override;
    HRESULT get_Left(LONG* left) override;
    HRESULT put_Width(LONG width) override;
    HRESULT get_Width(LONG* width) override;
    HRESULT put_Top(LONG top) override;
    HRESULT get_Top(LONG* top) override;
    HRESULT put_Height(LONG height) override;
    HRESULT get_Height(LONG* height) override;
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT get_BorderColor(LONG* color) override;
    HRESULT put_BorderColor(LONG color) override;
    HRESULT get_FullScreenMode(LONG* fullScreenMode) override;
    HRESULT put_FullScreenMode(LONG fullScreenMode) override;
    HRESULT SetWindowForeground(LONG focus) override;
    HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                               LONG_PTR lParam) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT HideCursor(LONG hideCursor) override;
    HRESULT IsCursorHidden(LONG* cursorHidden) override;

    // IBasicVideo, IBasicVideo2
    HRESULT get_AvgTimePerFrame(REFTIME* timePerFrame) override;
    HRESULT get_BitRate(LONG* bitRate) override;
    HRESULT get_BitErrorRate(LONG* bitErrorRate) override;
    HRESULT get_VideoWidth(LONG* width) override;
    HRESULT get_VideoHeight(LONG* height) override;
    HRESULT put_SourceLeft(LONG left) override;
    HRESULT get_SourceLeft(LONG* left) override;
    HRESULT put_SourceWidth(LONG width) override;
    HRESULT get_SourceWidth(LONG* width) override;
    HRESULT put_SourceTop(LONG top) override;
    HRESULT get_SourceTop(LONG* top) override;
    HRESULT put_SourceHeight(LONG height) override;
    HRESULT get_SourceHeight(LONG* height) override;
    HRESULT put_DestinationLeft(LONG left) override;
    HRESULT get_DestinationLeft(LONG* left) override;
    HRESULT put_DestinationWidth(LONG width) override;
    HRESULT get_DestinationWidth(LONG* width) override;
    HRESULT put_DestinationTop(LONG top) override;
    HRESULT get_DestinationTop(LONG* top) override;
    HRESULT put_DestinationHeight(LONG height) override;
    HRESULT get_DestinationHeight(LONG* height) override;
    HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultSourcePosition() override;
    HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultDestinationPosition() override;
    HRESULT GetVideoSize(LONG* width, LONG* height) override;
    HRESULT GetVideoPaletteEntries(LONG startIndex, LONG entries, LONG* retrieved,
                                   LONG* palette) override;
    HRESULT GetCurrentImage(LONG* bufferSize, LONG* dibImage) override;
    HRESULT IsUsingDefaultSource() override;
    HRESULT IsUsingDefaultDestination() override;
    HRESULT GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) override;

protected:
    // Whether the renderer shows video in its own window (a VMR does only in windowed mode).
    virtual bool HasWindow() const { return true; }
    HRESULT QueryOtherInterface(REFIID riid, void** object) override;

private:
    // Answers VFW_E_NOT_CONNECTED while no input is connected, and E_POINTER for any null
    // out-parameter; S_OK when the call may go on.
    template <typename... Out>
    HRESULT Ready(Out*... out) const;
    RECT CurrentPlacement() const;
    HRESULT Place(const RECT& placement);
    RECT CurrentSource() const;
    RECT CurrentDestination() const;
    HRESULT ChangeSource(const RECT& source);
    HRESULT ChangeDestination(const RECT& destination);

    VideoWindowRecord window_;
};

}  // namespace capspect::sim
