// The platform writes result codes as unsigned hex; this turns such a pattern into an
// HRESULT, the same bits as a signed 32-bit value.
#pragma once

#include <cstdint>

#include <windows.h>

namespace capspect {

constexpr HRESULT HResultFromBits(std::uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

}  // namespace capspect
