#include "framework/Graphics.h"

#include "platform/syscolor.h"

namespace capspect {

COLORREF ColorToRGB(TColor Color) {
    if (Color < 0) {
        return GetSysColor(static_cast<int>(Color & 0xFF));
    }
    return static_cast<COLORREF>(Color);
}

}  // namespace capspect
