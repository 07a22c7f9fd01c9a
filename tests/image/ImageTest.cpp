// CxImage stand-in: loading, saving, bad files and drawing onto 32-bit surfaces.
#include "ximage.h"

#include <gtest/gtest.h>

#include "Harness.h"
#include "TestImages.h"

namespace {

using testimg::Image;
using testimg::Surface;

// Opaque quarters: red, green / blue, white.
uint32_t Quarters(int x, int y) {
    static const uint32_t kColours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    return kColours[(y >= 8 ? 2 : 0) + (x >= 8 ? 1 : 0)];
}
// Red with alpha rising along x: 0 at x 0, 255 at x 15 (17 per step).
uint32_t AlphaRamp(int x, int) { return (static_cast<uint32_t>(x * 17) << 24) | 0x00FF0000; }

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = harness::MakeScratchDir(L"image"); }
    std::wstring Path(const wchar_t* name) const { return dir_ + L"\\" + name; }
    std::wstring WriteBytes(const wchar_t* name, const std::string& bytes) const {
        const std::wstring path = Path(name);
        EXPECT_TRUE(harness::WriteFileBytes(path, bytes));
        return path;
    }
    // Draws the whole image onto a surface of its size filled with fill and
    // returns what the surface holds.
    static Image DrawnPixels(CxImage& image, uint32_t fill, bool opaque) {
        const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
        Surface surface(w, h, false, fill);
        EXPECT_TRUE(image.DrawTo32BitDC_(surface.Dc(), 0, 0, opaque));
        Image out;
        out.width = w;
        out.height = h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out.bgra.push_back(surface.At(x, y));
        return out;
    }
    std::wstring dir_;
};

TEST_F(ImageTest, LoadsEachFormatWithItsSize) {
    const Image quarters = testimg::MakePattern(16, 16, Quarters);
    const std::wstring bmp = WriteBytes(L"q.bmp", testimg::MakeBmp24(quarters));
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"q.png"), L"image/png", quarters));
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"q.jpg"), L"image/jpeg", quarters));
    struct Case { std::wstring path; DWORD type; } cases[] = {
        {bmp, CXIMAGE_FORMAT_BMP}, {Path(L"q.png"), CXIMAGE_FORMAT_PNG}, {Path(L"q.jpg"), CXIMAGE_FORMAT_JPG}};
    for (const Case& c : cases) {
        CxImage image(c.path.c_str(), c.type);
        ASSERT_TRUE(image.IsValid()) << harness::Narrow(c.path);
        EXPECT_EQ(16u, image.GetWidth());
        EXPECT_EQ(16u, image.GetHeight());
        EXPECT_EQ(c.type, image.GetType());
    }
    CxImage exact(bmp.c_str(), CXIMAGE_FORMAT_BMP);
    const Image drawn = DrawnPixels(exact, 0, false);
    EXPECT_EQ(0xFFFF0000u, drawn.At(2, 2));
    EXPECT_EQ(0xFF00FF00u, drawn.At(12, 2));
    EXPECT_EQ(0xFF0000FFu, drawn.At(2, 12));
    EXPECT_EQ(0xFFFFFFFFu, drawn.At(12, 12));
}

TEST_F(ImageTest, SavedFilesLoadBackInEveryFormat) {
    const Image ramp = testimg::MakePattern(16, 16, AlphaRamp);
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"ramp.png"), L"image/png", ramp));
    CxImage source(Path(L"ramp.png").c_str(), CXIMAGE_FORMAT_PNG);
    ASSERT_TRUE(source.IsValid());
    const Image original = DrawnPixels(source, 0, false);

    // PNG and ICO keep the alpha exactly.
    for (DWORD type : {DWORD(CXIMAGE_FORMAT_PNG), DWORD(CXIMAGE_FORMAT_ICO)}) {
        const std::wstring path = Path(type == CXIMAGE_FORMAT_PNG ? L"copy.png" : L"copy.ico");
        ASSERT_TRUE(source.Save(path.c_str(), type));
        CxImage copy(path.c_str(), type);
        ASSERT_TRUE(copy.IsValid()) << type;
        EXPECT_EQ(16u, copy.GetWidth());
        EXPECT_EQ(original.bgra, DrawnPixels(copy, 0, false).bgra) << type;
    }
    // BMP and JPEG keep the size and (near enough for JPEG) the colours.
    CxImage opaque(WriteBytes(L"q.bmp", testimg::MakeBmp24(testimg::MakePattern(16, 16, Quarters))).c_str(),
                   CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(opaque.Save(Path(L"copy.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    ASSERT_TRUE(opaque.Save(Path(L"copy.jpg").c_str(), CXIMAGE_FORMAT_JPG));
    CxImage bmp(Path(L"copy.bmp").c_str(), CXIMAGE_FORMAT_BMP);
    CxImage jpg(Path(L"copy.jpg").c_str(), CXIMAGE_FORMAT_JPG);
    ASSERT_TRUE(bmp.IsValid());
    ASSERT_TRUE(jpg.IsValid());
    EXPECT_EQ(0xFF0000FFu, DrawnPixels(bmp, 0, false).At(3, 12));
    const uint32_t blue = DrawnPixels(jpg, 0, false).At(3, 12);
    EXPECT_GT(blue & 0xFF, 0xC0u);
    EXPECT_LT((blue >> 16) & 0xFF, 0x40u);
}

TEST_F(ImageTest, SaveRefusesWhatItCannotWrite) {
    CxImage empty;
    EXPECT_FALSE(empty.Save(Path(L"empty.png").c_str(), CXIMAGE_FORMAT_PNG));
    const Image big = testimg::MakePattern(300, 10, Quarters);
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"big.png"), L"image/png", big));
    CxImage wide(Path(L"big.png").c_str(), CXIMAGE_FORMAT_PNG);
    ASSERT_TRUE(wide.IsValid());
    EXPECT_FALSE(wide.Save(Path(L"big.ico").c_str(), CXIMAGE_FORMAT_ICO));
    EXPECT_FALSE(wide.Save(Path(L"no-such-folder\\x.png").c_str(), CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(wide.Save(Path(L"x.gif").c_str(), 2));
}

TEST_F(ImageTest, BadFilesDoNotLoad) {
    const Image quarters = testimg::MakePattern(16, 16, Quarters);
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"q.png"), L"image/png", quarters));
    const std::wstring bmp = WriteBytes(L"q.bmp", testimg::MakeBmp24(quarters));
    // Content of another format than the one asked for.
    EXPECT_FALSE(CxImage(Path(L"q.png").c_str(), CXIMAGE_FORMAT_JPG).IsValid());
    EXPECT_FALSE(CxImage(bmp.c_str(), CXIMAGE_FORMAT_PNG).IsValid());
    EXPECT_FALSE(CxImage(Path(L"q.png").c_str(), CXIMAGE_FORMAT_UNKNOWN).IsValid());
    // Missing, empty, garbage, null.
    EXPECT_FALSE(CxImage(Path(L"missing.png").c_str(), CXIMAGE_FORMAT_PNG).IsValid());
    EXPECT_FALSE(CxImage(WriteBytes(L"empty.png", "").c_str(), CXIMAGE_FORMAT_PNG).IsValid());
    EXPECT_FALSE(CxImage(WriteBytes(L"junk.ico", std::string(300, '\x7f')).c_str(), CXIMAGE_FORMAT_ICO).IsValid());
    EXPECT_FALSE(CxImage(nullptr, CXIMAGE_FORMAT_PNG).IsValid());
    // A folder is not a file.
    EXPECT_FALSE(CxImage(dir_.c_str(), CXIMAGE_FORMAT_PNG).IsValid());
}

TEST_F(ImageTest, TruncatedFilesDoNotLoad) {
    const Image quarters = testimg::MakePattern(16, 16, Quarters);
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"q.png"), L"image/png", quarters));
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"q.jpg"), L"image/jpeg", quarters));
    CxImage png(Path(L"q.png").c_str(), CXIMAGE_FORMAT_PNG);
    ASSERT_TRUE(png.Save(Path(L"q.ico").c_str(), CXIMAGE_FORMAT_ICO));
    struct Case { const wchar_t* name; DWORD type; std::string bytes; } cases[] = {
        {L"q.png", CXIMAGE_FORMAT_PNG, harness::ReadFileBytes(Path(L"q.png"))},
        {L"q.jpg", CXIMAGE_FORMAT_JPG, harness::ReadFileBytes(Path(L"q.jpg"))},
        {L"q.ico", CXIMAGE_FORMAT_ICO, harness::ReadFileBytes(Path(L"q.ico"))},
        {L"q.bmp", CXIMAGE_FORMAT_BMP, testimg::MakeBmp24(quarters)},
    };
    for (const Case& c : cases) {
        ASSERT_GT(c.bytes.size(), 60u);
        ASSERT_TRUE(CxImage(WriteBytes(L"whole", c.bytes).c_str(), c.type).IsValid()) << c.type;
        // Cut at the start, in the headers, in the middle and just before the end.
        for (size_t cut : {size_t(1), size_t(8), size_t(30), c.bytes.size() / 2, c.bytes.size() - 2,
                           c.bytes.size() - 1}) {
            CxImage image(WriteBytes(L"cut", c.bytes.substr(0, cut)).c_str(), c.type);
            EXPECT_FALSE(image.IsValid()) << harness::Narrow(c.name) << " cut at " << cut;
        }
    }
}

TEST_F(ImageTest, FailedLoadDropsTheEarlierImage) {
    CxImage image(WriteBytes(L"q.bmp", testimg::MakeBmp24(testimg::MakePattern(16, 16, Quarters))).c_str(),
                  CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(image.IsValid());
    EXPECT_FALSE(image.Load(Path(L"missing.bmp").c_str(), CXIMAGE_FORMAT_BMP));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(0u, image.GetWidth());
    Surface surface(4, 4, false, 0x11223344);
    EXPECT_FALSE(image.DrawTo32BitDC_(surface.Dc(), 0, 0, false));
    EXPECT_EQ(0x11223344u, surface.At(0, 0));
}

TEST_F(ImageTest, DrawBlendsPremultipliedOntoTheSurface) {
    ASSERT_TRUE(testimg::WriteWithGdiplus(Path(L"ramp.png"), L"image/png", testimg::MakePattern(16, 16, AlphaRamp)));
    CxImage ramp(Path(L"ramp.png").c_str(), CXIMAGE_FORMAT_PNG);
    ASSERT_TRUE(ramp.IsValid());
    // Onto transparent black: premultiplied red with the image's alpha.
    const Image onClear = DrawnPixels(ramp, 0, false);
    EXPECT_EQ(0x00000000u, onClear.At(0, 5));
    EXPECT_EQ(0x88880000u, onClear.At(8, 5));
    EXPECT_EQ(0xFFFF0000u, onClear.At(15, 5));
    // Onto opaque blue: blue shows through where red is transparent.
    const Image onBlue = DrawnPixels(ramp, 0xFF0000FF, false);
    EXPECT_EQ(0xFF0000FFu, onBlue.At(0, 5));
    EXPECT_EQ(0xFF880077u, onBlue.At(8, 5));
    EXPECT_EQ(0xFFFF0000u, onBlue.At(15, 5));
    // Opaque copy ignores the image's alpha.
    EXPECT_EQ(0xFFFF0000u, DrawnPixels(ramp, 0xFF0000FF, true).At(0, 5));
}

TEST_F(ImageTest, DrawPartScaledAndClippedOnBothRowOrders) {
    CxImage image(WriteBytes(L"q.bmp", testimg::MakeBmp24(testimg::MakePattern(16, 16, Quarters))).c_str(),
                  CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(image.IsValid());
    for (bool topDown : {false, true}) {
        Surface surface(20, 20, topDown, 0);
        // The blue quarter, doubled, hanging off the right and bottom edges.
        ASSERT_TRUE(image.DrawTo32BitDC_(surface.Dc(), RECT{4, 6, 20, 22}, RECT{0, 8, 8, 16}, false));
        EXPECT_EQ(0u, surface.At(3, 6)) << topDown;
        EXPECT_EQ(0u, surface.At(4, 5)) << topDown;
        EXPECT_EQ(0xFF0000FFu, surface.At(4, 6)) << topDown;
        EXPECT_EQ(0xFF0000FFu, surface.At(19, 19)) << topDown;
        // Entirely off the surface: nothing drawn, no fault.
        EXPECT_TRUE(image.DrawTo32BitDC_(surface.Dc(), RECT{-50, -50, -10, -10}, RECT{0, 0, 16, 16}, false));
    }
}

TEST_F(ImageTest, DrawRefusesBadPartsAndOtherSurfaces) {
    CxImage image(WriteBytes(L"q.bmp", testimg::MakeBmp24(testimg::MakePattern(16, 16, Quarters))).c_str(),
                  CXIMAGE_FORMAT_BMP);
    ASSERT_TRUE(image.IsValid());
    Surface surface(20, 20, false, 0);
    EXPECT_FALSE(image.DrawTo32BitDC_(surface.Dc(), RECT{0, 0, 10, 10}, RECT{10, 0, 17, 8}, false));
    EXPECT_FALSE(image.DrawTo32BitDC_(surface.Dc(), RECT{0, 0, 10, 10}, RECT{-1, 0, 5, 5}, false));
    EXPECT_FALSE(image.DrawTo32BitDC_(surface.Dc(), RECT{0, 0, 10, 10}, RECT{5, 5, 5, 9}, false));
    EXPECT_FALSE(image.DrawTo32BitDC_(nullptr, 0, 0, false));
    // A memory DC holding only its 1-bit stock bitmap is no 32-bit surface.
    HDC plain = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(image.DrawTo32BitDC_(plain, 0, 0, false));
    DeleteDC(plain);
}

}  // namespace
