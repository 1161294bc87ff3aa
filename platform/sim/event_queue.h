// The graph manager's event queue: events wait here until the application takes them with
// GetEvent, and each queued event posts the application's notification message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/dshow/control.h"

namespace capspect::sim {

struct GraphEvent {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
};

// Delivers a notification message to a window, as PostMessageW does.
using NotifyPoster = std::function<void(OAHWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// The poster notification windows get when they are registered. The backend installs the
// platform's PostMessageW; until then notifications go nowhere.
void SetNotifyPoster(NotifyPoster poster);
NotifyPoster CurrentNotifyPoster();

class EventQueue {
public:
    // A null window ends notification. The window keeps the poster current at this call.
    void SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData);
    // AM_MEDIAEVENT_NONOTIFY clears the queue and stops queuing and posting.
    void SetNotifyFlags(LONG flags);
    LONG NotifyFlags() const;

    void Push(const GraphEvent& event);
    // The oldest event, waiting up to `timeout` for one (nothing: wait without limit).
    std::optional<GraphEvent> Pop(std::optional<std::chrono::milliseconds> timeout);
    void Clear();
    std::size_t Size() const;

private:
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
