// Basic scalar and record types of the Windows platform, with the platform's names and
// sizes, so that code written against the platform reads the same here.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using LCID = DWORD;
using LCTYPE = DWORD;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORDLONG = std::uint64_t;
using LONG_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HANDLE = void*;
using HGLOBAL = HANDLE;

// UTF-16 code unit. The platform's WCHAR is a 16-bit wchar_t; char16_t is the portable
// 16-bit character type, and std::u16string data passes to platform calls as LPCWSTR.
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// The calling convention of COM methods and platform calls: __stdcall on 32-bit Windows,
// the one calling convention there is here. Methods of our own COM objects carry it, so
// that they override the platform's declarations on every target.
#define STDMETHODCALLTYPE
#define WINAPI

// Macros, as on the platform, so that other C libraries that define them agree.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Time in 100 ns units, as DirectShow counts it.
using REFERENCE_TIME = LONGLONG;

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};

using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct POINT {
    LONG x = 0;
    LONG y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
    friend bool operator==(const SIZE&, const SIZE&) = default;
};

using COLORREF = DWORD;

// A time stamp in 100 ns units since 1601, split in two halves as the platform stores it.
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
    friend bool operator==(const FILETIME&, const FILETIME&) = default;
};

static_assert(sizeof(RECT) == 16 && sizeof(SIZE) == 8 && sizeof(POINT) == 8);
