// TDXShow: the base graph component. It owns a filter graph manager and its control
// interfaces, records the play state, drives a position timer, attaches the graph's video
// window to a window control and turns graph events and platform failures into component
// events. The video and capture components derive from it.
//
// Everything runs on the thread that created the component, which must pump its messages:
// graph events arrive as posted messages and are handled one loop turn later.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <dshow.h>

#include "dshow/DShowUtil.h"
#include "framework/Components.h"
#include "framework/Controls.h"
#include "framework/DateTime.h"
#include "framework/Events.h"
#include "framework/HiddenWindow.h"
#include "framework/Timers.h"
#include "platform/support/comptr.h"
#include "util/VQLists.h"

namespace capspect {

enum TGraphState {
    gsInit = 0,
    gsStopped = 1,
    gsPaused = 2,
    gsRunning = 3,
    gsError = 4,
};

enum TDSVideoRenderer {
    vrOverlay = 0,
    vrVMR7 = 1,
    vrVMR9 = 2,
    vrVMR9Windowless = 3,
    vrVMR9Renderless = 4,
    vrEVR = 5,
};

// Error and information reports: the code and the final text. No sender.
using TDXErrorEvent = std::function<void(HRESULT hr, const std::u16string& ErrorMsg)>;
using TDXShowTimeCodeEvent = std::function<void(TComponent& Sender, TDateTime TimeCode)>;
using TDXShowFilterCreatedEvent =
    std::function<void(TComponent& Sender, IBaseFilter* AFilter, bool& Reject)>;
using TDXShowFilterSelectedEvent =
    std::function<void(TComponent& Sender, IMoniker* AMoniker, bool& Reject)>;

// The QuickTime source filter, which RenderFile uses when UseQTSourceFilter is set.
inline constexpr CLSID CLSID_QTSourceFilter{
    0x7CE55CCC, 0x403E, 0x4A29, {0x82, 0x81, 0xBF, 0x85, 0x42, 0xA0, 0xC3, 0x7D}};

// The message the graph manager posts when events are queued.
inline constexpr UINT WM_GRAPHNOTIFY = WM_USER + 1;

// Date-time days and the platform's 100 ns media time. Out-of-range days (and NaN, as 0)
// are clamped to the 64-bit range instead of overflowing.
LONGLONG TimeToMediaTime(TDateTime Value);
TDateTime MediaTimeToTime(LONGLONG Value);

// Handlers that are in place while the component is being built, so that the reports of
// construction (a refused site, a graph without seeking) reach the application too.
struct TDXShowReports {
    TDXErrorEvent OnError;
    TDXErrorEvent OnInfoMsg;
};

class TGraphBuilderCallback;

class TDXShow : public TComponent {
public:
    // Builds the graph manager and takes its interfaces; raises EDShowError when one that
    // the component cannot work without is missing.
    explicit TDXShow(TDXShowReports reports = {});
    ~TDXShow() override;

    // The list of the filters of the last graph built, shared by every graph component.
    static TThreadStringList& RecentFilters();

    // Control operations: the platform's result, never raised or reported.
    virtual HRESULT Run();
    virtual HRESULT Stop();
    virtual HRESULT StopWhenReady();
    // Stops, seeks to StartPosition and stops the position timer; the recorded state
    // stays as it was.
    virtual void StopAndRewind();
    virtual HRESULT Pause();
    // Stops and empties the graph; the graph manager and its interfaces stay.
    virtual void TearDownGraph();
    virtual TDateTime Duration();
    // Asks the platform; gsInit without a graph, gsError when the query fails.
    virtual TGraphState GraphState();
    // From the recorded state.
    virtual bool IsPlaying();

    // Binds the display name to a filter and adds it to the graph under AName; null when
    // the name cannot be bound.
    ComPtr<IBaseFilter> InsertFilterByDisplayName(std::u16string_view ADisplayName,
                                                  std::u16string_view AName);

    // Builds the graph for a media file: through the QuickTime source filter when
    // UseQTSourceFilter is set (a failure is also reported), else through the graph
    // manager. The video window is placed and OnLengthChanged fired also after a failure.
    virtual HRESULT RenderFile(std::u16string_view AFileName, bool ClearGraph);
    // Graph files: a compound file whose stream "ActiveMovieGraph" holds the persisted graph.
    HRESULT SaveGraphFile(std::u16string_view FileName);
    // Tears the graph down first; E_FAIL for a file that is not a compound file, and raises
    // when the compound file cannot be opened.
    HRESULT LoadGraphFile(std::u16string_view FileName);

    // The playing rate (1.0 = normal); 1.0 when the graph cannot tell it.
    double Speed();
    void SetSpeed(double Value);
    // IBasicAudio's scale: hundredths of a decibel, -10000 (silence) to 0 (full volume).
    // Reading raises when the graph has no audio control.
    int Volume();
    void SetVolume(int Value);
    // An amplitude factor, 1.0 = full volume, converted to the decibel scale.
    void SetVolumePercent(float Value);

    // Reports (see RaiseError, ReportError, LogMsg).
    [[noreturn]] void RaiseError(HRESULT hr, std::u16string_view Msg);
    void ReportError(HRESULT hr, std::u16string_view Msg);
    void LogMsg(HRESULT hr, std::u16string_view Msg);

    // Positions in days (Position is GetPosition / SetPosition).
    virtual TDateTime GetPosition();
    // Seeks, shows the frame there when stopped and reports the new position.
    virtual void SetPosition(TDateTime Value);
    TDateTime StartPosition() const { return FStartPosition; }
    void SetStartPosition(TDateTime Value) { FStartPosition = Value; }
    TDateTime StopPosition() const { return FStopPosition; }

    const ComPtr<IGraphBuilder>& Graph() const { return FGraph; }
    bool Loop() const { return FLoop; }
    bool IgnoreAspectRatio() const { return FIgnoreAspectRatio; }
    void SetIgnoreAspectRatio(bool Value) { FIgnoreAspectRatio = Value; }
    bool UseQTSourceFilter() const { return FUseQTSourceFilter; }
    void SetUseQTSourceFilter(bool Value) { FUseQTSourceFilter = Value; }
    TDSVideoRenderer DSVideoRenderer() const { return FDSVideoRenderer; }
    void SetDSVideoRenderer(TDSVideoRenderer Value) { FDSVideoRenderer = Value; }
    bool QuickStart() const { return FQuickStart; }
    void SetQuickStart(bool Value) { FQuickStart = Value; }
    TWinControl* DisplayWindow() const { return FDisplayWindow; }

    const TDXErrorEvent& OnError() const { return FOnError; }
    void SetOnError(TDXErrorEvent Value) { FOnError = std::move(Value); }
    const TDXErrorEvent& OnInfoMsg() const { return FOnInfoMsg; }
    void SetOnInfoMsg(TDXErrorEvent Value) { FOnInfoMsg = std::move(Value); }
    const TDXShowTimeCodeEvent& OnLengthChanged() const { return FOnLengthChanged; }
    void SetOnLengthChanged(TDXShowTimeCodeEvent Value) { FOnLengthChanged = std::move(Value); }
    const TDXShowTimeCodeEvent& OnPositionChanged() const { return FOnPositionChanged; }
    void SetOnPositionChanged(TDXShowTimeCodeEvent Value) { FOnPositionChanged = std::move(Value); }
    const TNotifyEvent& OnFinished() const { return FOnFinished; }
    void SetOnFinished(TNotifyEvent Value) { FOnFinished = std::move(Value); }
    const TDXShowFilterCreatedEvent& OnFilterCreated() const { return FOnFilterCreated; }
    void SetOnFilterCreated(TDXShowFilterCreatedEvent Value) {
        FOnFilterCreated = std::move(Value);
    }
    const TDXShowFilterSelectedEvent& OnFilterSelected() const { return FOnFilterSelected; }
    void SetOnFilterSelected(TDXShowFilterSelectedEvent Value) {
        FOnFilterSelected = std::move(Value);
    }

    // Writers that derived components extend.
    virtual void SetLoop(bool Value);
    virtual void SetStopPosition(TDateTime Value);
    // Watches the new display window and places the video in it; a playing graph is
    // stopped around the placement and then continues as it was.
    virtual void SetDisplayWindow(TWinControl* Value);
    // Attaches the graph's video window to AControl and places it.
    virtual void UpdateVideoWindow(TWinControl* AControl);

    // Reacts to one graph event: end of stream and aborts here.
    virtual void HandleEvent(LONG EventCode, LONG_PTR Param1, LONG_PTR Param2);

protected:
    // Stores AControl as the display window and moves the free notification to it from
    // the previous one, so that freeing the stored control leaves nothing dangling.
    void WatchDisplayWindow(TWinControl* AControl);
    // Adds the source filter SourceCLSID under FilterName, opens the file in it and renders
    // every pin of it; VFW_E_CANNOT_RENDER when no pin could be rendered.
    HRESULT RenderWithSourceFilter(std::u16string_view FileName, REFCLSID SourceCLSID,
                                   bool RenderToExisting, std::u16string_view FilterName);

    // Hooks around rendering; empty here.
    virtual void AddCustomFilters() {}
    virtual void AfterRender() {}
    virtual void DoFinished();
    // Fire the filter events and answer whether the filter is rejected.
    virtual bool DoFilterCreated(IBaseFilter* AFilter);
    virtual bool DoFilterSelected(IMoniker* AMoniker);
    virtual void TimerTick(TComponent& Sender);
    // End-of-stream looping stops and runs the graph again around the seek for a video
    // component whose renderer is not the Enhanced Video Renderer; the video component
    // answers these two.
    virtual bool IsVideoComponent() const { return false; }
    virtual bool IsEVR() const { return false; }

    // Handles a message of the thread-safe window; false when there is no handler for it.
    // Derived components handle their own messages and pass the others on.
    virtual bool HandleComponentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result);
    // Answers messages without a handler.
    virtual LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Refills RecentFilters with one line per filter of the graph.
    void UpdateRecentFilters();

    // The destruction sequence: stop, detach the video window, end notifications, tear
    // down (virtually), release the interfaces and free the hidden windows. Runs once; a
    // derived component whose TearDownGraph does more calls it first in its destructor,
    // while its own teardown is still reachable.
    void ShutDownGraph() noexcept;

    HWND WindowHandle() const { return FWindowHandle.Handle(); }
    HWND WindowHandleThreadSafe() const { return FWindowHandleThreadSafe.Handle(); }

    // Fields that derived components read and fill.
    TDSVideoRenderer FDSVideoRenderer = vrOverlay;
    TDateTime FStopPosition = 0;
    TDateTime FStartPosition = 0;
    bool FIgnoreAspectRatio = false;
    bool FQuickStart = false;
    bool FUseQTSourceFilter = false;
    ComPtr<IMediaEventEx> FMediaEventEx;
    ComPtr<IGraphBuilder> FGraph;
    ComPtr<IMediaControl> FControl;
    ComPtr<IVideoWindow> pVidWin;
    LONG pVidWinLeft = 0;
    LONG pVidWinTop = 0;
    ComPtr<IMediaSeeking> FMediaSeeking;
    ComPtr<IBaseFilter> FOverlayMixer;
    TTimer* FTimer = nullptr;
    TGraphState FState = gsInit;
    std::u16string FFileName;
    TWinControl* FDisplayWindow = nullptr;
    ComPtr<IBaseFilter> FVideoRenderer;
    ComPtr<IBaseFilter> FAudioRenderer;

private:
    friend class TGraphBuilderCallback;

    void CreateGraph();
    LRESULT GraphWndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ThreadSafeWndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The handler of WM_GRAPHNOTIFY: takes and handles the queued graph events.
    void WMGraphNotify();
    void DetachVideoWindow();
    void PlaceVideoWindow(TWinControl& AControl);
    TWindowPosition VideoPlacement(const TWinControl& AControl);
    void RemoveAllFilters();
    void FirePositionChanged(TDateTime TimeCode);

    TDXErrorEvent FOnError;
    bool FLoop = false;
    TDXShowTimeCodeEvent FOnLengthChanged;
    TDXShowTimeCodeEvent FOnPositionChanged;
    TNotifyEvent FOnFinished;
    TDXShowFilterCreatedEvent FOnFilterCreated;
    TDXShowFilterSelectedEvent FOnFilterSelected;
    TDXErrorEvent FOnInfoMsg;
    THiddenWindow FWindowHandle;
    THiddenWindow FWindowHandleThreadSafe;
    ComPtr<TGraphBuilderCallback> FBuilderCallback;
    bool FShutDown = false;
};

}  // namespace capspect
