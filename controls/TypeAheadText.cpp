#include "controls/TypeAheadText.h"

#include <windows.h>

namespace capspect {

const std::u16string& TTypeAheadText::Type(std::u16string_view typed) {
    const DWORD now = timeGetTime();
    // Unsigned subtraction stays right when the millisecond counter wraps around.
    if (now - FLastKeyTime > FDelay) {
        FText.clear();
    }
    FLastKeyTime = now;
    FText += typed;
    return FText;
}

}  // namespace capspect
