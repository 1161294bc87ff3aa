#include "platform/linux/messages.h"
#include "platform/linux/clock.h"
#include "platform/sdk/messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/sdk/clock.h"
#include "platform/support/hidden_window.h"

namespace {

using namespace std::chrono_literals;
using capspect::ProcessMessagesUntilIdle;
using capspect::ProcessPostedMessages;
using capspect::TestClock;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
    friend bool operator==(const Received&, const Received&) = default;
};

// A hidden window that records what it handles, freed at the end of the scope.
class RecordingWindow {
public:
    explicit RecordingWindow(std::function<void(const Received&)> also = {})
        : hwnd_(capspect::AllocateHWnd([this, also](UINT message, WPARAM wParam, LPARAM lParam) {
              const Received received{message, wParam, lParam, std::this_thread::get_id()};
              received_.push_back(received);
              if (also) {
                  also(received);
              }
              return LRESULT{42};
          })) {}
    ~RecordingWindow() { capspect::DeallocateHWnd(hwnd_); }
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    const std::vector<Received>& received() const { return received_; }

private:
    std::vector<Received> received_;
    HWND hwnd_;
};

const std::thread::id kMainThread = std::this_thread::get_id();

TEST(Messages, PostedMessagesAreHandledInOrderWhenTheOwnerPumps) {
    const RecordingWindow window;
    ASSERT_TRUE(IsWindow(window.hwnd()));
    EXPECT_TRUE(PostMessageW(window.hwnd(), WM_USER + 1, 10, -1));
    EXPECT_TRUE(PostMessageW(window.hwnd(), WM_USER + 3, 20, 0));
    EXPECT_TRUE(window.received().empty());

    EXPECT_EQ(ProcessPostedMessages(), 2u);
    const std::vector<Received> expected{{WM_USER + 1, 10, -1, kMainThread},
                                         {WM_USER + 3, 20, 0, kMainThread}};
    EXPECT_EQ(window.received(), expected);
    EXPECT_EQ(ProcessPostedMessages(), 0u);

    EXPECT_EQ(SendMessageW(window.hwnd(), WM_USER, 1, 2), 42);
    EXPECT_EQ(window.received().size(), 3u);
}

TEST(Messages, AMessageRepostedByAHandlerIsHandledOneTurnLater) {
    const RecordingWindow target;
    const HWND forwarder = capspect::AllocateHWnd([&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message >= WM_USER && message < WM_APP) {
            PostMessageW(target.hwnd(), message, wParam, lParam);
            return LRESULT{0};
        }
        return DefWindowProcW(nullptr, message, wParam, lParam);
    });
    PostMessageW(forwarder, WM_USER + 1, 7, 8);
    PostMessageW(forwarder, WM_NULL, 0, 0);  // not forwarded

    EXPECT_EQ(ProcessPostedMessages(), 2u);
    EXPECT_TRUE(target.received().empty());
    EXPECT_EQ(ProcessPostedMessages(), 1u);
    ASSERT_EQ(target.received().size(), 1u);
    EXPECT_EQ(target.received()[0].wParam, 7u);

    PostMessageW(forwarder, WM_USER + 1, 9, 9);
    EXPECT_EQ(ProcessMessagesUntilIdle(), 2u);
    EXPECT_EQ(target.received().size(), 2u);
    capspect::DeallocateHWnd(forwarder);
}

TEST(Messages, UntilIdleStopsAtItsLimitWhenAHandlerKeepsReposting) {
    HWND self = nullptr;
    int handled = 0;
    self = capspect::AllocateHWnd([&](UINT message, WPARAM, LPARAM) {
        ++handled;
        PostMessageW(self, message, 0, 0);
        return LRESULT{0};
    });
    PostMessageW(self, WM_USER, 0, 0);
    EXPECT_EQ(ProcessMessagesUntilIdle(50), 50u);
    EXPECT_EQ(handled, 50);
    MSG pending;
    EXPECT_TRUE(PeekMessageW(&pending, self, 0, 0, PM_NOREMOVE));
    capspect::DeallocateHWnd(self);
    EXPECT_FALSE(PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(Messages, MessagesForADestroyedWindowAreDropped) {
    auto window = std::make_unique<RecordingWindow>();
    const HWND hwnd = window->hwnd();
    PostMessageW(hwnd, WM_USER, 1, 0);
    window.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 2, 0));
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(ProcessPostedMessages(), 0u);

    // A window that destroys itself while handling loses the messages queued behind.
    HWND self = nullptr;
    int handled = 0;
    self = capspect::AllocateHWnd([&](UINT, WPARAM, LPARAM) {
        ++handled;
        DestroyWindow(self);
        return LRESULT{0};
    });
    PostMessageW(self, WM_USER, 0, 0);
    PostMessageW(self, WM_USER, 0, 0);
    EXPECT_EQ(ProcessPostedMessages(), 1u);
    EXPECT_EQ(handled, 1);
}

TEST(Messages, QueueRefusesPostsBeyondItsCapacity) {
    const RecordingWindow window;
    for (int i = 0; i < 10000; ++i) {
        ASSERT_TRUE(PostMessageW(window.hwnd(), WM_USER, 0, 0));
    }
    EXPECT_FALSE(PostMessageW(window.hwnd(), WM_USER, 0, 0));
    EXPECT_EQ(ProcessPostedMessages(), 10000u);
}

TEST(MessagesAcrossThreads, PostsFromOtherThreadsAreHandledOnTheOwnerInOrderPerThread) {
    const RecordingWindow window;
    std::atomic<int> wakes{0};
    capspect::SetWakeHandler([&] { ++wakes; });
    constexpr int kThreads = 4;
    constexpr int kPerThread = 100;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                PostMessageW(window.hwnd(), WM_USER + 3, static_cast<WPARAM>(i), t);
            }
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    EXPECT_TRUE(window.received().empty());
    EXPECT_EQ(wakes, 1);  // once until the owner pumps

    EXPECT_EQ(ProcessMessagesUntilIdle(), std::size_t{kThreads * kPerThread});
    std::vector<WPARAM> next(kThreads, 0);
    for (const Received& received : window.received()) {
        EXPECT_EQ(received.thread, kMainThread);
        EXPECT_EQ(received.wParam, next[static_cast<std::size_t>(received.lParam)]++);
    }
    std::thread([&] { PostMessageW(window.hwnd(), WM_USER, 0, 0); }).join();
    EXPECT_EQ(wakes, 2);
    capspect::SetWakeHandler({});
    ProcessPostedMessages();
}

TEST(MessagesAcrossThreads, AWorkerThreadRunsItsOwnLoopUntilQuit) {
    std::promise<HWND> created;
    std::vector<Received> handled;
    std::thread worker([&] {
        const HWND hwnd = capspect::AllocateHWnd([&](UINT message, WPARAM wParam, LPARAM lParam) {
            handled.push_back({message, wParam, lParam, std::this_thread::get_id()});
            if (message == WM_USER + 9) {
                PostQuitMessage(3);
            }
            return LRESULT{0};
        });
        created.set_value(hwnd);
        MSG msg;
        BOOL result = 0;
        while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
            DispatchMessageW(&msg);
        }
        EXPECT_EQ(result, FALSE);
        EXPECT_EQ(msg.wParam, 3u);
        // The window ends with its thread.
    });
    const HWND hwnd = created.get_future().get();
    const std::thread::id worker_id = worker.get_id();
    EXPECT_FALSE(DestroyWindow(hwnd));  // not this thread's window
    EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(ProcessPostedMessages(), 0u);
    PostMessageW(hwnd, WM_USER + 1, 1, 0);
    PostMessageW(hwnd, WM_USER + 9, 2, 0);
    worker.join();

    ASSERT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled[0], (Received{WM_USER + 1, 1, 0, worker_id}));
    EXPECT_EQ(handled[1].thread, worker_id);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
}

TEST(MessageLoop, PeekFiltersByWindowAndRangeAndQuitComesAfterPostedMessages) {
    const RecordingWindow first;
    const RecordingWindow second;
    PostMessageW(first.hwnd(), WM_USER + 1, 0, 0);
    PostMessageW(second.hwnd(), WM_USER + 2, 0, 0);
    PostQuitMessage(5);

    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, second.hwnd(), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, second.hwnd());
    EXPECT_FALSE(PeekMessageW(&msg, second.hwnd(), 0, 0, PM_REMOVE));

    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_EQ(DispatchMessageW(&msg), 42);
    EXPECT_EQ(first.received().size(), 1u);
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(std::uintptr_t{1}), 0, 0), -1);
}

class Timers : public ::testing::Test {
protected:
    TestClock clock_{std::chrono::milliseconds{0xFFFFFF00}};  // the counter wraps during tests
    RecordingWindow window_;

    std::vector<WPARAM> TimerIds() const {
        std::vector<WPARAM> ids;
        for (const Received& received : window_.received()) {
            EXPECT_EQ(received.message, WM_TIMER);
            ids.push_back(received.wParam);
        }
        return ids;
    }
};

TEST_F(Timers, FireAtTheirIntervalOnTheTestClockUntilKilled) {
    EXPECT_EQ(SetTimer(window_.hwnd(), 7, 200, nullptr), 7u);
    EXPECT_EQ(capspect::TimeUntilNextTimer(), 200ms);
    clock_.Advance(199ms);
    EXPECT_EQ(ProcessPostedMessages(), 0u);
    EXPECT_EQ(capspect::TimeUntilNextTimer(), 1ms);
    clock_.Advance(1ms);
    EXPECT_EQ(ProcessPostedMessages(), 1u);
    EXPECT_EQ(ProcessPostedMessages(), 0u);
    clock_.Advance(200ms);
    EXPECT_EQ(ProcessMessagesUntilIdle(), 1u);
    clock_.Advance(1000ms);  // fell behind: one tick, not five
    EXPECT_EQ(ProcessMessagesUntilIdle(), 1u);
    EXPECT_EQ(TimerIds(), (std::vector<WPARAM>{7, 7, 7}));

    EXPECT_TRUE(KillTimer(window_.hwnd(), 7));
    EXPECT_FALSE(KillTimer(window_.hwnd(), 7));
    EXPECT_EQ(capspect::TimeUntilNextTimer(), std::nullopt);
    clock_.Advance(1000ms);
    EXPECT_EQ(ProcessPostedMessages(), 0u);
}

TEST_F(Timers, DueTimersFireInDueOrderAndAKilledOneDoesNotFire) {
    SetTimer(window_.hwnd(), 1, 300, nullptr);
    SetTimer(window_.hwnd(), 2, 100, nullptr);
    SetTimer(window_.hwnd(), 3, 0, nullptr);  // clamped to the platform minimum of 10 ms
    EXPECT_EQ(capspect::TimeUntilNextTimer(), 10ms);
    clock_.Advance(300ms);
    EXPECT_EQ(ProcessPostedMessages(), 3u);
    EXPECT_EQ(TimerIds(), (std::vector<WPARAM>{3, 2, 1}));

    const RecordingWindow killer([&](const Received&) { KillTimer(window_.hwnd(), 1); });
    SetTimer(killer.hwnd(), 9, 250, nullptr);
    SetTimer(window_.hwnd(), 1, 300, nullptr);  // restarted: due after the killer's timer
    KillTimer(window_.hwnd(), 2);
    KillTimer(window_.hwnd(), 3);
    clock_.Advance(300ms);
    EXPECT_EQ(ProcessPostedMessages(), 1u);
    EXPECT_EQ(killer.received().size(), 1u);
    EXPECT_EQ(window_.received().size(), 3u);
}

TEST_F(Timers, BelongToTheWindowAndItsThread) {
    std::thread([&] { EXPECT_EQ(SetTimer(window_.hwnd(), 1, 100, nullptr), 0u); }).join();
    auto doomed = std::make_unique<RecordingWindow>();
    SetTimer(doomed->hwnd(), 1, 100, nullptr);
    doomed.reset();
    EXPECT_EQ(capspect::TimeUntilNextTimer(), std::nullopt);
    clock_.Advance(100ms);
    EXPECT_EQ(ProcessPostedMessages(), 0u);
}

std::vector<UINT_PTR> timer_proc_calls;

TEST_F(Timers, ATimerProcedureIsCalledInsteadOfTheWindow) {
    timer_proc_calls.clear();
    SetTimer(window_.hwnd(), 4, 50,
             [](HWND, UINT, UINT_PTR id, DWORD) { timer_proc_calls.push_back(id); });
    clock_.Advance(50ms);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    DispatchMessageW(&msg);
    EXPECT_EQ(timer_proc_calls, (std::vector<UINT_PTR>{4}));
    EXPECT_TRUE(window_.received().empty());

    // A forged WM_TIMER naming an address is not called.
    MSG forged = msg;
    forged.wParam = 5;
    EXPECT_EQ(DispatchMessageW(&forged), 0);
    EXPECT_EQ(timer_proc_calls.size(), 1u);
}

}  // namespace
