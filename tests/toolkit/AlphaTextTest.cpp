// Text on 32-bit surfaces: the text's pixels become opaque, everything else
// keeps its colour and alpha; other DCs and DT_CALCRECT get plain DrawText.
#include "AlphaText.h"

#include <gtest/gtest.h>

#include "TestImages.h"

namespace {

constexpr uint32_t kFill = 0x40102030;  // some colour at alpha 0x40

class AlphaTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        font_ = CreateFontW(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
        style_.font = font_;
        style_.color = RGB(255, 0, 0);
    }
    void TearDown() override { DeleteObject(font_); }
    // The bounding box of the pixels that differ from the fill; every
    // changed pixel must be opaque.
    static RECT Changed(const testimg::Surface& surface, int w, int h, bool* allOpaque) {
        RECT box = {w, h, -1, -1};
        *allOpaque = true;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint32_t px = surface.At(x, y);
                if (px == kFill) continue;
                *allOpaque = *allOpaque && (px >> 24) == 255;
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
            }
        }
        return box;
    }
    HFONT font_ = nullptr;
    TextStyle style_;
};

TEST_F(AlphaTextTest, TextPixelsBecomeOpaqueAndTheRestIsKept) {
    for (bool topDown : {false, true}) {
        testimg::Surface surface(120, 40, topDown, kFill);
        RECT rect = {0, 0, 120, 40};
        style_.format = DT_LEFT | DT_TOP | DT_SINGLELINE;
        EXPECT_EQ(1, DrawAlphaText(surface.Dc(), L"HHHH", -1, &rect, &style_));
        bool opaque = false;
        const RECT box = Changed(surface, 120, 40, &opaque);
        EXPECT_TRUE(opaque) << topDown;
        EXPECT_LT(box.left, 5) << topDown;   // text at the top left, right way up
        EXPECT_LT(box.top, 6) << topDown;
        EXPECT_LT(box.bottom, 22) << topDown;
        EXPECT_EQ(0xFFFF0000u, surface.At(box.left, box.bottom - 2)) << topDown;  // the H's stem
    }
}

TEST_F(AlphaTextTest, AlignmentPlacesTheTextInTheRectangle) {
    testimg::Surface surface(200, 60, false, kFill);
    RECT rect = {20, 10, 180, 50};
    style_.format = DT_RIGHT | DT_BOTTOM | DT_SINGLELINE;
    ASSERT_EQ(1, DrawAlphaText(surface.Dc(), L"II", 2, &rect, &style_));
    bool opaque = false;
    RECT box = Changed(surface, 200, 60, &opaque);
    EXPECT_GT(box.left, 150);
    EXPECT_LE(box.right, 180);
    EXPECT_GT(box.top, 30);
    EXPECT_LE(box.bottom, 50);

    testimg::Surface centred(200, 60, false, kFill);
    style_.format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    ASSERT_EQ(1, DrawAlphaText(centred.Dc(), L"II", 2, &rect, &style_));
    box = Changed(centred, 200, 60, &opaque);
    EXPECT_NEAR((box.left + box.right) / 2, 100, 6);
    EXPECT_NEAR((box.top + box.bottom) / 2, 30, 6);
}

TEST_F(AlphaTextTest, TextHangingOffTheSurfaceIsClipped) {
    testimg::Surface surface(40, 20, false, kFill);
    RECT rect = {-30, -8, 60, 30};
    style_.format = DT_LEFT | DT_TOP;
    EXPECT_EQ(1, DrawAlphaText(surface.Dc(), L"WWWWWWWW", -1, &rect, &style_));
    bool opaque = false;
    Changed(surface, 40, 20, &opaque);
    EXPECT_TRUE(opaque);
}

TEST_F(AlphaTextTest, MeasuringEmptyAndMissingArgumentsDrawNothing) {
    testimg::Surface surface(100, 30, false, kFill);
    RECT rect = {0, 0, 100, 30};
    style_.format = DT_LEFT | DT_SINGLELINE | DT_CALCRECT;
    EXPECT_GT(DrawAlphaText(surface.Dc(), L"Hello", -1, &rect, &style_), 0);
    EXPECT_GT(rect.right, 0);
    EXPECT_LT(rect.right, 100);
    style_.format = DT_LEFT | DT_SINGLELINE;
    rect = RECT{0, 0, 100, 30};
    EXPECT_EQ(0, DrawAlphaText(surface.Dc(), L"", -1, &rect, &style_));
    EXPECT_EQ(0, DrawAlphaText(surface.Dc(), L"abc", 0, &rect, &style_));
    EXPECT_EQ(0, DrawAlphaText(surface.Dc(), nullptr, -1, &rect, &style_));
    EXPECT_EQ(0, DrawAlphaText(nullptr, L"abc", -1, &rect, &style_));
    EXPECT_EQ(0, DrawAlphaText(surface.Dc(), L"abc", -1, nullptr, &style_));
    EXPECT_EQ(0, DrawAlphaText(surface.Dc(), L"abc", -1, &rect, nullptr));
    bool opaque = false;
    const RECT box = Changed(surface, 100, 30, &opaque);
    EXPECT_EQ(-1, box.right);  // not one pixel changed
}

TEST_F(AlphaTextTest, OtherSurfacesGetPlainTextAndTheDcIsRestored) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 100;
    info.bmiHeader.biHeight = 30;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    RECT rect = {0, 0, 100, 30};
    style_.format = DT_LEFT | DT_SINGLELINE;
    EXPECT_GT(DrawAlphaText(dc, L"HH", -1, &rect, &style_), 1);  // DrawText's height
    int red = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) red += GetPixel(dc, x, y) == RGB(255, 0, 0);
    EXPECT_GT(red, 10);
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
    EXPECT_EQ(OPAQUE, GetBkMode(dc));
    EXPECT_EQ(oldFont, GetCurrentObject(dc, OBJ_FONT));
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
