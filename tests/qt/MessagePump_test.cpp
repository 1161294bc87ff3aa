#include "qt/MessagePump.h"
#include "platform/linux/clock.h"
#include "platform/linux/messages.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/HiddenWindow.h"
#include "platform/sdk/clock.h"
#include "platform/sdk/messages.h"

namespace capspect {
namespace {

using namespace std::chrono_literals;

// Runs a Qt event loop until `Done` is called. The guard only keeps a broken pump from
// hanging the test program; no test relies on how long anything takes.
class LoopUntilDone {
public:
    void Done() { loop_.quit(); }
    void Run() {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop_, [this] {
            timedOut_ = true;
            loop_.quit();
        });
        guard.start(30000);
        loop_.exec();
    }
    bool TimedOut() const { return timedOut_; }

private:
    QEventLoop loop_;
    bool timedOut_ = false;
};

struct Handled {
    UINT message;
    WPARAM wParam;
};

TEST(MessagePumpTest, MessagesPostedFromOtherThreadsAreHandledInQtsLoop) {
    QtMessagePump pump;
    LoopUntilDone loop;
    std::vector<Handled> handled;
    const std::thread::id guiThread = std::this_thread::get_id();
    bool rightThread = true;
    THiddenWindow window([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        rightThread = rightThread && std::this_thread::get_id() == guiThread;
        handled.push_back({message, wParam});
        if (handled.size() == 3) {
            loop.Done();
        }
        return 0;
    });
    std::thread poster([hwnd = window.Handle()] {
        for (WPARAM i = 1; i <= 3; ++i) {
            PostMessageW(hwnd, WM_USER + 1, i, 0);
        }
    });
    loop.Run();
    poster.join();

    ASSERT_FALSE(loop.TimedOut());
    ASSERT_EQ(handled.size(), 3U);
    for (WPARAM i = 0; i < 3; ++i) {
        EXPECT_EQ(handled[i].message, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(handled[i].wParam, i + 1);
    }
    EXPECT_TRUE(rightThread);
}

TEST(MessagePumpTest, MessagesQueuedBeforeThePumpAndRepostedWhileHandlingArrive) {
    LoopUntilDone loop;
    std::vector<UINT> handled;
    THiddenWindow second([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        handled.push_back(message);
        loop.Done();
        return 0;
    });
    // The way a component's first window hands graph notifications to its second one.
    THiddenWindow first([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        handled.push_back(message);
        PostMessageW(second.Handle(), message + 1, wParam, lParam);
        return 0;
    });
    ASSERT_TRUE(PostMessageW(first.Handle(), WM_USER + 1, 0, 0));

    QtMessagePump pump;
    loop.Run();

    ASSERT_FALSE(loop.TimedOut());
    EXPECT_EQ(handled, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

TEST(MessagePumpTest, PlatformTimersTickWhileQtsLoopRuns) {
    TestClock clock;
    QtMessagePump pump;
    LoopUntilDone loop;
    std::vector<WPARAM> ticks;
    THiddenWindow window([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_TIMER) {
            ticks.push_back(wParam);
            loop.Done();
        }
        return 0;
    });
    ASSERT_NE(SetTimer(window.Handle(), 7, 200, nullptr), 0U);
    // The timer is due the moment the loop starts, on the test clock.
    clock.Advance(200ms);
    loop.Run();

    ASSERT_FALSE(loop.TimedOut());
    EXPECT_EQ(ticks, std::vector<WPARAM>{7});
    KillTimer(window.Handle(), 7);
}

TEST(MessagePumpTest, ATimerSetWhileIdleWakesTheLoopOnTheRealClock) {
    QtMessagePump pump;
    LoopUntilDone loop;
    int ticks = 0;
    THiddenWindow window([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_TIMER && ++ticks == 2) {
            loop.Done();
        }
        return 0;
    });
    // Set from inside the loop, when the queue is idle and no pump is pending.
    QTimer::singleShot(0, [&] { SetTimer(window.Handle(), 1, USER_TIMER_MINIMUM, nullptr); });
    loop.Run();

    ASSERT_FALSE(loop.TimedOut());
    EXPECT_EQ(ticks, 2);
    KillTimer(window.Handle(), 1);
}

TEST(MessagePumpTest, AnExceptionFromAHandlerGoesToTheHandlerAndTheRestStillArrives) {
    QtMessagePump pump;
    LoopUntilDone loop;
    std::vector<std::string> failures;
    pump.SetExceptionHandler([&](std::exception_ptr failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            failures.emplace_back(error.what());
        }
    });
    std::vector<WPARAM> handled;
    THiddenWindow window([&](UINT, WPARAM wParam, LPARAM) -> LRESULT {
        handled.push_back(wParam);
        if (wParam == 1) {
            throw std::runtime_error("refused");
        }
        loop.Done();
        return 0;
    });
    PostMessageW(window.Handle(), WM_USER, 1, 0);
    PostMessageW(window.Handle(), WM_USER, 2, 0);
    loop.Run();

    ASSERT_FALSE(loop.TimedOut());
    EXPECT_EQ(handled, (std::vector<WPARAM>{1, 2}));
    EXPECT_EQ(failures, std::vector<std::string>{"refused"});
}

TEST(MessagePumpTest, AfterThePumpIsGoneMessagesWaitForAnotherPump) {
    std::vector<WPARAM> handled;
    THiddenWindow window([&](UINT, WPARAM wParam, LPARAM) -> LRESULT {
        handled.push_back(wParam);
        return 0;
    });
    { QtMessagePump pump; }
    std::thread([hwnd = window.Handle()] { PostMessageW(hwnd, WM_USER, 5, 0); }).join();
    QEventLoop loop;
    loop.processEvents(QEventLoop::AllEvents);
    EXPECT_TRUE(handled.empty());
    EXPECT_EQ(ProcessPostedMessages(), 1U);
    EXPECT_EQ(handled, std::vector<WPARAM>{5});
}

}  // namespace
}  // namespace capspect
