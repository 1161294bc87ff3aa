#include "platform/support/faults.h"

#include <gtest/gtest.h>

namespace {

using capspect::InjectedFault;
using capspect::ScopedFault;

TEST(FaultInjector, FailsAfterSkipForTheGivenNumberOfCalls) {
    const ScopedFault fault("ITest::Call", E_OUTOFMEMORY, 1, 2);
    EXPECT_FALSE(InjectedFault("ITest::Call"));
    EXPECT_EQ(InjectedFault("ITest::Call"), E_OUTOFMEMORY);
    EXPECT_EQ(InjectedFault("ITest::Call"), E_OUTOFMEMORY);
    EXPECT_FALSE(InjectedFault("ITest::Call"));
    EXPECT_FALSE(InjectedFault("ITest::Other"));
}

TEST(FaultInjector, UnlimitedFaultLastsUntilItsScopeEnds) {
    {
        const ScopedFault fault("ITest::Call", E_FAIL);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(InjectedFault("ITest::Call"), E_FAIL);
        }
    }
    EXPECT_FALSE(InjectedFault("ITest::Call"));
}

}  // namespace
