// GDI handle and record types that the video renderers' interfaces carry. Device contexts
// are opaque handles here; the calls that make and use them belong to the GDI layer.
#pragma once

#include "platform/wintypes.h"

struct HDC__;
using HDC = HDC__*;

using FLOAT = float;

// One entry of a logical palette.
struct PALETTEENTRY {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
};

// A region as a list of rectangles: the header, then nCount RECTs in Buffer.
struct RGNDATAHEADER {
    DWORD dwSize = 0;
    DWORD iType = 0;
    DWORD nCount = 0;
    DWORD nRgnSize = 0;
    RECT rcBound;
};

struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};

constexpr DWORD RDH_RECTANGLES = 1;

constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
           (static_cast<COLORREF>(blue) << 16);
}
