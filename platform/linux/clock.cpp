#include "platform/sdk/clock.h"

#include <thread>

#include "platform/linux/clock.h"

namespace capspect {
namespace {

SteadyClock& MachineClock() {
    static SteadyClock clock;
    return clock;
}

std::atomic<Clock*>& ActiveClockSlot() {
    static std::atomic<Clock*> active{&MachineClock()};
    return active;
}

}  // namespace

std::chrono::milliseconds SteadyClock::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::Sleep(std::chrono::milliseconds duration) {
    if (duration.count() <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(duration);
}

Clock& ActiveClock() {
    return *ActiveClockSlot().load();
}

TestClock::TestClock(std::chrono::milliseconds start)
    : now_ms_(start.count()), previous_(ActiveClockSlot().exchange(this)) {}

TestClock::~TestClock() {
    ActiveClockSlot().store(previous_);
}

std::chrono::milliseconds TestClock::Now() const {
    return std::chrono::milliseconds{now_ms_.load()};
}

void TestClock::Sleep(std::chrono::milliseconds duration) {
    Advance(duration);
}

void TestClock::Advance(std::chrono::milliseconds duration) {
    if (duration.count() > 0) {
        now_ms_.fetch_add(duration.count());
    }
}

}  // namespace capspect

DWORD timeGetTime() {
    // Keeping the low 32 bits is the platform's wrap-around.
    return static_cast<DWORD>(capspect::ActiveClock().Now().count());
}

void Sleep(DWORD ms) {
    capspect::ActiveClock().Sleep(std::chrono::milliseconds{ms});
}
