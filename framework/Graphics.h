// Colours as the components see them: a TColor is an RGB value (red in the low byte) or,
// with the top byte 0xFF, the index of a system colour that ColorToRGB resolves.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

namespace capspect {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clFuchsia = 0xFF00FF;
// No colour at all (nothing transparent, nothing drawn).
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
// The marker of a system colour; the low byte is the platform's COLOR_* index.
inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000U);

// The RGB value of a colour: a system colour is looked up, every other value is passed on
// unchanged.
COLORREF ColorToRGB(TColor Color);

}  // namespace capspect
