// 32-bit values (result codes, FourCCs) as the program shows them in hexadecimal.
#pragma once

#include <cstdint>
#include <string>

namespace capspect {

// Eight upper-case hexadecimal digits: "8004025A".
inline std::string HexDigits(std::uint32_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, value >>= 4) {
        *digit = kDigits[value & 0xF];
    }
    return text;
}

// The same after "0x": "0x8004025A".
inline std::string HexCode(std::uint32_t value) {
    return "0x" + HexDigits(value);
}

}  // namespace capspect
