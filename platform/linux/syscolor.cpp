#include "platform/sdk/syscolor.h"

#include <array>
#include <atomic>

#include "platform/linux/syscolor.h"

namespace {

constexpr COLORREF Rgb(unsigned red, unsigned green, unsigned blue) {
    return red | (green << 8) | (blue << 16);
}

constexpr std::size_t kColorCount = COLOR_MENUBAR + 1;

// The platform's default colours; index 25 is unused and stays black.
std::array<std::atomic<COLORREF>, kColorCount>& SysColors() {
    static std::array<std::atomic<COLORREF>, kColorCount> colors{
        Rgb(200, 200, 200), Rgb(0, 0, 0),       Rgb(153, 180, 209), Rgb(191, 205, 219),
        Rgb(240, 240, 240), Rgb(255, 255, 255), Rgb(100, 100, 100), Rgb(0, 0, 0),
        Rgb(0, 0, 0),       Rgb(0, 0, 0),       Rgb(180, 180, 180), Rgb(244, 247, 252),
        Rgb(171, 171, 171), Rgb(0, 120, 215),   Rgb(255, 255, 255), Rgb(240, 240, 240),
        Rgb(160, 160, 160), Rgb(109, 109, 109), Rgb(0, 0, 0),       Rgb(0, 0, 0),
        Rgb(255, 255, 255), Rgb(105, 105, 105), Rgb(227, 227, 227), Rgb(0, 0, 0),
        Rgb(255, 255, 225), Rgb(0, 0, 0),       Rgb(0, 102, 204),   Rgb(185, 209, 234),
        Rgb(215, 228, 242), Rgb(51, 153, 255),  Rgb(240, 240, 240),
    };
    return colors;
}

}  // namespace

DWORD GetSysColor(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kColorCount) {
        return 0;
    }
    return SysColors()[static_cast<std::size_t>(index)].load();
}

namespace capspect {

void SetSysColor(int index, COLORREF color) {
    if (index >= 0 && static_cast<std::size_t>(index) < kColorCount) {
        SysColors()[static_cast<std::size_t>(index)].store(color);
    }
}

}  // namespace capspect
