// Colours as the components see them: a TColor is an RGB value (red in the low byte) or,
// with the top byte 0xFF, the index of a system colour that ColorToRGB resolves. Bitmaps
// and the canvases that draw on them, over the platform's GDI.
#pragma once

#include <cstdint>

#include <windows.h>

#include "platform/support/gdi_handles.h"

namespace capspect {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clFuchsia = 0xFF00FF;
// No colour at all (nothing transparent, nothing drawn).
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
// The marker of a system colour; the low byte is the platform's COLOR_* index.
inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000U);

// The RGB value of a colour: a system colour is looked up, every other value is passed on
// unchanged.
COLORREF ColorToRGB(TColor Color);

// Drawing on a device context that belongs to someone else: a bitmap, or an overlay that
// binds the canvas to its own memory context while it holds a picture. Without a context
// every operation does nothing.
class TCanvas {
public:
    HDC Handle() const { return FHandle; }
    void SetHandle(HDC Value) { FHandle = Value; }
    bool HandleAllocated() const { return FHandle != nullptr; }

    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor Value) { FBrushColor = Value; }

    // Fills Rect (right and bottom exclusive) with the brush colour.
    void FillRect(const RECT& Rect);
    // The colour at (X, Y); clNone outside the picture or without one.
    TColor Pixel(int X, int Y) const;
    void SetPixel(int X, int Y, TColor Color);

private:
    HDC FHandle = nullptr;
    TColor FBrushColor = clWhite;
};

enum TPixelFormat {
    pf1bit,
    pf24bit,
    pf32bit,
};

// A picture of its own: a DIB section kept selected in the bitmap's own memory context, on
// which its canvas draws. A new or resized picture is black. Empty (0 x 0) until sized.
class TBitmap {
public:
    TBitmap();
    TBitmap(int AWidth, int AHeight, TPixelFormat APixelFormat = pf24bit);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // A new black picture of the size (empty when either side is 0 or it cannot be made).
    void SetSize(int AWidth, int AHeight);
    void SetPixelFormat(TPixelFormat Value);

    // The picture's handle; null while empty.
    HBITMAP Handle() const { return FPicture.get(); }
    // Draws on the picture; its handle is the bitmap's memory context.
    TCanvas& Canvas() { return FCanvas; }
    const TCanvas& Canvas() const { return FCanvas; }

    // Becomes a copy of Source: size, pixel format and picture.
    void Assign(const TBitmap& Source);

private:
    void CreatePicture(int AWidth, int AHeight, TPixelFormat APixelFormat);
    void FreePicture();

    UniqueDC FMemoryDC;
    UniqueBitmap FPicture;
    // What the memory context held before the picture went in.
    HGDIOBJ FOriginal = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    TCanvas FCanvas;
};

}  // namespace capspect
