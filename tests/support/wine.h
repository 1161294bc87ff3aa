// Test support: telling Wine from Windows. make test-windows runs under Wine, whose
// DirectShow is a real implementation with gaps; a test that needs what Wine lacks says so
// and is skipped there, never passed.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

namespace capspect::test {

inline bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace capspect::test

// Skips the rest of the test under Wine, with the gap named.
#define CAPSPECT_SKIP_UNDER_WINE(gap)         \
    if (::capspect::test::RunningUnderWine()) \
    GTEST_SKIP() << "Wine: " << (gap)
