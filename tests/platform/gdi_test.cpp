// The GDI stand-ins: pixel storage, selection rules and the failures of wrong handles.
#include "platform/linux/gdi.h"
#include "platform/sdk/gdi.h"
#include "platform/support/gdi_handles.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using capspect::GdiObjectCount;
using capspect::UniqueBitmap;
using capspect::UniqueBrush;
using capspect::UniqueDC;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

HBITMAP DibSection(LONG width, LONG height, WORD bitCount, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void Fill(HDC dc, const RECT& rect, COLORREF color) {
    const UniqueBrush brush(CreateSolidBrush(color));
    ASSERT_NE(FillRect(dc, &rect, brush.get()), 0);
}

TEST(Gdi, ADibSectionKeepsItsPixelsInThePlatformsLayout) {
    void* bits = nullptr;
    const UniqueBitmap bitmap(DibSection(3, 2, 24, &bits));  // bottom-up
    ASSERT_TRUE(bitmap);
    ASSERT_NE(bits, nullptr);
    BITMAP record{};
    ASSERT_EQ(GetObject(bitmap.get(), sizeof record, &record), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(record.bmWidth, 3);
    EXPECT_EQ(record.bmHeight, 2);
    EXPECT_EQ(record.bmWidthBytes, 12);  // 9 bytes, rows aligned to 4
    EXPECT_EQ(record.bmBitsPixel, 24);
    EXPECT_EQ(record.bmBits, bits);

    const UniqueDC dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ original = SelectObject(dc.get(), bitmap.get());
    ASSERT_NE(original, nullptr);
    Fill(dc.get(), RECT{0, 0, 3, 1}, kRed);  // the top row
    EXPECT_EQ(SetPixel(dc.get(), 2, 1, kBlue), kBlue);
    // Bottom-up: the top row is the second one in memory; pixels are blue, green, red.
    const auto* bytes = static_cast<const BYTE*>(bits);
    EXPECT_EQ(bytes[12], 0);
    EXPECT_EQ(bytes[14], 255);
    EXPECT_EQ(bytes[6], 255);
    EXPECT_EQ(GetPixel(dc.get(), 0, 0), kRed);
    EXPECT_EQ(GetPixel(dc.get(), 0, 1), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc.get(), 3, 0), CLR_INVALID);
    EXPECT_EQ(SelectObject(dc.get(), original), bitmap.get());
}

TEST(Gdi, ABitmapIsSelectedIntoOneContextAndCannotBeDeletedThere) {
    const std::size_t before = GdiObjectCount();
    {
        const HDC first = CreateCompatibleDC(nullptr);
        const UniqueDC second(CreateCompatibleDC(first));
        const HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
        ASSERT_NE(bitmap, nullptr);
        const HGDIOBJ stock = SelectObject(first, bitmap);
        ASSERT_NE(stock, nullptr);
        EXPECT_EQ(SelectObject(second.get(), bitmap), nullptr);
        EXPECT_EQ(DeleteObject(bitmap), FALSE);
        EXPECT_EQ(GetCurrentObject(first, OBJ_BITMAP), bitmap);

        // A fresh memory context holds the 1 x 1 monochrome bitmap, so bitmaps compatible
        // with it are monochrome; the screen's are 32-bit.
        BITMAP record{};
        const UniqueBitmap mono(CreateCompatibleBitmap(second.get(), 8, 8));
        ASSERT_GT(GetObject(mono.get(), sizeof record, &record), 0);
        EXPECT_EQ(record.bmBitsPixel, 1);
        const HDC screen = GetDC(nullptr);
        const UniqueBitmap colour(CreateCompatibleBitmap(screen, 8, 8));
        ASSERT_GT(GetObject(colour.get(), sizeof record, &record), 0);
        EXPECT_EQ(record.bmBitsPixel, 32);
        // Bitmaps go only into memory contexts.
        EXPECT_EQ(SelectObject(screen, colour.get()), nullptr);
        EXPECT_EQ(ReleaseDC(nullptr, screen), 1);

        // Deleting the context frees the bitmap for deletion.
        EXPECT_EQ(DeleteDC(first), TRUE);
        EXPECT_EQ(DeleteObject(bitmap), TRUE);
        EXPECT_EQ(DeleteDC(first), FALSE);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST(Gdi, WrongAndStaleHandlesFailWithoutHarm) {
    const HDC bogus = reinterpret_cast<HDC>(std::uintptr_t{0x1234});
    const HBITMAP deleted = CreateBitmap(2, 2, 1, 24, nullptr);
    ASSERT_EQ(DeleteObject(deleted), TRUE);
    const UniqueDC dc(CreateCompatibleDC(nullptr));
    const RECT rect{0, 0, 1, 1};

    EXPECT_EQ(DeleteObject(deleted), FALSE);
    EXPECT_EQ(SelectObject(dc.get(), deleted), nullptr);
    EXPECT_EQ(SelectObject(bogus, GetStockObject(BLACK_BRUSH)), nullptr);
    EXPECT_EQ(SelectObject(dc.get(), dc.get()), nullptr);  // a context is no object
    BITMAP record{};
    EXPECT_EQ(GetObject(deleted, sizeof record, &record), 0);
    EXPECT_EQ(GetObject(dc.get(), sizeof record, &record), 0);
    EXPECT_EQ(GetObject(GetStockObject(BLACK_BRUSH), 4, &record), 0);  // too small
    EXPECT_EQ(CreateCompatibleDC(bogus), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(bogus, 1, 1), nullptr);
    EXPECT_EQ(DeleteDC(bogus), FALSE);
    EXPECT_EQ(ReleaseDC(nullptr, dc.get()), 0);  // memory contexts are deleted, not released
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(std::uintptr_t{0x777})), nullptr);
    EXPECT_EQ(FillRect(bogus, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_EQ(FillRect(dc.get(), &rect, reinterpret_cast<HBRUSH>(deleted)), 0);
    EXPECT_EQ(GetPixel(bogus, 0, 0), CLR_INVALID);
    EXPECT_EQ(BitBlt(dc.get(), 0, 0, 1, 1, bogus, 0, 0, SRCCOPY), FALSE);
    // Depths the stand-in does not keep, and sizes beyond any memory, fail to be made.
    EXPECT_EQ(CreateBitmap(4, 4, 1, 16, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(-1, 4, 1, 24, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(1 << 30, 1 << 30, 1, 32, nullptr), nullptr);
}

TEST(Gdi, BitBltCopiesAcrossDepthsAndClipsToBothPictures) {
    void* bits = nullptr;
    const UniqueBitmap source(DibSection(4, -4, 32, &bits));  // top-down
    const UniqueBitmap target(CreateBitmap(4, 4, 1, 24, nullptr));
    const UniqueDC from(CreateCompatibleDC(nullptr));
    const UniqueDC to(CreateCompatibleDC(nullptr));
    const HGDIOBJ fromStock = SelectObject(from.get(), source.get());
    const HGDIOBJ toStock = SelectObject(to.get(), target.get());
    Fill(from.get(), RECT{-5, -5, 50, 50}, kRed);
    SetPixel(from.get(), 3, 3, kBlue);

    // Reaching beyond both pictures copies only what lies in both.
    ASSERT_EQ(BitBlt(to.get(), 1, 1, 100, 100, from.get(), 2, 2, SRCCOPY), TRUE);
    EXPECT_EQ(GetPixel(to.get(), 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(to.get(), 1, 1), kRed);
    EXPECT_EQ(GetPixel(to.get(), 2, 2), kBlue);
    EXPECT_EQ(GetPixel(to.get(), 3, 3), RGB(0, 0, 0));
    // An overlapping copy within one picture reads before it writes.
    ASSERT_EQ(BitBlt(to.get(), 0, 0, 3, 3, to.get(), 1, 1, SRCCOPY), TRUE);
    EXPECT_EQ(GetPixel(to.get(), 1, 1), kBlue);
    EXPECT_EQ(GetPixel(to.get(), 0, 0), kRed);
    ASSERT_EQ(BitBlt(to.get(), 0, 0, 4, 4, nullptr, 0, 0, WHITENESS), TRUE);
    EXPECT_EQ(GetPixel(to.get(), 3, 3), RGB(255, 255, 255));
    EXPECT_EQ(BitBlt(to.get(), 0, 0, 4, 4, from.get(), 0, 0, 0x00660046 /* SRCINVERT */), FALSE);

    SelectObject(from.get(), fromStock);
    SelectObject(to.get(), toStock);
}

}  // namespace
