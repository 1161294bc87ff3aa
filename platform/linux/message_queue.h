// The message queue of one thread and its window timers. Internal to the platform layer;
// components use platform/messages.h.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/linux/messages.h"
#include "platform/sdk/messages.h"

namespace capspect {

// Which messages a PeekMessageW/GetMessageW call takes.
struct MessageFilter {
    HWND hwnd = nullptr;  // null: any window of the thread
    UINT min = 0;         // 0..0: any message number
    UINT max = 0;

    bool Matches(const MSG& msg) const;
};

// The timers of one thread's windows. Used only by the owning thread, so it needs no lock.
class TimerSet {
public:
    void Set(HWND hwnd, UINT_PTR id, std::chrono::milliseconds interval, TIMERPROC procedure,
             std::chrono::milliseconds now);
    bool Kill(HWND hwnd, UINT_PTR id);
    void KillAllOf(HWND hwnd);

    // The WM_TIMER message of the earliest timer due at `now` that passes the filter. When
    // `restart` is set the timer is next due one interval after `now`, so a timer that fell
    // behind ticks once rather than once per missed interval.
    std::optional<MSG> TakeDue(const MessageFilter& filter, std::chrono::milliseconds now,
                               bool restart);
    std::optional<std::chrono::milliseconds> NextDue() const;
    // The TIMERPROC of a live timer, or null.
    TIMERPROC ProcedureOf(HWND hwnd, UINT_PTR id) const;

private:
    struct Timer {
        HWND hwnd;
        UINT_PTR id;
        std::chrono::milliseconds interval;
        std::chrono::milliseconds due;
        TIMERPROC procedure;
    };

    std::vector<Timer>::iterator Find(HWND hwnd, UINT_PTR id);

    std::vector<Timer> timers_;
};

// Posted messages of one thread. Any thread posts; only the owning thread takes.
class MessageQueue {
public:
    using Serial = std::uint64_t;
    static constexpr std::size_t kCapacity = 10000;

    // False when the queue is full.
    bool Post(const MSG& msg);
    // Calls the wake handler unless a wake is already pending (timers changed).
    void Wake();
    void SetWakeHandler(WakeHandler handler);

    // Starts a pump turn: clears the pending wake and answers the serial of the last
    // message posted so far, which bounds what the turn handles.
    Serial BeginTurn();
    Serial LastSerial() const;
    // The oldest message if it was posted no later than `last`.
    std::optional<MSG> TakeUpTo(Serial last);
    // The oldest message that passes the filter; removed from the queue when `remove`.
    std::optional<MSG> Take(const MessageFilter& filter, bool remove);
    void DropMessagesFor(HWND hwnd);

    void RequestQuit(int exitCode);
    std::optional<int> TakeQuit(bool remove);

    // Waits until a message is posted after `seen`, a quit is requested, or `timeout` ends.
    void WaitForPostAfter(Serial seen, std::optional<std::chrono::milliseconds> timeout);

    TimerSet& Timers() { return timers_; }

private:
    struct Posted {
        MSG msg;
        Serial serial;
    };

    // Marks a wake as pending and answers the handler to call, outside the lock.
    WakeHandler ClaimWake(const std::lock_guard<std::mutex>& held);

    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Posted> messages_;
    Serial last_serial_ = 0;
    std::optional<int> quit_code_;
    bool wake_pending_ = false;
    WakeHandler wake_handler_;
    TimerSet timers_;
};

}  // namespace capspect
