// The graph manager's event queue: events wait here until the application takes them with
// GetEvent, and each queued event posts the application's notification message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/sdk/dshow/control.h"

namespace capspect::sim {

struct GraphEvent {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
};

// EC_DEVICE_LOST carries the device filter's IUnknown. The queue holds a reference on it
// from Push until the event is dropped, or, once GetEvent has handed the event out, until
// the application calls FreeEventParams: a filter that leaves its graph meanwhile (the
// application tears the graph down before it reads its events) stays a valid object for
// the handler. Takes the reference of a queued event.
void HoldEventParams(const GraphEvent& event);
// Gives back the reference HoldEventParams took; nothing for events that hold none.
void ReleaseEventParams(const GraphEvent& event);

// Delivers a notification message to a window, as PostMessageW does.
using NotifyPoster = std::function<void(OAHWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// The poster notification windows get when they are registered. The backend installs the
// platform's PostMessageW; until then notifications go nowhere.
void SetNotifyPoster(NotifyPoster poster);
NotifyPoster CurrentNotifyPoster();

class EventQueue {
public:
    EventQueue() = default;
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // A null window ends notification. The window keeps the poster current at this call.
    void SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData);
    // AM_MEDIAEVENT_NONOTIFY clears the queue and stops queuing and posting.
    void SetNotifyFlags(LONG flags);
    LONG NotifyFlags() const;

    // Queues the event and takes the references it holds (HoldEventParams).
    void Push(const GraphEvent& event);
    // The oldest event, waiting up to `timeout` for one (nothing: wait without limit). The
    // caller takes over the event's references.
    std::optional<GraphEvent> Pop(std::optional<std::chrono::milliseconds> timeout);
    void Clear();
    std::size_t Size() const;

private:
    // Takes the events out under the lock and releases them after it.
    void Drop(std::unique_lock<std::mutex>& lock);

    struct NotifyTarget {
        OAHWND window = 0;
        UINT message = 0;
        LONG_PTR instanceData = 0;
        NotifyPoster poster;
    };

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<GraphEvent> events_;
    NotifyTarget target_;
    LONG flags_ = 0;
};

}  // namespace capspect::sim
