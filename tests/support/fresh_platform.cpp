// Every test starts from a clean platform: a platform context of its own for the whole
// test, fixture included, which ends when the test has ended. Linked into every test
// program.
#include "tests/support/fresh_platform.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/support/platform_context.h"

namespace capspect::test {
namespace {

class FreshPlatformPerTest : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo& /*test*/) override { context_.emplace(); }
    void OnTestEnd(const ::testing::TestInfo& /*test*/) override { End(); }

    void End() { context_.reset(); }

private:
    std::optional<PlatformContext> context_;
};

// Owned by GoogleTest's listener list once appended.
FreshPlatformPerTest* const listener = [] {
    auto* made = new FreshPlatformPerTest;
    ::testing::UnitTest::GetInstance()->listeners().Append(made);
    return made;
}();

}  // namespace

void EndTestPlatform() {
    listener->End();
}

}  // namespace capspect::test
