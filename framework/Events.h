// The framework's event types. An event is a function object that the code owning it
// fires only when it is assigned (holds a target).
#pragma once

#include <functional>
#include <utility>

namespace capspect {

class TComponent;

// The plain notification: who fired it.
using TNotifyEvent = std::function<void(TComponent& Sender)>;

// Fires `event` with `args` when it is assigned.
template <typename Event, typename... Args>
void FireEvent(const Event& event, Args&&... args) {
    if (event) {
        event(std::forward<Args>(args)...);
    }
}

}  // namespace capspect
