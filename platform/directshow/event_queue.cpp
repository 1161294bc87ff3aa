#include "platform/directshow/event_queue.h"

#include "platform/support/platform_context.h"

namespace capspect::sim {

namespace {

struct PosterSlot {
    std::mutex mutex;
    NotifyPoster poster;
};

PosterSlot& Slot() {
    return capspect::PlatformContext::Part<PosterSlot>();
}

bool HoldsReference(const GraphEvent& event) {
    return event.code == EC_DEVICE_LOST && event.param1 != 0;
}

}  // namespace

void HoldEventParams(const GraphEvent& event) {
    if (HoldsReference(event)) {
        reinterpret_cast<IUnknown*>(event.param1)->AddRef();
    }
}

void ReleaseEventParams(const GraphEvent& event) {
    if (HoldsReference(event)) {
        reinterpret_cast<IUnknown*>(event.param1)->Release();
    }
}

EventQueue::~EventQueue() {
    for (const GraphEvent& event : events_) {
        ReleaseEventParams(event);
    }
}

void EventQueue::Drop(std::unique_lock<std::mutex>& lock) {
    std::deque<GraphEvent> dropped;
    dropped.swap(events_);
    lock.unlock();
    // A released filter may be destroyed here; that must not happen under the lock.
    for (const GraphEvent& event : dropped) {
        ReleaseEventParams(event);
    }
}

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
    std::unique_lock lock(mutex_);
    flags_ = flags;
    if ((flags & AM_MEDIAEVENT_NONOTIFY) != 0) {
        Drop(lock);
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
        HoldEventParams(event);
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
    std::unique_lock lock(mutex_);
    Drop(lock);
}

std::size_t EventQueue::Size() const {
    const std::lock_guard lock(mutex_);
    return events_.size();
}

}  // namespace capspect::sim
