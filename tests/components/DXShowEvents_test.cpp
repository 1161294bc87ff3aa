// The graph component's notification path, event loop, end-of-stream handling and
// position timer, with the message loop pumped as the GUI thread pumps it.
#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "platform/linux/clock.h"
#include "platform/linux/messages.h"
#include "platform/sdk/clock.h"
#include "platform/support/comptr.h"
#include "tests/components/DXShowFixture.h"
#include "util/ErrorTexts.h"

namespace capspect::test {
namespace {

using namespace std::chrono_literals;

constexpr TDateTime kSecond = 1.0 / 86400;

std::vector<std::string> Handled(const Journal& journal) {
    std::vector<std::string> handled;
    for (const std::string& entry : journal) {
        if (entry.starts_with("handle") || entry.starts_with("free")) {
            handled.push_back(entry);
        }
    }
    return handled;
}

TEST_F(DXShowTest, NotificationIsHandledOneLoopTurnLater) {
    auto dx = Create();
    PostEvent(*dx, EC_USER, 7, 8);
    EXPECT_EQ(ProcessPostedMessages(), 1U);  // the notification window re-posts
    EXPECT_TRUE(Handled(journal).empty());
    EXPECT_EQ(ProcessPostedMessages(), 1U);
    EXPECT_EQ(Handled(journal), (std::vector<std::string>{"handle 8000 7 8", "free 8000 7 8"}));
}

TEST_F(DXShowTest, OtherMessagesOfTheNotificationWindowAreNotPassedOn) {
    auto dx = Create();
    ASSERT_TRUE(PostMessageW(dx->NotifyWindow(), WM_APP, 0, 0));
    ASSERT_TRUE(PostMessageW(dx->NotifyWindow(), WM_USER - 1, 0, 0));
    EXPECT_EQ(ProcessPostedMessages(), 2U);
    EXPECT_EQ(ProcessPostedMessages(), 0U);
}

TEST_F(DXShowTest, LoopStopsAtDiscEjectedEvenWithinOneNotification) {
    auto dx = Create();
    // Queue three events behind the component's back, then notify once.
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(dx->Graph().As(&events), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(0, 0, 0), S_OK);
    PostEvent(*dx, EC_USER, 1, 2);
    PostEvent(*dx, 0x118, 3, 4);
    PostEvent(*dx, EC_USER + 1, 5, 6);
    ASSERT_EQ(
        events->SetNotifyWindow(reinterpret_cast<OAHWND>(dx->NotifyWindow()), WM_GRAPHNOTIFY, 0),
        S_OK);
    ASSERT_TRUE(PostMessageW(dx->NotifyWindow(), WM_GRAPHNOTIFY, 0, 0));
    ProcessMessagesUntilIdle();
    EXPECT_EQ(Handled(journal), (std::vector<std::string>{"handle 8000 1 2", "free 8000 1 2",
                                                          "free 118 3 4", "handle 118 0 0"}));
    // The third stays queued until the next notification.
    ASSERT_TRUE(PostMessageW(dx->NotifyWindow(), WM_GRAPHNOTIFY, 0, 0));
    ProcessMessagesUntilIdle();
    EXPECT_EQ(Handled(journal).back(), "free 8001 5 6");
}

TEST_F(DXShowTest, HandlerThatRaisesLeavesTheLoopButFreesItsEvent) {
    auto dx = Create();
    dx->SetOnFinished([](TComponent&) { throw std::runtime_error("handler failed"); });
    PostEvent(*dx, EC_USERABORT, 1, 0);
    PostEvent(*dx, EC_USER, 2, 0);
    ProcessPostedMessages();
    EXPECT_THROW(ProcessPostedMessages(), std::runtime_error);
    EXPECT_EQ(Handled(journal), (std::vector<std::string>{"handle 2 1 0", "free 2 1 0"}));
    dx->SetOnFinished({});
    ProcessMessagesUntilIdle();
    EXPECT_EQ(Handled(journal).back(), "free 8000 2 0");
}

TEST_F(DXShowTest, CompleteWithoutLoopEndsStoppedAtTheStartPosition) {
    auto dx = Create();
    AddRenderedSource(*dx);
    int finished = 0;
    dx->SetOnFinished([&](TComponent& sender) {
        EXPECT_EQ(&sender, dx.get());
        ++finished;
    });
    dx->SetStartPosition(2 * kSecond);
    ASSERT_EQ(dx->Run(), S_OK);
    dx->SetPosition(8 * kSecond);
    PostEvent(*dx, EC_COMPLETE, S_OK, 0);
    ProcessMessagesUntilIdle();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(dx->IsPlaying());
    EXPECT_EQ(dx->GraphState(), gsStopped);
    EXPECT_DOUBLE_EQ(dx->GetPosition(), 2 * kSecond);
}

TEST_F(DXShowTest, LoopOfAPlainComponentSeeksWhileRunning) {
    auto dx = Create();
    dx->SetLoop(true);
    int finished = 0;
    dx->SetOnFinished([&](TComponent&) { ++finished; });
    dx->SetStartPosition(kSecond);
    ASSERT_EQ(dx->Run(), S_OK);
    journal.clear();
    PostEvent(*dx, EC_COMPLETE);
    ProcessMessagesUntilIdle();
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(dx->GraphState(), gsRunning);
    EXPECT_DOUBLE_EQ(dx->GetPosition(), kSecond);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "Stop"), 0);
}

TEST_F(DXShowTest, LoopOfAVideoComponentRestartsUnlessItRendersThroughTheEVR) {
    for (const bool evr : {false, true}) {
        auto dx = Create();
        dx->videoComponent = true;
        dx->evr = evr;
        dx->SetLoop(true);
        ASSERT_EQ(dx->Run(), S_OK);
        journal.clear();
        PostEvent(*dx, EC_COMPLETE);
        ProcessMessagesUntilIdle();
        const Journal expected =
            evr ? Journal{"handle 1 0 0", "free 1 0 0"}
                : Journal{"handle 1 0 0", "Stop", "StopWhenReady", "Run", "free 1 0 0"};
        EXPECT_EQ(journal, expected) << "EVR: " << evr;
        EXPECT_EQ(dx->GraphState(), gsRunning);
    }
}

TEST_F(DXShowTest, ErrorAbortFinishesThenReportsTheMediaErrorText) {
    auto dx = Create();
    std::vector<std::string> order;
    dx->SetOnFinished([&](TComponent&) { order.push_back("finished"); });
    dx->SetOnError([&](HRESULT hr, const std::u16string& text) {
        order.push_back("error");
        errors.push_back({hr, text});
    });
    ASSERT_EQ(dx->Run(), S_OK);
    PostEvent(*dx, EC_ERRORABORT, E_FAIL);
    EXPECT_NO_THROW(ProcessMessagesUntilIdle());
    EXPECT_EQ(order, (std::vector<std::string>{"finished", "error"}));
    ASSERT_TRUE(MediaErrorText(E_FAIL).empty());
    EXPECT_EQ(errors, (std::vector<Report>{{0, u"EC_ERRORABORT: "}}));
    EXPECT_FALSE(dx->IsPlaying());
}

TEST_F(DXShowTest, UserAbortStopsAndFinishesWithoutReport) {
    auto dx = Create();
    int finished = 0;
    dx->SetOnFinished([&](TComponent&) { ++finished; });
    ASSERT_EQ(dx->Run(), S_OK);
    PostEvent(*dx, EC_USERABORT);
    ProcessMessagesUntilIdle();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(dx->IsPlaying());
    EXPECT_TRUE(errors.empty());
}

// The position timer.

class DXShowTimerTest : public DXShowTest {
protected:
    // Advances the clock by one interval and pumps; answers the positions reported.
    std::size_t TicksAfter(std::chrono::milliseconds elapsed) {
        const std::size_t before = positions.size();
        clock.Advance(elapsed);
        ProcessPostedMessages();
        return positions.size() - before;
    }

    TestClock clock;
    std::vector<TDateTime> positions;
};

TEST_F(DXShowTimerTest, RunningGraphReportsItsPositionEvery200Ms) {
    auto dx = Create();
    dx->SetOnPositionChanged([&](TComponent&, TDateTime time) { positions.push_back(time); });
    ASSERT_EQ(dx->Run(), S_OK);
    dx->SetPosition(3 * kSecond);
    positions.clear();
    EXPECT_EQ(TicksAfter(199ms), 0U);
    EXPECT_EQ(TicksAfter(1ms), 1U);
    EXPECT_DOUBLE_EQ(positions.back(), 3 * kSecond);
    ASSERT_EQ(dx->Pause(), S_OK);
    EXPECT_EQ(TicksAfter(200ms), 1U);  // a paused graph keeps reporting
    ASSERT_EQ(dx->Stop(), S_OK);
    EXPECT_EQ(TicksAfter(1000ms), 0U);
}

TEST_F(DXShowTimerTest, TimerStartsOnlyWithRunWhenThePositionEventIsAssigned) {
    auto dx = Create();
    ASSERT_EQ(dx->Run(), S_OK);
    dx->SetOnPositionChanged([&](TComponent&, TDateTime time) { positions.push_back(time); });
    EXPECT_EQ(TicksAfter(400ms), 0U);
    ASSERT_EQ(dx->Run(), S_OK);
    EXPECT_EQ(TicksAfter(200ms), 1U);
}

TEST_F(DXShowTimerTest, StopAndRewindAndTearDownStopTheTimer) {
    auto dx = Create();
    dx->SetOnPositionChanged([&](TComponent&, TDateTime time) { positions.push_back(time); });
    ASSERT_EQ(dx->Run(), S_OK);
    dx->StopAndRewind();
    EXPECT_EQ(TicksAfter(400ms), 0U);
    ASSERT_EQ(dx->Run(), S_OK);
    dx->TearDownGraph();
    EXPECT_EQ(TicksAfter(400ms), 0U);
}

TEST_F(DXShowTimerTest, SeekWhileStoppedShowsTheFrameAndReportsOnce) {
    auto dx = Create();
    dx->SetOnPositionChanged([&](TComponent&, TDateTime time) { positions.push_back(time); });
    journal.clear();
    dx->SetPosition(kSecond);
    EXPECT_EQ(journal, (Journal{"StopWhenReady"}));
    ASSERT_EQ(positions.size(), 1U);
    EXPECT_DOUBLE_EQ(positions[0], kSecond);
}

}  // namespace
}  // namespace capspect::test
