// State control, events, seeking, renderer forwarding and fault injection of the
// simulated graph manager.
#include <gtest/gtest.h>

#include "platform/directshow/event_queue.h"
#include "platform/linux/messages.h"
#include "platform/sdk/messages.h"
#include "platform/support/comptr.h"
#include "platform/support/hidden_window.h"
#include "tests/sim/test_filters.h"

namespace capspect::sim::test {
namespace {

// A source that knows its duration and remembers where it was sent.
class SeekableSource : public WithInterfaces<SourceFilter, IMediaSeeking> {
public:
    HRESULT GetCapabilities(DWORD* capabilities) override {
        *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration;
        return S_OK;
    }
    HRESULT CheckCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT IsFormatSupported(const GUID* f) override {
        return *f == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    HRESULT QueryPreferredFormat(GUID* f) override { return GetTimeFormat(f); }
    HRESULT GetTimeFormat(GUID* f) override {
        *f = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    HRESULT IsUsingTimeFormat(const GUID* f) override { return IsFormatSupported(f); }
    HRESULT SetTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT GetDuration(LONGLONG* duration) override {
        *duration = 100'000'000;
        return S_OK;
    }
    HRESULT GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetCurrentPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override {
        return E_NOTIMPL;
    }
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG*, DWORD) override {
        if (currentFlags != 0) {
            seekedTo = *current;
        }
        return S_OK;
    }
    HRESULT GetPositions(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT SetRate(double rate) override { return rate < 0 ? E_INVALIDARG : S_OK; }
    HRESULT GetRate(double*) override { return E_NOTIMPL; }
    HRESULT GetPreroll(LONGLONG*) override { return E_NOTIMPL; }

    LONGLONG seekedTo = -1;
};

template <typename I>
ComPtr<I> As(const ComPtr<IGraphBuilder>& graph) {
    ComPtr<I> result;
    EXPECT_EQ(graph.As(&result), S_OK);
    return result;
}

class StateTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        source = Add<SourceFilter>(u"Source");
        decoder = Add<TransformFilter>(u"Decoder");
        renderer = Add<VideoRenderer>(u"Renderer");
        ASSERT_EQ(graph->ConnectDirect(PinOf(*source, 0), PinOf(*decoder, 0), nullptr), S_OK);
        ASSERT_EQ(graph->ConnectDirect(PinOf(*decoder, 1), PinOf(*renderer, 0), nullptr), S_OK);
        control = As<IMediaControl>(graph);
    }

    OAFilterState GraphState(HRESULT expected = S_OK) {
        OAFilterState state = -1;
        EXPECT_EQ(control->GetState(100, &state), expected);
        return state;
    }

    ComPtr<SourceFilter> source;
    ComPtr<TransformFilter> decoder;
    ComPtr<VideoRenderer> renderer;
    ComPtr<IMediaControl> control;
};

TEST_F(StateTest, FiltersFollowTheGraphThroughItsStates) {
    EXPECT_EQ(GraphState(), State_Stopped);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(GraphState(), State_Running);
    EXPECT_EQ(source->State(), State_Running);
    EXPECT_EQ(renderer->State(), State_Running);

    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(decoder->State(), State_Paused);
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(GraphState(), State_Stopped);
    EXPECT_EQ(source->State(), State_Stopped);

    ASSERT_EQ(control->StopWhenReady(), S_OK);
    EXPECT_EQ(GraphState(), State_Stopped);
}

TEST_F(StateTest, BuildingIsRefusedUnlessStopped) {
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(graph->Disconnect(PinOf(*source, 0)), VFW_E_NOT_STOPPED);
    EXPECT_EQ(graph->Render(PinOf(*renderer, 0)), VFW_E_NOT_STOPPED);
    EXPECT_EQ(graph->RemoveFilter(decoder.Get()), VFW_E_NOT_STOPPED);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(graph->RemoveFilter(decoder.Get()), S_OK);
}

TEST_F(StateTest, UnfinishedTransitionsAreIntermediate) {
    renderer->SetTransitionsPending(true);
    EXPECT_EQ(control->Run(), S_FALSE);
    EXPECT_EQ(GraphState(VFW_S_STATE_INTERMEDIATE), State_Running);
    renderer->CompleteTransition();
    EXPECT_EQ(GraphState(S_OK), State_Running);
}

TEST_F(StateTest, ALiveSourceCannotCueWhilePaused) {
    source->SetLive(true);
    EXPECT_EQ(control->Pause(), S_FALSE);
    EXPECT_EQ(GraphState(VFW_S_CANT_CUE), State_Paused);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(GraphState(S_OK), State_Running);
}

TEST_F(StateTest, AFilterThatCannotRunLeavesTheGraphStopped) {
    const ScopedFault fault("IMediaFilter::Run", E_UNEXPECTED);
    EXPECT_EQ(control->Run(), E_UNEXPECTED);
    EXPECT_EQ(GraphState(), State_Stopped);
    EXPECT_EQ(source->State(), State_Stopped);
}

class EventTest : public StateTest {
protected:
    struct Posted {
        OAHWND window;
        UINT message;
        LPARAM lParam;
    };
    void SetUp() override {
        StateTest::SetUp();
        SetNotifyPoster([this](OAHWND window, UINT message, WPARAM, LPARAM lParam) {
            posted.push_back({window, message, lParam});
        });
        events = As<IMediaEventEx>(graph);
    }
    std::optional<GraphEvent> Next() {
        GraphEvent event{};
        if (events->GetEvent(&event.code, &event.param1, &event.param2, 0) != S_OK) {
            return std::nullopt;
        }
        events->FreeEventParams(event.code, event.param1, event.param2);
        return event;
    }

    ComPtr<IMediaEventEx> events;
    std::vector<Posted> posted;
};

TEST_F(EventTest, QueuedEventsPostTheNotificationAndWaitForGetEvent) {
    ASSERT_EQ(events->SetNotifyWindow(0x1234, 0x401, 77), S_OK);
    const auto device = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(source.Get()));
    ASSERT_TRUE(source->NotifyEvent(EC_DEVICE_LOST, device, 1));
    ASSERT_TRUE(source->NotifyEvent(EC_ERRORABORT, E_FAIL, 0));

    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].window, 0x1234);
    EXPECT_EQ(posted[0].message, 0x401u);
    EXPECT_EQ(posted[0].lParam, 77);
    const auto first = Next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->code, EC_DEVICE_LOST);
    EXPECT_EQ(first->param1, device);
    EXPECT_EQ(Next()->code, EC_ERRORABORT);

    LONG code = -1;
    LONG_PTR p1 = -1;
    LONG_PTR p2 = -1;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    EXPECT_EQ(events->FreeEventParams(EC_ERRORABORT, E_FAIL, 0), S_OK);
}

TEST_F(EventTest, NoNotifyClearsTheQueueAndStopsNotifications) {
    ASSERT_EQ(events->SetNotifyWindow(0x1234, 0x401, 0), S_OK);
    source->NotifyEvent(EC_USERABORT, 0, 0);
    ASSERT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
    source->NotifyEvent(EC_USERABORT, 0, 0);

    EXPECT_FALSE(Next());
    EXPECT_EQ(posted.size(), 1u);
    LONG flags = 0;
    EXPECT_EQ(events->GetNotifyFlags(&flags), S_OK);
    EXPECT_EQ(flags, AM_MEDIAEVENT_NONOTIFY);
    EXPECT_EQ(events->SetNotifyFlags(2), E_INVALIDARG);

    ASSERT_EQ(events->SetNotifyFlags(0), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(0, 0, 0), S_OK);
    source->NotifyEvent(EC_USERABORT, 0, 0);
    EXPECT_EQ(posted.size(), 1u);
    EXPECT_TRUE(Next());
}

TEST_F(EventTest, CompletionIsReportedOnceEveryStreamHasEnded) {
    auto audioSource = Add<SourceFilter>(u"Audio Source", true);
    auto audio = Add<AudioRenderer>(u"Audio Renderer");
    ASSERT_EQ(graph->ConnectDirect(PinOf(*audioSource, 1), PinOf(*audio, 0), nullptr), S_OK);
    ASSERT_EQ(control->Run(), S_OK);

    source->DeliverEndOfStream();
    EXPECT_FALSE(Next());
    audioSource->DeliverEndOfStream();
    const auto complete = Next();
    ASSERT_TRUE(complete);
    EXPECT_EQ(complete->code, EC_COMPLETE);
    EXPECT_EQ(complete->param1, S_OK);
    EXPECT_FALSE(Next());

    ASSERT_EQ(events->CancelDefaultHandling(EC_COMPLETE), S_OK);
    source->DeliverEndOfStream();
    const auto own = Next();
    ASSERT_TRUE(own);
    EXPECT_EQ(own->param2, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(renderer.Get())));
    EXPECT_EQ(events->CancelDefaultHandling(EC_DEVICE_LOST), E_INVALIDARG);
}

TEST_F(StateTest, NotificationsArriveAsWindowMessages) {
    std::vector<std::pair<UINT, LPARAM>> received;
    HWND window = AllocateHWnd([&](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        received.emplace_back(message, lParam);
        return 0;
    });
    auto events = As<IMediaEventEx>(graph);
    ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_USER + 1, 42), S_OK);

    source->NotifyEvent(EC_DEVICE_LOST, 0, 0);
    EXPECT_TRUE(received.empty());  // posted, not sent
    ProcessMessagesUntilIdle();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (std::pair<UINT, LPARAM>{WM_USER + 1, 42}));
    LONG code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_DEVICE_LOST);
    events->SetNotifyWindow(0, 0, 0);
    DeallocateHWnd(window);
}

TEST_F(StateTest, SeekingWorksInMediaTimeWithTheSourcesDuration) {
    auto seeking = As<IMediaSeeking>(graph);
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);

    auto seekable = Add<SeekableSource>(u"Seekable");
    ASSERT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_FRAME), E_INVALIDARG);
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 100'000'000);

    LONGLONG current = 30'000'000;
    LONGLONG stop = 80'000'000;
    ASSERT_EQ(seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, &stop,
                                    AM_SEEKING_AbsolutePositioning),
              S_OK);
    EXPECT_EQ(seekable->seekedTo, 30'000'000);
    LONGLONG step = 10'000'000;
    ASSERT_EQ(seeking->SetPositions(&step, AM_SEEKING_RelativePositioning | AM_SEEKING_ReturnTime,
                                    nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    EXPECT_EQ(step, 40'000'000);
    ASSERT_EQ(seeking->GetPositions(&current, &stop), S_OK);
    EXPECT_EQ(current, 40'000'000);
    EXPECT_EQ(stop, 80'000'000);

    LONGLONG negative = -1;
    EXPECT_EQ(seeking->SetPositions(&negative, AM_SEEKING_AbsolutePositioning, nullptr, 0),
              E_INVALIDARG);
    EXPECT_EQ(seeking->SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(seeking->SetRate(-1.0), E_INVALIDARG);
    ASSERT_EQ(seeking->SetRate(2.0), S_OK);
    double rate = 0;
    EXPECT_EQ(seeking->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 2.0);

    DWORD capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanPlayBackwards;
    EXPECT_EQ(seeking->CheckCapabilities(&capabilities), S_FALSE);
    EXPECT_EQ(capabilities, DWORD{AM_SEEKING_CanSeekAbsolute});
}

TEST_F(StateTest, RendererCallsGoToTheRendererThatOffersThem) {
    auto window = As<IVideoWindow>(graph);
    EXPECT_EQ(window->put_Visible(OAFALSE), E_NOINTERFACE);
    auto video = As<IBasicVideo2>(graph);
    LONG x = 0;
    LONG y = 0;
    EXPECT_EQ(video->GetPreferredAspectRatio(&x, &y), E_NOINTERFACE);

    auto audio = As<IBasicAudio>(graph);
    EXPECT_EQ(audio->put_Volume(-100), E_NOTIMPL);
    auto audioSource = Add<SourceFilter>(u"Audio Source", true);
    auto renderer = Add<AudioRenderer>(u"Audio Renderer");
    EXPECT_EQ(audio->put_Volume(-100), E_NOTIMPL);  // not connected yet
    ASSERT_EQ(graph->ConnectDirect(PinOf(*audioSource, 1), PinOf(*renderer, 0), nullptr), S_OK);
    ASSERT_EQ(audio->put_Volume(-2500), S_OK);
    EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
    LONG volume = 0;
    EXPECT_EQ(audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -2500);
}

}  // namespace
}  // namespace capspect::sim::test
