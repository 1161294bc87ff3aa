// The filter graph manager's application-facing interfaces: state control, the event
// queue, seeking, the video window, basic video and audio; with the event codes.
#pragma once

#include "platform/sdk/dispatch.h"
#include "platform/sdk/dshow/filters.h"
#include "platform/sdk/unknown.h"

// An automation string (the same alias platform/oleauto.h declares).
using BSTR = OLECHAR*;

// Automation-compatible filter state: State_Stopped, State_Paused or State_Running.
using OAFilterState = LONG;
// A window handle passed through automation interfaces.
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;
// Time in seconds as a floating-point number.
using REFTIME = double;

// Automation booleans.
constexpr LONG OATRUE = -1;
constexpr LONG OAFALSE = 0;

struct IMediaControl : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Run() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(LONG timeoutMs, OAFilterState* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenderFile(BSTR fileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR fileName, IDispatch** filterInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch** collection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch** collection) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopWhenReady() = 0;

protected:
    ~IMediaControl() = default;
};
CAPSPECT_INTERFACE_ID(IMediaControl, IDispatch, 0x56A868B1, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IMediaEvent : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT* event) = 0;
    // Takes the next event; E_ABORT when none arrives within the timeout.
    virtual HRESULT STDMETHODCALLTYPE GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                                               LONG timeoutMs) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForCompletion(LONG timeoutMs, LONG* eventCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelDefaultHandling(LONG eventCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(LONG eventCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreeEventParams(LONG eventCode, LONG_PTR param1,
                                                      LONG_PTR param2) = 0;

protected:
    ~IMediaEvent() = default;
};
CAPSPECT_INTERFACE_ID(IMediaEvent, IDispatch, 0x56A868B6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

// SetNotifyFlags: no notification messages are posted while set.
constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IMediaEventEx : IMediaEvent {
    // Posts `message` (wParam 0, lParam `instanceData`) to `window` whenever an event is
    // queued; a null window stops the notifications.
    virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message,
                                                      LONG_PTR instanceData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNotifyFlags(LONG noNotifyFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNotifyFlags(LONG* noNotifyFlags) = 0;

protected:
    ~IMediaEventEx() = default;
};
CAPSPECT_INTERFACE_ID(IMediaEventEx, IMediaEvent, 0x56A868C0, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00,
                      0x20, 0xAF, 0x0B, 0xA7, 0x70);

// Seeking capabilities (AM_SEEKING_SEEKING_CAPABILITIES).
enum AM_SEEKING_SEEKING_CAPABILITIES : DWORD {
    AM_SEEKING_CanSeekAbsolute = 0x001,
    AM_SEEKING_CanSeekForwards = 0x002,
    AM_SEEKING_CanSeekBackwards = 0x004,
    AM_SEEKING_CanGetCurrentPos = 0x008,
    AM_SEEKING_CanGetStopPos = 0x010,
    AM_SEEKING_CanGetDuration = 0x020,
    AM_SEEKING_CanPlayBackwards = 0x040,
    AM_SEEKING_CanDoSegments = 0x080,
    AM_SEEKING_Source = 0x100,
};

// Positioning flags of SetPositions (AM_SEEKING_SEEKING_FLAGS).
enum AM_SEEKING_SEEKING_FLAGS : DWORD {
    AM_SEEKING_NoPositioning = 0x00,
    AM_SEEKING_AbsolutePositioning = 0x01,
    AM_SEEKING_RelativePositioning = 0x02,
    AM_SEEKING_IncrementalPositioning = 0x03,
    AM_SEEKING_PositioningBitsMask = 0x03,
    AM_SEEKING_SeekToKeyFrame = 0x04,
    AM_SEEKING_ReturnTime = 0x08,
    AM_SEEKING_Segment = 0x10,
    AM_SEEKING_NoFlush = 0x20,
};

// Time formats.
inline const GUID TIME_FORMAT_NONE{};
inline const GUID TIME_FORMAT_FRAME{
    0x7B785570, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};
inline const GUID TIME_FORMAT_BYTE{
    0x7B785571, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};
inline const GUID TIME_FORMAT_SAMPLE{
    0x7B785572, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};
inline const GUID TIME_FORMAT_FIELD{
    0x7B785573, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};
inline const GUID TIME_FORMAT_MEDIA_TIME{
    0x7B785574, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};

struct IMediaSeeking : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                                        LONGLONG source,
                                                        const GUID* sourceFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags,
                                                   LONGLONG* stop, DWORD stopFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRate(double rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRate(double* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) = 0;

protected:
    ~IMediaSeeking() = default;
};
CAPSPECT_INTERFACE_ID(IMediaSeeking, IUnknown, 0x36B73880, 0xC2C8, 0x11CF, 0x8B, 0x46, 0x00, 0x80,
                      0x5F, 0x6C, 0xEF, 0x60);

// The older seeking interface, in seconds.
struct IMediaPosition : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StopTime(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_StopTime(REFTIME time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PrerollTime(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_PrerollTime(REFTIME time) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Rate(double rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Rate(double* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSeekForward(LONG* canSeek) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSeekBackward(LONG* canSeek) = 0;

protected:
    ~IMediaPosition() = default;
};
CAPSPECT_INTERFACE_ID(IMediaPosition, IDispatch, 0x56A868B2, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IVideoWindow : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE put_Caption(BSTR caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowStyle(LONG* style) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowStyleEx(LONG style) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowStyleEx(LONG* style) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoShow(LONG autoShow) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AutoShow(LONG* autoShow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowState(LONG state) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowState(LONG* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BackgroundPalette(LONG backgroundPalette) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BackgroundPalette(LONG* backgroundPalette) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Visible(LONG visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Visible(LONG* visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Left(LONG left) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Left(LONG* left) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Width(LONG width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Top(LONG top) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Top(LONG* top) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Height(LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Height(LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Owner(OAHWND* owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MessageDrain(OAHWND* drain) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BorderColor(LONG* color) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BorderColor(LONG color) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullScreenMode(LONG* fullScreenMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FullScreenMode(LONG fullScreenMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWindowForeground(LONG focus) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(OAHWND window, LONG message,
                                                         LONG_PTR wParam, LONG_PTR lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width,
                                                        LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWindowPosition(LONG* left, LONG* top, LONG* width,
                                                        LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRestorePosition(LONG* left, LONG* top, LONG* width,
                                                         LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE HideCursor(LONG hideCursor) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsCursorHidden(LONG* cursorHidden) = 0;

protected:
    ~IVideoWindow() = default;
};
CAPSPECT_INTERFACE_ID(IVideoWindow, IDispatch, 0x56A868B4, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IBasicVideo : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_AvgTimePerFrame(REFTIME* timePerFrame) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BitRate(LONG* bitRate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BitErrorRate(LONG* bitErrorRate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceLeft(LONG left) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceLeft(LONG* left) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceWidth(LONG width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceWidth(LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceTop(LONG top) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceTop(LONG* top) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceHeight(LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceHeight(LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationLeft(LONG left) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationLeft(LONG* left) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationWidth(LONG width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationWidth(LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationTop(LONG top) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationTop(LONG* top) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationHeight(LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationHeight(LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSourcePosition(LONG left, LONG top, LONG width,
                                                        LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSourcePosition(LONG* left, LONG* top, LONG* width,
                                                        LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultSourcePosition() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDestinationPosition(LONG left, LONG top, LONG width,
                                                             LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDestinationPosition(LONG* left, LONG* top, LONG* width,
                                                             LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultDestinationPosition() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoPaletteEntries(LONG startIndex, LONG entries,
                                                             LONG* retrieved, LONG* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentImage(LONG* bufferSize, LONG* dibImage) = 0;
    // S_OK when the default source (destination) rectangle is used, S_FALSE otherwise.
    virtual HRESULT STDMETHODCALLTYPE IsUsingDefaultSource() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUsingDefaultDestination() = 0;

protected:
    ~IBasicVideo() = default;
};
CAPSPECT_INTERFACE_ID(IBasicVideo, IDispatch, 0x56A868B5, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

struct IBasicVideo2 : IBasicVideo {
    virtual HRESULT STDMETHODCALLTYPE GetPreferredAspectRatio(LONG* aspectX, LONG* aspectY) = 0;

protected:
    ~IBasicVideo2() = default;
};
CAPSPECT_INTERFACE_ID(IBasicVideo2, IBasicVideo, 0x329BB360, 0xF6EA, 0x11D1, 0x90, 0x38, 0x00, 0xA0,
                      0xC9, 0x69, 0x72, 0x98);

// Volume is in hundredths of a decibel from -10000 (silence) to 0 (full volume); balance
// from -10000 (left only) to 10000 (right only).
struct IBasicAudio : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE put_Volume(LONG volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Volume(LONG* volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Balance(LONG balance) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Balance(LONG* balance) = 0;

protected:
    ~IBasicAudio() = default;
};
CAPSPECT_INTERFACE_ID(IBasicAudio, IDispatch, 0x56A868B3, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20,
                      0xAF, 0x0B, 0xA7, 0x70);

// Graph event codes.
constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;
constexpr LONG EC_TIME = 0x04;
constexpr LONG EC_REPAINT = 0x05;
constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
constexpr LONG EC_PALETTE_CHANGED = 0x09;
constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;
constexpr LONG EC_QUALITY_CHANGE = 0x0B;
constexpr LONG EC_SHUTTING_DOWN = 0x0C;
constexpr LONG EC_CLOCK_CHANGED = 0x0D;
constexpr LONG EC_PAUSED = 0x0E;
constexpr LONG EC_OPENING_FILE = 0x10;
constexpr LONG EC_BUFFERING_DATA = 0x11;
constexpr LONG EC_FULLSCREEN_LOST = 0x12;
constexpr LONG EC_ACTIVATE = 0x13;
constexpr LONG EC_NEED_RESTART = 0x14;
constexpr LONG EC_WINDOW_DESTROYED = 0x15;
constexpr LONG EC_DISPLAY_CHANGED = 0x16;
constexpr LONG EC_STARVATION = 0x17;
constexpr LONG EC_OLE_EVENT = 0x18;
constexpr LONG EC_NOTIFY_WINDOW = 0x19;
constexpr LONG EC_STREAM_CONTROL_STOPPED = 0x1A;
constexpr LONG EC_STREAM_CONTROL_STARTED = 0x1B;
constexpr LONG EC_END_OF_SEGMENT = 0x1C;
constexpr LONG EC_SEGMENT_STARTED = 0x1D;
constexpr LONG EC_LENGTH_CHANGED = 0x1E;
constexpr LONG EC_DEVICE_LOST = 0x1F;
constexpr LONG EC_STEP_COMPLETE = 0x24;
constexpr LONG EC_TIMECODE_AVAILABLE = 0x30;
constexpr LONG EC_EXTDEVICE_MODE_CHANGE = 0x31;
constexpr LONG EC_STATE_CHANGE = 0x32;
constexpr LONG EC_GRAPH_CHANGED = 0x50;
constexpr LONG EC_CLOCK_UNSET = 0x51;
constexpr LONG EC_VMR_RENDERDEVICE_SET = 0x53;
constexpr LONG EC_VMR_SURFACE_FLIPPED = 0x54;
constexpr LONG EC_VMR_RECONNECTION_FAILED = 0x55;
constexpr LONG EC_PREPROCESS_COMPLETE = 0x56;
constexpr LONG EC_CODECAPI_EVENT = 0x57;
constexpr LONG EC_DVDBASE = 0x0100;
constexpr LONG EC_DVD_DISC_EJECTED = EC_DVDBASE + 0x18;
constexpr LONG EC_DVD_DISC_INSERTED = EC_DVDBASE + 0x19;
constexpr LONG EC_USER = 0x8000;
