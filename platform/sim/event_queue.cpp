#include "platform/sim/event_queue.h"

namespace capspect::sim {

namespace {

struct PosterSlot {
    std::mutex mutex;
    NotifyPoster poster;
};

PosterSlot& Slot() {
    static PosterSlot slot;
    return slot;
}

}  // namespace

void SetNotifyPoster(NotifyPoster poster) {
    const std::lock_guard lock(Slot().mutex);
    Slot().poster = std::move(poster);
}

NotifyPoster CurrentNotifyPoster() {
    const std::lock_guard lock(Slot().mutex);
    return Slot().poster;
}

void EventQueue::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
    NotifyTarget target{window, static_cast<UINT>(message), instanceData,
                        window != 0 ? CurrentNotifyPoster() : NotifyPoster()};
    const std::lock_guard lock(mutex_);
    target_ = std::move(target);
}

void EventQueue::SetNotifyFlags(LONG flags) {
    const std::lock_guard lock(mutex_);
    flags_ = flags;
    if ((flags & AM_MEDIAEVENT_NONOTIFY) != 0) {
        events_.clear();
    }
}

LONG EventQueue::NotifyFlags() const {
    const std::lock_guard lock(mutex_);
    return flags_;
}

void EventQueue::Push(const GraphEvent& event) {
    NotifyTarget target;
    {
        const std::lock_guard lock(mutex_);
        if ((flags_ & AM_MEDIAEVENT_NONOTIFY) != 0) {
            return;
        }
        events_.push_back(event);
        target = target_;
    }
    arrived_.notify_all();
    // Posted outside the lock: the poster may run the receiver's code at once.
    if (target.window != 0 && target.poster) {
        target.poster(target.window, target.message, 0, target.instanceData);
    }
}

std::optional<GraphEvent> EventQueue::Pop(std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return !events_.empty(); };
    if (timeout) {
        if (!arrived_.wait_for(lock, *timeout, ready)) {
            return std::nullopt;
        }
    } else {
        arrived_.wait(lock, ready);
    }
    const GraphEvent event = events_.front();
    events_.pop_front();
    return event;
}

void EventQueue::Clear() {
    const std::lock_guard lock(mutex_);
    events_.clear();
}

std::size_t EventQueue::Size() const {
    const std::lock_guard lock(mutex_);
    return events_.size();
}

}  // namespace capspect::sim
