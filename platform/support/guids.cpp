#include "platform/support/guids.h"

#include <cstdint>
#include <iterator>

#include <dshow.h>

#include "platform/support/hex_text.h"

namespace capspect {
namespace {

constexpr std::size_t kGuidTextLength = 38;

int HexValue(char32_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<int>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<int>(c - 'A' + 10);
    }
    return -1;
}

// Reads `digits` hex digits at `pos`; answers nothing when one of them is not hex.
template <typename CharT>
std::optional<std::uint32_t> ReadHex(std::basic_string_view<CharT> text, std::size_t pos,
                                     int digits) {
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexValue(static_cast<char32_t>(text[pos + i]));
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

template <typename CharT>
std::optional<GUID> ParseGuid(std::basic_string_view<CharT> text) {
    if (text.size() != kGuidTextLength || text[0] != '{' || text[37] != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    GUID guid;
    const auto d1 = ReadHex(text, 1, 8);
    const auto d2 = ReadHex(text, 10, 4);
    const auto d3 = ReadHex(text, 15, 4);
    if (!d1 || !d2 || !d3) {
        return std::nullopt;
    }
    guid.Data1 = *d1;
    guid.Data2 = static_cast<WORD>(*d2);
    guid.Data3 = static_cast<WORD>(*d3);
    constexpr std::size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        const auto byte = ReadHex(text, kBytePositions[i], 2);
        if (!byte) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<BYTE>(*byte);
    }
    return guid;
}

}  // namespace

std::string GuidToString(const GUID& guid) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; reports write one per format, so the digits
    // are written directly rather than through a format string.
    std::string text(kGuidTextLength, '-');
    char* out = text.data();
    *out++ = '{';
    out = WriteHexDigits(out, guid.Data1, 8) + 1;
    out = WriteHexDigits(out, guid.Data2, 4) + 1;
    out = WriteHexDigits(out, guid.Data3, 4) + 1;
    out = WriteHexDigits(out, guid.Data4[0], 2);
    out = WriteHexDigits(out, guid.Data4[1], 2) + 1;
    for (std::size_t i = 2; i < std::size(guid.Data4); ++i) {
        out = WriteHexDigits(out, guid.Data4[i], 2);
    }
    *out = '}';
    return text;
}

std::u16string GuidToU16String(const GUID& guid) {
    const std::string text = GuidToString(guid);
    return std::u16string(text.begin(), text.end());
}

std::optional<GUID> GuidFromString(std::string_view text) {
    return ParseGuid(text);
}
std::optional<GUID> GuidFromString(std::u16string_view text) {
    return ParseGuid(text);
}

GUID FourCCGuid(DWORD fourcc) {
    // The platform's own FOURCC types share this tail; MEDIATYPE_Video is 'vids'.
    GUID guid = MEDIATYPE_Video;
    guid.Data1 = fourcc;
    return guid;
}

std::string FourCCText(DWORD fourcc) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto c = static_cast<unsigned char>((fourcc >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            return HexCode(static_cast<std::uint32_t>(fourcc));
        }
        text += static_cast<char>(c);
    }
    return text;
}

}  // namespace capspect
