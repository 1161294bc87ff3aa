#include "platform/support/platform_context.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/com.h"
#include "platform/linux/messages.h"
#include "platform/sdk/messages.h"
#include "platform/support/faults.h"
#include "platform/support/hidden_window.h"
#include "tests/support/fresh_platform.h"

namespace capspect {
namespace {

std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

struct First {
    First() { Log().push_back("make first"); }
    ~First() { Log().push_back("end first"); }
};

// Reaches the first part as it ends, as a registry's entries may reach another table.
struct Second {
    Second() { Log().push_back("make second"); }
    ~Second() {
        PlatformContext::Part<First>();
        Log().push_back("end second");
    }
};

// A part that makes another while it is made.
struct Third {
    Third() {
        PlatformContext::Part<Second>();
        Log().push_back("make third");
    }
    ~Third() { Log().push_back("end third"); }
};

// Reaches a part made after it, which has ended by then.
struct Late {
    Late() { Log().push_back("make late"); }
    ~Late() { Log().push_back("end late"); }
};
struct Early {
    ~Early() {
        PlatformContext::Part<Late>();
        Log().push_back("end early");
    }
};

class PlatformContextTest : public ::testing::Test {
protected:
    // These tests make their own contexts.
    void SetUp() override {
        test::EndTestPlatform();
        Log().clear();
    }
};

TEST_F(PlatformContextTest, PartsAreMadeOnceOnFirstUseAndEndInTheReverseOrder) {
    {
        const PlatformContext context;
        EXPECT_EQ(PlatformContext::ExistingPart<First>(), nullptr);
        First* const first = &PlatformContext::Part<First>();
        EXPECT_EQ(&PlatformContext::Part<First>(), first);
        EXPECT_EQ(PlatformContext::ExistingPart<First>(), first);
        PlatformContext::Part<Third>();
        EXPECT_EQ(PlatformContext::PartCount(), 3u);
    }
    EXPECT_EQ(Log(), (std::vector<std::string>{"make first", "make second", "make third",
                                               "end third", "end second", "end first"}));
    EXPECT_FALSE(PlatformContext::Running());
    EXPECT_EQ(PlatformContext::ExistingPart<First>(), nullptr);
}

TEST_F(PlatformContextTest, APartReachedAfterItEndedIsMadeAgainAndEndsInItsTurn) {
    {
        const PlatformContext context;
        PlatformContext::Part<Early>();
        PlatformContext::Part<Late>();
    }
    EXPECT_EQ(Log(), (std::vector<std::string>{"make late", "end late", "make late", "end early",
                                               "end late"}));
}

TEST_F(PlatformContextTest, ANewContextStartsFromACleanPlatform) {
    constexpr CLSID kClass{0xC0DE0001, 0x1, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::optional<PlatformContext> context;
    context.emplace();
    ClassRegistry::Instance().Register(kClass, [](REFIID, void**) { return E_NOTIMPL; });
    FaultInjector::Instance().Arm("Call", E_FAIL);
    int delivered = 0;
    const HWND window = AllocateHWnd([&](UINT, WPARAM, LPARAM) {
        ++delivered;
        return LRESULT{0};
    });
    ASSERT_TRUE(PostMessageW(window, WM_USER, 0, 0));

    context.emplace();
    EXPECT_FALSE(ClassRegistry::Instance().IsRegistered(kClass));
    EXPECT_EQ(InjectedFault("Call"), std::nullopt);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ProcessMessagesUntilIdle(), 0u);
    EXPECT_EQ(delivered, 0);
    context.reset();
}

TEST_F(PlatformContextTest, ThePlatformIsNotUsedOutsideAContext) {
    EXPECT_EQ(PlatformContext::ExistingPart<First>(), nullptr);
    EXPECT_DEATH(PlatformContext::Part<First>(), "outside a platform context");
    EXPECT_DEATH(
        {
            const PlatformContext context;
            const PlatformContext second;
        },
        "a second platform context");
}

}  // namespace
}  // namespace capspect
