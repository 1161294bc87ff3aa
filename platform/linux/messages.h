// The message loop of the platform layer on Linux as tests and front ends drive it: handling
// what is queued, the time to the next timer, and waking a toolkit's event loop.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

#include "platform/sdk/messages.h"

namespace capspect {

// Handles the messages posted to the calling thread's windows before the call, then the
// timers due at the time of the call, and answers how many messages reached a window.
// Messages posted while handling wait for the next call. WM_QUIT is left for GetMessageW.
std::size_t ProcessPostedMessages();

constexpr std::size_t kDefaultMessageLimit = 10000;

// Handles messages until none is left, including those posted while handling, and answers
// how many were handled. Stops after `limit` messages so that a handler that keeps
// re-posting cannot hang the caller; the queue then is not empty.
std::size_t ProcessMessagesUntilIdle(std::size_t limit = kDefaultMessageLimit);

// Time until the calling thread's next timer is due (zero when one is overdue), or nothing
// when the thread has no timer; a real event loop waits at most this long.
std::optional<std::chrono::milliseconds> TimeUntilNextTimer();

// Called when the calling thread's queue gets work while it was idle: a message posted from
// any thread, or a timer set. It runs on the posting thread, so it only schedules a pump on
// the owning thread (a GUI toolkit posts an event to its own loop). It is called once until
// the owning thread pumps again. An empty handler removes it.
using WakeHandler = std::function<void()>;
void SetWakeHandler(WakeHandler handler);

}  // namespace capspect
