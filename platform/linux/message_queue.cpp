#include "platform/linux/message_queue.h"

#include <algorithm>
#include <utility>

#include "platform/linux/messages.h"

namespace capspect {

bool MessageFilter::Matches(const MSG& msg) const {
    if (hwnd != nullptr && msg.hwnd != hwnd) {
        return false;
    }
    if (min == 0 && max == 0) {
        return true;
    }
    return msg.message >= min && msg.message <= max;
}

void TimerSet::Set(HWND hwnd, UINT_PTR id, std::chrono::milliseconds interval, TIMERPROC procedure,
                   std::chrono::milliseconds now) {
    const Timer timer{hwnd, id, interval, now + interval, procedure};
    if (const auto existing = Find(hwnd, id); existing != timers_.end()) {
        *existing = timer;
    } else {
        timers_.push_back(timer);
    }
}

bool TimerSet::Kill(HWND hwnd, UINT_PTR id) {
    const auto existing = Find(hwnd, id);
    if (existing == timers_.end()) {
        return false;
    }
    timers_.erase(existing);
    return true;
}

void TimerSet::KillAllOf(HWND hwnd) {
    std::erase_if(timers_, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
}

std::optional<MSG> TimerSet::TakeDue(const MessageFilter& filter, std::chrono::milliseconds now,
                                     bool restart) {
    auto earliest = timers_.end();
    for (auto timer = timers_.begin(); timer != timers_.end(); ++timer) {
        const MSG candidate{timer->hwnd, WM_TIMER, timer->id, 0, 0, {}};
        if (timer->due <= now && filter.Matches(candidate) &&
            (earliest == timers_.end() || timer->due < earliest->due)) {
            earliest = timer;
        }
    }
    if (earliest == timers_.end()) {
        return std::nullopt;
    }
    if (restart) {
        earliest->due = now + earliest->interval;
    }
    return MSG{earliest->hwnd,
               WM_TIMER,
               earliest->id,
               reinterpret_cast<LPARAM>(earliest->procedure),
               static_cast<DWORD>(now.count()),
               {}};
}

std::optional<std::chrono::milliseconds> TimerSet::NextDue() const {
    const auto earliest = std::min_element(
        timers_.begin(), timers_.end(),
        [](const Timer& left, const Timer& right) { return left.due < right.due; });
    if (earliest == timers_.end()) {
        return std::nullopt;
    }
    return earliest->due;
}

TIMERPROC TimerSet::ProcedureOf(HWND hwnd, UINT_PTR id) const {
    const auto existing = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
        return timer.hwnd == hwnd && timer.id == id;
    });
    return existing == timers_.end() ? nullptr : existing->procedure;
}

std::vector<TimerSet::Timer>::iterator TimerSet::Find(HWND hwnd, UINT_PTR id) {
    return std::find_if(timers_.begin(), timers_.end(),
                        [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
}

bool MessageQueue::Post(const MSG& msg) {
    WakeHandler wake;
    {
        const std::lock_guard lock(mutex_);
        if (messages_.size() >= kCapacity) {
            return false;
        }
        messages_.push_back({msg, ++last_serial_});
        wake = ClaimWake(lock);
    }
    posted_.notify_all();
    if (wake) {
        wake();
    }
    return true;
}

void MessageQueue::Wake() {
    WakeHandler wake;
    {
        const std::lock_guard lock(mutex_);
        wake = ClaimWake(lock);
    }
    if (wake) {
        wake();
    }
}

void MessageQueue::SetWakeHandler(WakeHandler handler) {
    const std::lock_guard lock(mutex_);
    wake_handler_ = std::move(handler);
    wake_pending_ = false;
}

WakeHandler MessageQueue::ClaimWake(const std::lock_guard<std::mutex>& /*held*/) {
    if (wake_pending_ || !wake_handler_) {
        return {};
    }
    wake_pending_ = true;
    return wake_handler_;
}

MessageQueue::Serial MessageQueue::BeginTurn() {
    const std::lock_guard lock(mutex_);
    wake_pending_ = false;
    return last_serial_;
}

MessageQueue::Serial MessageQueue::LastSerial() const {
    const std::lock_guard lock(mutex_);
    return last_serial_;
}

std::optional<MSG> MessageQueue::TakeUpTo(Serial last) {
    const std::lock_guard lock(mutex_);
    if (messages_.empty() || messages_.front().serial > last) {
        return std::nullopt;
    }
    const MSG msg = messages_.front().msg;
    messages_.pop_front();
    return msg;
}

std::optional<MSG> MessageQueue::Take(const MessageFilter& filter, bool remove) {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(messages_.begin(), messages_.end(), [&](const Posted& posted) {
        return filter.Matches(posted.msg);
    });
    if (found == messages_.end()) {
        return std::nullopt;
    }
    const MSG msg = found->msg;
    if (remove) {
        messages_.erase(found);
        wake_pending_ = false;
    }
    return msg;
}

void MessageQueue::DropMessagesFor(HWND hwnd) {
    const std::lock_guard lock(mutex_);
    std::erase_if(messages_, [hwnd](const Posted& posted) { return posted.msg.hwnd == hwnd; });
}

void MessageQueue::RequestQuit(int exitCode) {
    {
        const std::lock_guard lock(mutex_);
        quit_code_ = exitCode;
    }
    posted_.notify_all();
}

std::optional<int> MessageQueue::TakeQuit(bool remove) {
    const std::lock_guard lock(mutex_);
    const std::optional<int> code = quit_code_;
    if (remove) {
        quit_code_.reset();
    }
    return code;
}

void MessageQueue::WaitForPostAfter(Serial seen, std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return last_serial_ != seen || quit_code_.has_value(); };
    if (timeout) {
        posted_.wait_for(lock, *timeout, ready);
    } else {
        posted_.wait(lock, ready);
    }
}

}  // namespace capspect
