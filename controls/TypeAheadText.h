// The search text of type-ahead: the characters typed in quick succession.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

namespace capspect {

// Collects typed characters. A key that comes more than Delay() milliseconds after the one
// before it starts a new search text. Time is the platform's timeGetTime, so a test's
// TestClock decides how much time passes between keys.
class TTypeAheadText {
public:
    static constexpr DWORD kDefaultDelay = 500;

    DWORD Delay() const { return FDelay; }
    void SetDelay(DWORD delay) { FDelay = delay; }

    // Adds `typed` and answers the whole search text.
    const std::u16string& Type(std::u16string_view typed);
    // Forgets the search text, so the next key starts a new one.
    void Reset() { FText.clear(); }

private:
    DWORD FDelay = kDefaultDelay;
    DWORD FLastKeyTime = 0;
    std::u16string FText;
};

}  // namespace capspect
