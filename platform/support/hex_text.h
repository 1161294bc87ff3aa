// 32-bit values (result codes, FourCCs, GUID fields) as the program shows them in
// hexadecimal: upper-case digits.
#pragma once

#include <cstdint>
#include <string>

namespace capspect {

// Writes the `digits` low hexadecimal digits of `value` at `out`; answers the end.
inline char* WriteHexDigits(char* out, std::uint32_t value, int digits) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kDigits[value & 0xF];
        value >>= 4;
    }
    return out + digits;
}

// Eight digits: "8004025A".
inline std::string HexDigits(std::uint32_t value) {
    std::string text(8, '0');
    WriteHexDigits(text.data(), value, 8);
    return text;
}

// The same after "0x": "0x8004025A".
inline std::string HexCode(std::uint32_t value) {
    return "0x" + HexDigits(value);
}

}  // namespace capspect
