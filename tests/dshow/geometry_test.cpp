// Fitting rectangles to aspect ratios, DIB image sizes and file extensions.
#include <gtest/gtest.h>

#include <limits>

#include "dshow/DShowUtil.h"

namespace capspect {
namespace {

TEST(FitAspectRectTest, FitsInsideAndCentres) {
    EXPECT_EQ(FitAspectRect(16, 9, RECT{0, 0, 640, 480}), (TWindowPosition{0, 60, 640, 360}));
    EXPECT_EQ(FitAspectRect(4, 3, RECT{10, 10, 410, 210}), (TWindowPosition{76, 10, 267, 200}));
    // A matching aspect fills the rectangle.
    EXPECT_EQ(FitAspectRect(4, 3, RECT{-20, 5, 620, 485}), (TWindowPosition{-20, 5, 640, 480}));
}

TEST(FitAspectRectTest, RoundsHalvesToEven) {
    // 3 × 1.5 = 4.5 rounds to 4, 5 × 1.5 = 7.5 to 8; the spare column is split with the
    // odd one on the right.
    EXPECT_EQ(FitAspectRect(3, 2, RECT{0, 0, 100, 3}), (TWindowPosition{48, 0, 4, 3}));
    EXPECT_EQ(FitAspectRect(3, 2, RECT{0, 0, 100, 5}), (TWindowPosition{46, 0, 8, 5}));
    // 5 / 2 = 2.5 rounds to 2.
    EXPECT_EQ(FitAspectRect(2, 1, RECT{0, 0, 5, 100}), (TWindowPosition{0, 49, 5, 2}));
}

TEST(FitAspectRectTest, LeavesRectanglesItCannotFitAlone) {
    EXPECT_EQ(FitAspectRect(16, 0, RECT{0, 0, 640, 480}), (TWindowPosition{0, 0, 640, 480}));
    EXPECT_EQ(FitAspectRect(0, 9, RECT{0, 0, 640, 480}), (TWindowPosition{0, 0, 640, 480}));
    EXPECT_EQ(FitAspectRect(-16, 9, RECT{0, 0, 640, 480}), (TWindowPosition{0, 0, 640, 480}));
    EXPECT_EQ(FitAspectRect(16, 9, RECT{10, 10, 10, 480}), (TWindowPosition{10, 10, 0, 470}));
    EXPECT_EQ(FitAspectRect(16, 9, RECT{0, 100, 640, 0}), (TWindowPosition{0, 100, 640, -100}));
    constexpr LONG kMost = std::numeric_limits<LONG>::max();
    EXPECT_EQ(FitAspectRect(1, kMost, RECT{0, 0, kMost, 1}), (TWindowPosition{kMost / 2, 0, 0, 1}));
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bitCount) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = bitCount;
    return header;
}

TEST(GetDIBImageSizeTest, PadsRowsToFourBytes) {
    EXPECT_EQ(GetDIBImageSize(Header(640, 480, 24)), 921600);
    EXPECT_EQ(GetDIBImageSize(Header(100, 1, 24)), 300);
    EXPECT_EQ(GetDIBImageSize(Header(1, 1, 8)), 4);
    EXPECT_EQ(GetDIBImageSize(Header(3, 2, 1)), 8);
    EXPECT_EQ(GetDIBImageSize(Header(33, 1, 1)), 8);
    // Top-down pictures have a negative height.
    EXPECT_EQ(GetDIBImageSize(Header(720, -576, 16)), 829440);
}

TEST(GetDIBImageSizeTest, AnswersZeroForSizesOutsideTheIntegerRange) {
    EXPECT_EQ(GetDIBImageSize(Header(65536, 65536, 32)), 0);
    EXPECT_EQ(GetDIBImageSize(Header(std::numeric_limits<LONG>::max(),
                                     std::numeric_limits<LONG>::min(), 0xFFFF)),
              0);
    EXPECT_EQ(GetDIBImageSize(Header(-640, 480, 24)), 0);
    EXPECT_EQ(GetDIBImageSize(Header(640, 0, 24)), 0);
}

TEST(GetFileExtTest, TakesTheExtensionOfTheLastPathComponent) {
    EXPECT_EQ(GetFileExt(u"C:\\Videos\\clip.part.avi"), u".avi");
    EXPECT_EQ(GetFileExt(u"/home/user/movie.MP4"), u".MP4");
    EXPECT_EQ(GetFileExt(u"C:\\Videos.old\\clip"), u"");
    EXPECT_EQ(GetFileExt(u"/srv/data.d/stream"), u"");
    EXPECT_EQ(GetFileExt(u"trailing."), u".");
    EXPECT_EQ(GetFileExt(u""), u"");
}

}  // namespace
}  // namespace capspect
