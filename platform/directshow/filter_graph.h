// The simulated filter graph manager (CLSID_FilterGraph): it holds the filters of a graph
// and connects them, intelligently where asked; it runs, pauses and stops them together,
// queues their events for the application, seeks them, forwards the video window, basic
// video and basic audio calls to the renderer that offers them, and saves and loads the
// whole graph.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/directshow/event_queue.h"
#include "platform/support/faults.h"
#include "platform/sdk/dshow/capture.h"
#include "platform/sdk/dshow/control.h"
#include "platform/sdk/dshow/filters.h"
#include "platform/sdk/dshow/persist.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"

namespace capspect::sim {

// The name AddFilter gives a filter: the requested name when it is free, else the name
// followed by " 0001", " 0002", … (a number alone when no name was requested), within
// MAX_FILTER_NAME - 1 characters. Nothing when every number is taken.
std::optional<std::u16string> UniqueFilterName(
    std::u16string_view requested, const std::function<bool(std::u16string_view)>& taken);

class FilterGraph
    : public ComObject<IFilterGraph2, IMediaControl, IMediaEventEx, IMediaEventSink, IMediaSeeking,
                       IVideoWindow, IBasicVideo2, IBasicAudio, IObjectWithSite, IPersistStream> {
public:
    FilterGraph();
    ~FilterGraph() override;

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** enumerator) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* outputPin, IPin* inputPin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;
    // IGraphBuilder
    HRESULT Connect(IPin* outputPin, IPin* inputPin) override;
    HRESULT Render(IPin* outputPin) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) override;
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;
    // IFilterGraph2
    HRESULT AddSourceFilterForMoniker(IMoniker* moniker, IBindCtx* context, LPCWSTR filterName,
                                      IBaseFilter** filter) override;
    HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT RenderEx(IPin* outputPin, DWORD flags, DWORD* context) override;

    // IDispatch (no type information)
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override;
    HRESULT RenderFile(BSTR fileName) override;
    HRESULT AddSourceFilter(BSTR fileName, IDispatch** filterInfo) override;
    HRESULT get_FilterCollection(IDispatch** collection) override;
    HRESULT get_RegFilterCollection(IDispatch** collection) override;
    HRESULT StopWhenReady() override;

    // IMediaEvent, IMediaEventEx
    HRESULT GetEventHandle(OAEVENT* event) override;
    HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) override;
    HRESULT WaitForCompletion(LONG timeoutMs, LONG* eventCode) override;
    HRESULT CancelDefaultHandling(LONG eventCode) override;
    HRESULT RestoreDefaultHandling(LONG eventCode) override;
    HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
    HRESULT SetNotifyFlags(LONG noNotifyFlags) override;
    HRESULT GetNotifyFlags(LONG* noNotifyFlags) override;
    // IMediaEventSink
    HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

    // IMediaSeeking
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT CheckCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(LONGLONG* preroll) override;

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

    // IBasicAudio
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;
    HRESULT put_Balance(LONG balance) override;
    HRESULT get_Balance(LONG* balance) override;

    // IObjectWithSite
    HRESULT SetSite(IUnknown* site) override;
    HRESULT GetSite(REFIID riid, void** site) override;

    // IPersist, IPersistStream
    HRESULT GetClassID(CLSID* classId) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override;

    // The graph's filters, most recently added first (the platform's enumeration order).
    std::vector<ComPtr<IBaseFilter>> Filters() const;
    bool Contains(IBaseFilter* filter) const;
    FILTER_STATE State() const { return state_; }

private:
    struct Member {
        ComPtr<IBaseFilter> filter;
        std::u16string name;
    };
    class Building;
    friend class Building;

    bool NameTaken(std::u16string_view name) const;
    bool PinInGraph(IPin* pin) const;
    ComPtr<IAMGraphBuilderCallback> BuilderCallback() const;
    HRESULT RenderPin(IPin* outputPin, bool useRegistered, const char* faultName);
    HRESULT RemoveAll();
    template <typename Reader>
    HRESULT LoadContents(Reader& reader, DWORD version);

    // State control, filters downstream first so that renderers are ready before sources.
    std::vector<ComPtr<IBaseFilter>> DownstreamFirst() const;
    HRESULT TransitionFilters(FILTER_STATE target);
    HRESULT PauseGraph();
    size_t StreamsToComplete() const;
    void ResetCompletion();

    // Seeking over the filters that offer IMediaSeeking.
    std::vector<ComPtr<IMediaSeeking>> SeekableFilters() const;
    std::optional<LONGLONG> KnownDuration() const;

    // The first filter that offers `Interface` (a renderer's window or audio control).
    template <typename Interface>
    ComPtr<Interface> RendererInterface() const;
    template <typename Interface, typename Method, typename... Args>
    HRESULT Forward(const char* faultName, HRESULT missing, Method method, Args... args);

    std::vector<Member> members_;
    unsigned membersVersion_ = 0;
    FILTER_STATE state_ = State_Stopped;
    bool aborted_ = false;
    bool dirty_ = false;
    ComPtr<IUnknown> site_;

    EventQueue events_;
    bool completeHandledByDefault_ = true;
    bool repaintHandledByDefault_ = true;
    std::set<LONG_PTR> completedRenderers_;
    HRESULT completionStatus_ = S_OK;

    LONGLONG currentPosition_ = 0;
    std::optional<LONGLONG> stopPosition_;
    double rate_ = 1.0;
};

// True when one of the filter's input pins is connected.
bool HasConnectedInput(IBaseFilter* filter);

}  // namespace capspect::sim
