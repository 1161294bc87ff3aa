#include "mediainfo/text_encoding.h"

#include <array>

#include "platform/support/unicode.h"

namespace capspect {
namespace {

// Windows-1252 characters of the bytes 0x80 to 0x9F; every other byte is the Latin-1
// character of the same value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::string Windows1252ToUtf8(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const std::uint8_t b : bytes) {
        text.push_back(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t{b});
    }
    return Utf16ToUtf8(text);
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    return Windows1252ToUtf8(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace capspect
