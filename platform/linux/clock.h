// The clock behind timeGetTime, Sleep and window timers on Linux, and the virtual clock that
// tests install in its place.
#pragma once

#include <atomic>
#include <chrono>

#include "platform/sdk/clock.h"

namespace capspect {

// A monotonic millisecond clock. Its 64-bit count never wraps in practice, so code that
// keeps deadlines (window timers) uses it directly rather than the 32-bit timeGetTime.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::milliseconds Now() const = 0;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The machine's steady clock; the active clock unless a test installs another.
class SteadyClock final : public Clock {
public:
    std::chrono::milliseconds Now() const override;
    void Sleep(std::chrono::milliseconds duration) override;
};

// The clock timeGetTime, Sleep and the window timers use at this moment.
Clock& ActiveClock();

// A virtual clock for tests. Creating one makes it the active clock; destroying it restores
// the clock that was active before, so instances nest like scopes. Its time only moves
// through Advance and Sleep. Safe to read and advance from several threads.
class TestClock final : public Clock {
public:
    explicit TestClock(std::chrono::milliseconds start = std::chrono::milliseconds{0});
    ~TestClock() override;
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    std::chrono::milliseconds Now() const override;
    // Advances the time by `duration` and returns at once.
    void Sleep(std::chrono::milliseconds duration) override;
    void Advance(std::chrono::milliseconds duration);

private:
    std::atomic<std::chrono::milliseconds::rep> now_ms_;
    Clock* previous_;
};

}  // namespace capspect
