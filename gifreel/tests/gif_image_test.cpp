// GifImage under Wine: files read from the fixture drive G:, frames turned
// into GDI bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "gifreel/gif_image.h"
#include "win32/handle.h"

namespace {

// The bitmap's pixels as COLORREFs, top row first.
std::vector<COLORREF> Pixels(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> bits(width * height);
    HDC dc = ::GetDC(nullptr);
    const int rows = ::GetDIBits(dc, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    EXPECT_EQ(height, rows);
    std::vector<COLORREF> out;
    for (DWORD v : bits) out.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return out;
}

TEST(GifImage, LoadsFramesAndTheirInfo) {
    GifImage image;
    ASSERT_TRUE(image.load(L"G:\\anim3.gif"));
    EXPECT_EQ(3u, image.frameCount());
    EXPECT_EQ(20u, image.screenWidth());
    EXPECT_EQ(10u, image.screenHeight());
    gif::FrameInfo info;
    ASSERT_TRUE(image.frameInfo(2, &info));
    EXPECT_EQ(5, info.delay);
    EXPECT_FALSE(image.frameInfo(3, &info));

    ASSERT_TRUE(image.load(L"G:\\offset.gif"));  // loading replaces what was there
    EXPECT_EQ(1u, image.frameCount());
    ASSERT_TRUE(image.frameInfo(0, &info));
    EXPECT_EQ(10, info.left);
    EXPECT_EQ(5, info.top);
    EXPECT_EQ(0, info.delay);  // a still image keeps delay 0
}

TEST(GifImage, ColourBitmapTakesTheGivenTransparentColourAndTheMaskMarksIt) {
    GifImage image;
    ASSERT_TRUE(image.load(L"G:\\transparent.gif"));
    HDC screen = ::GetDC(nullptr);
    win::Bitmap colour(image.colourBitmap(screen, 0, RGB(0, 0, 0)));
    ::ReleaseDC(nullptr, screen);
    win::Bitmap mask(image.maskBitmap(0));
    ASSERT_TRUE(colour);
    ASSERT_TRUE(mask);
    BITMAP m;
    ASSERT_TRUE(::GetObjectW(mask.get(), sizeof m, &m));
    EXPECT_EQ(1, m.bmBitsPixel);
    EXPECT_EQ(20, m.bmWidth);
    const auto c = Pixels(colour.get(), 20, 10);
    const auto k = Pixels(mask.get(), 20, 10);
    // The rectangle 5..14 x 2..7 is opaque green, the rest transparent.
    EXPECT_EQ(RGB(0, 255, 0), c[3 * 20 + 6]);
    EXPECT_EQ(RGB(0, 0, 0), c[0]);
    EXPECT_EQ(RGB(255, 255, 255), k[0]);
    EXPECT_EQ(RGB(0, 0, 0), k[3 * 20 + 6]);
    EXPECT_EQ(nullptr, image.colourBitmap(nullptr, 1, 0));
    EXPECT_EQ(nullptr, image.maskBitmap(1));
}

TEST(GifImage, AFailedLoadLeavesNothingLoaded) {
    GifImage image;
    for (const wchar_t* path : {L"G:\\broken.gif", L"G:\\missing.gif", L"G:\\"}) {
        ASSERT_TRUE(image.load(L"G:\\still-red.gif"));
        EXPECT_FALSE(image.load(path));
        EXPECT_EQ(0u, image.frameCount());
        EXPECT_EQ(0u, image.screenWidth());
    }
    // Opened without sharing: a file someone holds open for writing is not read.
    win::Handle held(::CreateFileW(L"G:\\still-blue.gif", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(image.load(L"G:\\still-blue.gif"));
}

}  // namespace
