// GUID: the platform's 16-byte identifier, its registry text form and FOURCC subtypes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sdk/hresult.h"
#include "platform/sdk/wintypes.h"

struct GUID {
    DWORD Data1 = 0;
    WORD Data2 = 0;
    WORD Data3 = 0;
    std::array<BYTE, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};
inline constexpr const GUID& IID_NULL = GUID_NULL;
inline constexpr const GUID& CLSID_NULL = GUID_NULL;

constexpr bool IsEqualGUID(REFGUID a, REFGUID b) {
    return a == b;
}
constexpr bool IsEqualIID(REFIID a, REFIID b) {
    return a == b;
}
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return a == b;
}

// The platform's FOURCC media subtype: the four characters as the little-endian first
// field, followed by -0000-0010-8000-00AA00389B71.
constexpr GUID FourCCGuid(DWORD fourcc) {
    return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) |
           (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}
constexpr GUID FourCCGuid(const char (&code)[5]) {
    return FourCCGuid(MakeFourCC(code[0], code[1], code[2], code[3]));
}

namespace capspect {

// Registry text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case hex digits.
std::string GuidToString(const GUID& guid);
std::u16string GuidToU16String(const GUID& guid);

// Parses the registry text form, braces required, hex digits of either case.
// Answers nothing for any other text.
std::optional<GUID> GuidFromString(std::string_view text);
std::optional<GUID> GuidFromString(std::u16string_view text);

}  // namespace capspect

// The platform's calls for the registry text form. StringFromGUID2 answers the number
// of characters written including the terminating NUL, 0 when the buffer is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);
