#include "platform/linux/clock.h"
#include "platform/sdk/clock.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using capspect::TestClock;

TEST(TestClock, NestsAndRestoresTheClockActiveBefore) {
    const TestClock outer(1000ms);
    {
        const TestClock inner(5ms);
        EXPECT_EQ(timeGetTime(), 5u);
        EXPECT_EQ(&capspect::ActiveClock(), &inner);
    }
    EXPECT_EQ(timeGetTime(), 1000u);
    EXPECT_EQ(&capspect::ActiveClock(), &outer);
}

TEST(TestClock, TimeGetTimeWrapsAt32BitsAndUnsignedDifferencesStayRight) {
    TestClock clock(std::chrono::milliseconds{0xFFFFFFF0});
    const DWORD start = timeGetTime();
    EXPECT_EQ(start, 0xFFFFFFF0u);
    clock.Advance(0x20ms);
    EXPECT_EQ(timeGetTime(), 0x10u);
    EXPECT_EQ(static_cast<DWORD>(timeGetTime() - start), 0x20u);
    // The clock underneath keeps counting; only the platform's counter wraps.
    EXPECT_EQ(clock.Now(), std::chrono::milliseconds{0x100000010});
}

TEST(TestClock, SleepAdvancesVirtualTimeSoPollingLoopsRunTheirCourse) {
    // A loop in the manner of the video fades: poll the counter, sleep 5 ms, until 100 ms
    // have passed, across the point where the counter wraps.
    const TestClock clock(std::chrono::milliseconds{0xFFFFFFFF - 40});
    const DWORD start = timeGetTime();
    const DWORD duration = 100;
    int steps = 0;
    float alpha = 0.0f;
    DWORD elapsed = 0;
    do {
        elapsed = std::max<DWORD>(timeGetTime() - start, 1);
        alpha = std::min(static_cast<float>(elapsed) / static_cast<float>(duration), 1.0f);
        Sleep(5);
        ++steps;
    } while (duration >= elapsed);
    EXPECT_EQ(alpha, 1.0f);
    EXPECT_EQ(steps, 22);  // elapsed 1, 5, 10, ..., 100, 105
    EXPECT_EQ(static_cast<DWORD>(timeGetTime() - start), 110u);
}

TEST(TestClock, AdvanceIgnoresNegativeDurations) {
    TestClock clock(50ms);
    clock.Advance(-10ms);
    Sleep(0);
    EXPECT_EQ(clock.Now(), 50ms);
}

TEST(SteadyClock, IsActiveWithoutATestClockAndNeverGoesBack) {
    capspect::SteadyClock steady;
    EXPECT_NE(dynamic_cast<capspect::SteadyClock*>(&capspect::ActiveClock()), nullptr);
    const auto first = steady.Now();
    steady.Sleep(1ms);
    EXPECT_GT(steady.Now(), first);
}

}  // namespace
