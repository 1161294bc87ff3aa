// GDI: device contexts, bitmaps and brushes, with the platform's names and records.
//
// Handles are opaque; the objects behind them belong to the GDI layer, which keeps real
// pixel storage for every bitmap so that what was drawn can be read back (by a renderer's
// mixer, or by a test). As on the platform, a handle that does not name a live object of
// the right kind makes a call fail with its documented failure value (0, NULL, FALSE,
// CLR_INVALID); it never crashes. Handles are never reused, so a stale handle stays stale.
//
// The stand-in keeps bitmaps of 1, 24 and 32 bits per pixel (creating other depths fails)
// and treats 1-bit pixels as black (0) and white (1). Window device contexts have no
// surface here: drawing on them succeeds and is discarded, reading from them fails.
#pragma once

#include "platform/sdk/mediatype.h"
#include "platform/sdk/messages.h"
#include "platform/sdk/wintypes.h"

struct HDC__;
using HDC = HDC__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
using HGDIOBJ = void*;

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
constexpr BYTE GetRValue(COLORREF color) {
    return static_cast<BYTE>(color & 0xFF);
}
constexpr BYTE GetGValue(COLORREF color) {
    return static_cast<BYTE>((color >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF color) {
    return static_cast<BYTE>((color >> 16) & 0xFF);
}

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// A colour of a DIB's colour table.
struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

// What GetObject tells of a bitmap. bmBits is the pixel memory of a DIB section, null for
// other bitmaps.
struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr;
};
// 24 bytes with the platform's 32-bit pointers.
static_assert(sizeof(BITMAP) == (sizeof(void*) == 4 ? 24 : 32));

// What GetObject tells of a brush.
constexpr UINT BS_SOLID = 0;
struct LOGBRUSH {
    UINT lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    ULONG_PTR lbHatch = 0;
};

// GetCurrentObject types.
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_BITMAP = 7;

// GetStockObject indices.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;

// Raster operations of BitBlt that the stand-in carries out.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// The device context of a window's client area (of the screen for a null window); give it
// back with ReleaseDC.
HDC GetDC(HWND hwnd);
// 1 when `hdc` was the window's and is given back, else 0.
int ReleaseDC(HWND hwnd, HDC hdc);
// A memory device context, with a 1 x 1 monochrome bitmap selected, as the platform makes
// it. A null `hdc` makes it compatible with the screen.
HDC CreateCompatibleDC(HDC hdc);
// Deletes a memory device context; what was selected into it becomes free again.
BOOL DeleteDC(HDC hdc);

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
// A bitmap of the depth of the device context: the screen's 32 bits for a window, the
// selected bitmap's for a memory context (monochrome for a fresh one, as on the platform).
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// A DIB whose pixel memory the caller may use directly through `bits`. A negative
// biHeight makes the rows run top-down. File-mapping sections are not supported.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ GetStockObject(int index);

// Selects a bitmap (memory contexts only; one context at a time) or a brush and answers
// what was selected before, NULL on failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// FALSE for an unknown object or one that is selected into a device context.
BOOL DeleteObject(HGDIOBJ object);
// Copies the object's record (BITMAP, LOGBRUSH) into `buffer` and answers its size; with a
// null buffer only the size. 0 on failure.
int GetObjectW(HGDIOBJ object, int size, void* buffer);
inline int GetObject(HGDIOBJ object, int size, void* buffer) {
    return GetObjectW(object, size, buffer);
}
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

// Fills the rectangle (right and bottom exclusive) with the brush; nonzero on success.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
COLORREF GetPixel(HDC hdc, int x, int y);
// Answers the colour set, CLR_INVALID (as -1) outside the picture or for a bad context.
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// SRCCOPY, BLACKNESS and WHITENESS; other raster operations fail. The copy is clipped to
// both pictures.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop);
