#include "framework/Graphics.h"

#include <windows.h>

#include "platform/support/gdi_handles.h"

namespace capspect {

COLORREF ColorToRGB(TColor Color) {
    if (Color < 0) {
        return GetSysColor(static_cast<int>(Color & 0xFF));
    }
    return static_cast<COLORREF>(Color);
}

}  // namespace capspect

namespace capspect {

namespace {

WORD BitsPerPixel(TPixelFormat Format) {
    switch (Format) {
        case pf1bit:
            return 1;
        case pf32bit:
            return 32;
        case pf24bit:
        default:
            return 24;
    }
}

}  // namespace

void TCanvas::FillRect(const RECT& Rect) {
    if (FHandle == nullptr) {
        return;
    }
    const UniqueBrush brush(CreateSolidBrush(ColorToRGB(FBrushColor)));
    if (brush) {
        ::FillRect(FHandle, &Rect, brush.get());
    }
}

TColor TCanvas::Pixel(int X, int Y) const {
    const COLORREF color = FHandle != nullptr ? ::GetPixel(FHandle, X, Y) : CLR_INVALID;
    return color == CLR_INVALID ? clNone : static_cast<TColor>(color);
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
    if (FHandle != nullptr) {
        ::SetPixel(FHandle, X, Y, ColorToRGB(Color));
    }
}

TBitmap::TBitmap() : FMemoryDC(CreateCompatibleDC(nullptr)) {
    FCanvas.SetHandle(FMemoryDC.get());
}

TBitmap::TBitmap(int AWidth, int AHeight, TPixelFormat APixelFormat) : TBitmap() {
    CreatePicture(AWidth, AHeight, APixelFormat);
}

TBitmap::~TBitmap() {
    FreePicture();
}

void TBitmap::SetSize(int AWidth, int AHeight) {
    CreatePicture(AWidth, AHeight, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value != FPixelFormat) {
        CreatePicture(FWidth, FHeight, Value);
    }
}

void TBitmap::Assign(const TBitmap& Source) {
    if (&Source == this) {
        return;
    }
    CreatePicture(Source.FWidth, Source.FHeight, Source.FPixelFormat);
    if (!Empty()) {
        BitBlt(FMemoryDC.get(), 0, 0, FWidth, FHeight, Source.FMemoryDC.get(), 0, 0, SRCCOPY);
    }
}

void TBitmap::CreatePicture(int AWidth, int AHeight, TPixelFormat APixelFormat) {
    FreePicture();
    FPixelFormat = APixelFormat;
    if (!FMemoryDC || AWidth <= 0 || AHeight <= 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = AWidth;
    info.bmiHeader.biHeight = -AHeight;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = BitsPerPixel(APixelFormat);
    info.bmiHeader.biCompression = BI_RGB;
    UniqueBitmap picture(
        CreateDIBSection(FMemoryDC.get(), &info, DIB_RGB_COLORS, nullptr, nullptr, 0));
    if (!picture) {
        return;
    }
    FOriginal = SelectObject(FMemoryDC.get(), picture.get());
    if (FOriginal == nullptr) {
        return;
    }
    FPicture = std::move(picture);
    FWidth = AWidth;
    FHeight = AHeight;
}

void TBitmap::FreePicture() {
    if (FPicture) {
        // Out of the context first: a selected bitmap cannot be deleted.
        SelectObject(FMemoryDC.get(), FOriginal);
        FPicture.reset();
    }
    FOriginal = nullptr;
    FWidth = 0;
    FHeight = 0;
}

}  // namespace capspect
