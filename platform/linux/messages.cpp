#include "platform/sdk/messages.h"

#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/linux/clock.h"
#include "platform/linux/message_queue.h"
#include "platform/linux/messages.h"
#include "platform/sdk/clock.h"
#include "platform/support/hidden_window.h"
#include "platform/support/platform_context.h"

namespace capspect {
namespace {

struct Window {
    WindowProcedure procedure;
    std::shared_ptr<MessageQueue> queue;
};

// Every live window of the platform context, by handle. Handles count up and are never
// reused within the context.
class WindowRegistry {
public:
    static WindowRegistry& Instance() { return PlatformContext::Part<WindowRegistry>(); }

    HWND Add(WindowProcedure procedure, std::shared_ptr<MessageQueue> queue) {
        const std::lock_guard lock(mutex_);
        const std::uintptr_t key = next_key_++;
        windows_.emplace(key,
                         std::make_shared<Window>(Window{std::move(procedure), std::move(queue)}));
        return reinterpret_cast<HWND>(key);
    }

    std::shared_ptr<Window> Find(HWND hwnd) const {
        const std::lock_guard lock(mutex_);
        const auto found = windows_.find(reinterpret_cast<std::uintptr_t>(hwnd));
        return found == windows_.end() ? nullptr : found->second;
    }

    // Answers the removed window, so that its procedure is destroyed outside the lock.
    std::shared_ptr<Window> Remove(HWND hwnd) {
        const std::lock_guard lock(mutex_);
        const auto found = windows_.find(reinterpret_cast<std::uintptr_t>(hwnd));
        if (found == windows_.end()) {
            return nullptr;
        }
        std::shared_ptr<Window> removed = std::move(found->second);
        windows_.erase(found);
        return removed;
    }

    std::vector<std::shared_ptr<Window>> RemoveAllOf(const MessageQueue* queue) {
        std::vector<std::shared_ptr<Window>> removed;
        const std::lock_guard lock(mutex_);
        std::erase_if(windows_, [&](auto& entry) {
            if (entry.second->queue.get() != queue) {
                return false;
            }
            removed.push_back(std::move(entry.second));
            return true;
        });
        return removed;
    }

private:
    // Starts away from the small values the platform gives special meanings (HWND_BOTTOM).
    static constexpr std::uintptr_t kFirstKey = 0x10000;

    mutable std::mutex mutex_;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Window>> windows_;
    std::uintptr_t next_key_ = kFirstKey;
};

// The message queues of the context's threads, each made on its thread's first message
// call.
class ThreadQueues {
public:
    std::shared_ptr<MessageQueue> Of(std::thread::id thread) {
        const std::lock_guard lock(mutex_);
        std::shared_ptr<MessageQueue>& queue = queues_[thread];
        if (!queue) {
            queue = std::make_shared<MessageQueue>();
        }
        return queue;
    }

    std::shared_ptr<MessageQueue> Existing(std::thread::id thread) const {
        const std::lock_guard lock(mutex_);
        const auto found = queues_.find(thread);
        return found == queues_.end() ? nullptr : found->second;
    }

    std::shared_ptr<MessageQueue> Take(std::thread::id thread) {
        const std::lock_guard lock(mutex_);
        const auto found = queues_.find(thread);
        if (found == queues_.end()) {
            return nullptr;
        }
        std::shared_ptr<MessageQueue> queue = std::move(found->second);
        queues_.erase(found);
        return queue;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::thread::id, std::shared_ptr<MessageQueue>> queues_;
};

// When a thread ends, its queue and its windows go with it, as on the platform, so that
// posting to them fails instead of filling a queue nobody reads.
class ThreadEnd {
public:
    ~ThreadEnd() {
        ThreadQueues* const queues = PlatformContext::ExistingPart<ThreadQueues>();
        const std::shared_ptr<MessageQueue> queue =
            queues != nullptr ? queues->Take(std::this_thread::get_id()) : nullptr;
        WindowRegistry* const windows = PlatformContext::ExistingPart<WindowRegistry>();
        if (queue != nullptr && windows != nullptr) {
            windows->RemoveAllOf(queue.get());
        }
    }

    // Using the object makes it for the calling thread, so that it ends with the thread.
    void Arm() {}
};

thread_local ThreadEnd this_thread_end;

std::shared_ptr<MessageQueue> ThisThreadQueue() {
    this_thread_end.Arm();
    return PlatformContext::Part<ThreadQueues>().Of(std::this_thread::get_id());
}

MessageQueue& CurrentQueue() {
    // The context's part keeps the queue for as long as the context runs.
    return *ThisThreadQueue();
}

// The window, if it exists and belongs to the calling thread.
std::shared_ptr<Window> FindOwnWindow(HWND hwnd) {
    std::shared_ptr<Window> window = WindowRegistry::Instance().Find(hwnd);
    if (window == nullptr || window->queue != PlatformContext::Part<ThreadQueues>().Existing(
                                                  std::this_thread::get_id())) {
        return nullptr;
    }
    return window;
}

// Hands a message to its window's procedure, or a WM_TIMER to the timer's own procedure.
// Nothing when the window is gone or belongs to another thread.
std::optional<LRESULT> Deliver(const MSG& msg) {
    const std::shared_ptr<Window> window = FindOwnWindow(msg.hwnd);
    if (window == nullptr) {
        return std::nullopt;
    }
    if (msg.message == WM_TIMER && msg.lParam != 0) {
        // Only a timer that still exists with this procedure is called, never an address
        // taken from a message somebody posted.
        const TIMERPROC procedure = window->queue->Timers().ProcedureOf(msg.hwnd, msg.wParam);
        if (procedure == nullptr || reinterpret_cast<LPARAM>(procedure) != msg.lParam) {
            return std::nullopt;
        }
        procedure(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
        return 0;
    }
    return window->procedure(msg.message, msg.wParam, msg.lParam);
}

// One pump turn over what was queued and due when it began, at most `budget` messages.
std::size_t RunTurn(std::size_t budget) {
    MessageQueue& queue = CurrentQueue();
    const MessageQueue::Serial last = queue.BeginTurn();
    const std::chrono::milliseconds now = ActiveClock().Now();
    std::size_t handled = 0;
    while (handled < budget) {
        const std::optional<MSG> msg = queue.TakeUpTo(last);
        if (!msg) {
            break;
        }
        handled += Deliver(*msg) ? 1 : 0;
    }
    while (handled < budget) {
        const std::optional<MSG> msg = queue.Timers().TakeDue(MessageFilter{}, now, true);
        if (!msg) {
            break;
        }
        handled += Deliver(*msg) ? 1 : 0;
    }
    return handled;
}

}  // namespace

HWND AllocateHWnd(WindowProcedure procedure) {
    return WindowRegistry::Instance().Add(std::move(procedure), ThisThreadQueue());
}

void DeallocateHWnd(HWND hwnd) {
    if (hwnd != nullptr) {
        DestroyWindow(hwnd);
    }
}

std::exception_ptr TakeWindowProcedureFailure() {
    return nullptr;
}

std::size_t ProcessPostedMessages() {
    return RunTurn(std::numeric_limits<std::size_t>::max());
}

std::size_t ProcessMessagesUntilIdle(std::size_t limit) {
    std::size_t handled = 0;
    while (handled < limit) {
        const std::size_t turn = RunTurn(limit - handled);
        if (turn == 0) {
            break;
        }
        handled += turn;
    }
    return handled;
}

std::optional<std::chrono::milliseconds> TimeUntilNextTimer() {
    const std::optional<std::chrono::milliseconds> due = CurrentQueue().Timers().NextDue();
    if (!due) {
        return std::nullopt;
    }
    return std::max(*due - ActiveClock().Now(), std::chrono::milliseconds{0});
}

void SetWakeHandler(WakeHandler handler) {
    CurrentQueue().SetWakeHandler(std::move(handler));
}

}  // namespace capspect

using capspect::CurrentQueue;
using capspect::FindOwnWindow;
using capspect::MessageFilter;
using capspect::WindowRegistry;

LRESULT DefWindowProcW(HWND /*hwnd*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<capspect::Window> window = WindowRegistry::Instance().Find(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    const MSG msg{hwnd, message, wParam, lParam, timeGetTime(), {}};
    return window->queue->Post(msg) ? TRUE : FALSE;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<capspect::Window> window = FindOwnWindow(hwnd);
    if (window == nullptr) {
        return 0;
    }
    return window->procedure(message, wParam, lParam);
}

BOOL IsWindow(HWND hwnd) {
    return WindowRegistry::Instance().Find(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hwnd) {
    if (FindOwnWindow(hwnd) == nullptr) {
        return FALSE;
    }
    const std::shared_ptr<capspect::Window> removed = WindowRegistry::Instance().Remove(hwnd);
    if (removed == nullptr) {
        return FALSE;
    }
    removed->queue->Timers().KillAllOf(hwnd);
    removed->queue->DropMessagesFor(hwnd);
    return TRUE;
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr) {
        return FALSE;
    }
    capspect::MessageQueue& queue = CurrentQueue();
    const MessageFilter filter{hwnd, filterMin, filterMax};
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    if (const std::optional<MSG> posted = queue.Take(filter, remove)) {
        *msg = *posted;
        return TRUE;
    }
    if (hwnd == nullptr && filter.Matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {}})) {
        if (const std::optional<int> code = queue.TakeQuit(remove)) {
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(*code), 0, timeGetTime(), {}};
            return TRUE;
        }
    }
    const std::chrono::milliseconds now = capspect::ActiveClock().Now();
    if (const std::optional<MSG> timer = queue.Timers().TakeDue(filter, now, remove)) {
        *msg = *timer;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (msg == nullptr || (hwnd != nullptr && FindOwnWindow(hwnd) == nullptr)) {
        return -1;
    }
    capspect::MessageQueue& queue = CurrentQueue();
    for (;;) {
        const capspect::MessageQueue::Serial seen = queue.LastSerial();
        if (PeekMessageW(msg, hwnd, filterMin, filterMax, PM_REMOVE)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        queue.WaitForPostAfter(seen, capspect::TimeUntilNextTimer());
    }
}

BOOL TranslateMessage(const MSG* /*msg*/) {
    // Hidden message windows receive no keyboard input to translate.
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    return capspect::Deliver(*msg).value_or(0);
}

void PostQuitMessage(int exitCode) {
    CurrentQueue().RequestQuit(exitCode);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc) {
    const std::shared_ptr<capspect::Window> window = FindOwnWindow(hwnd);
    if (window == nullptr) {
        return 0;
    }
    const UINT clamped = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    window->queue->Timers().Set(hwnd, id, std::chrono::milliseconds{clamped}, timerProc,
                                capspect::ActiveClock().Now());
    window->queue->Wake();
    return id != 0 ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    const std::shared_ptr<capspect::Window> window = FindOwnWindow(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    return window->queue->Timers().Kill(hwnd, id) ? TRUE : FALSE;
}
