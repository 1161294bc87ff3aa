// GUID: the platform's 16-byte identifier and the calls for its registry text form.
#pragma once

#include <array>

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
using LPCLSID = CLSID*;

inline const GUID GUID_NULL{};
inline const GUID& IID_NULL = GUID_NULL;
inline const GUID& CLSID_NULL = GUID_NULL;

constexpr bool IsEqualGUID(REFGUID a, REFGUID b) {
    return a == b;
}
constexpr bool IsEqualIID(REFIID a, REFIID b) {
    return a == b;
}
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return a == b;
}

namespace capspect::sdk {

// The FOURCC media subtypes' GUID (the code, then -0000-0010-8000-00AA00389B71), for the
// declarations of the media types.
constexpr GUID FourCCSubtype(DWORD code) {
    return GUID{code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr GUID FourCCSubtype(const char (&code)[5]) {
    DWORD fourcc = 0;
    for (int i = 3; i >= 0; --i) {
        fourcc = (fourcc << 8) | static_cast<BYTE>(code[i]);
    }
    return FourCCSubtype(fourcc);
}

}  // namespace capspect::sdk

// The platform's calls for the registry text form. StringFromGUID2 answers the number
// of characters written including the terminating NUL, 0 when the buffer is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity);
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);
