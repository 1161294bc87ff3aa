// GUID helpers the platform lacks: the registry text form as std::string and
// std::u16string, and the FOURCC media subtypes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

namespace capspect {

// Registry text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case hex digits.
std::string GuidToString(const GUID& guid);
std::u16string GuidToU16String(const GUID& guid);

// Parses the registry text form, braces required, hex digits of either case.
// Answers nothing for any other text.
std::optional<GUID> GuidFromString(std::string_view text);
std::optional<GUID> GuidFromString(std::u16string_view text);

inline constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) |
           (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

// The platform's FOURCC media subtype: the four characters as the little-endian first
// field, followed by -0000-0010-8000-00AA00389B71.
GUID FourCCGuid(DWORD fourcc);
inline GUID FourCCGuid(const char (&code)[5]) {
    return FourCCGuid(MakeFourCC(code[0], code[1], code[2], code[3]));
}

// The four characters of a FOURCC ("YUYV"), or its code in hex ("0xA0363159") when a byte
// is not a printable character (big-endian variants set the top bit of the last one).
std::string FourCCText(DWORD fourcc);

}  // namespace capspect
