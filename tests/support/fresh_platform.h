// The platform context every test runs in (fresh_platform.cpp).
#pragma once

namespace capspect::test {

// Ends the running test's platform context early, for tests of contexts themselves.
void EndTestPlatform();

}  // namespace capspect::test
