// Bitmaps and canvases over the GDI stand-ins.
#include "framework/Graphics.h"

#include <gtest/gtest.h>

#include "platform/linux/gdi.h"
#include "platform/sdk/gdi.h"

namespace {

using capspect::clBlack;
using capspect::clNone;
using capspect::GdiObjectCount;
using capspect::TBitmap;
using capspect::TColor;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;

TEST(TBitmap, AssignMakesAnIndependentCopyOfThePicture) {
    TBitmap original(4, 3);
    original.Canvas().SetBrushColor(kRed);
    original.Canvas().FillRect(RECT{0, 0, 4, 3});
    original.Canvas().SetPixel(3, 2, kGreen);

    TBitmap copy;
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(copy.Handle(), nullptr);
    copy.Assign(original);
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(copy.Height(), 3);
    EXPECT_NE(copy.Handle(), original.Handle());
    EXPECT_EQ(copy.Canvas().Pixel(0, 0), kRed);
    EXPECT_EQ(copy.Canvas().Pixel(3, 2), kGreen);

    original.Canvas().SetPixel(0, 0, kGreen);
    EXPECT_EQ(copy.Canvas().Pixel(0, 0), kRed);
    EXPECT_EQ(copy.Canvas().Pixel(4, 0), clNone);
}

TEST(TBitmap, ANewSizeOrFormatStartsABlackPictureAndNothingOutlivesTheBitmap) {
    const std::size_t before = GdiObjectCount();
    {
        TBitmap bitmap(2, 2, capspect::pf32bit);
        bitmap.Canvas().SetBrushColor(kRed);
        bitmap.Canvas().FillRect(RECT{0, 0, 2, 2});
        bitmap.SetSize(5, 1);
        EXPECT_EQ(bitmap.Canvas().Pixel(4, 0), clBlack);
        bitmap.SetPixelFormat(capspect::pf1bit);
        BITMAP record{};
        ASSERT_GT(GetObject(bitmap.Handle(), sizeof record, &record), 0);
        EXPECT_EQ(record.bmBitsPixel, 1);
        // A size that cannot be made leaves the bitmap empty rather than broken.
        bitmap.SetSize(1 << 30, 1 << 30);
        EXPECT_TRUE(bitmap.Empty());
        EXPECT_EQ(bitmap.Handle(), nullptr);
        EXPECT_EQ(bitmap.Canvas().Pixel(1, 0), clNone);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

}  // namespace
