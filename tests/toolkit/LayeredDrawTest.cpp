// The layered drawers' background: whole image at the origin, or a
// nine-grid with unscaled corners, stretched edges and centre.
#include "ImageLoader.h"
#include "RegularLayeredDraw.h"

#include <gtest/gtest.h>

#include "Harness.h"
#include "TestImages.h"

namespace {

constexpr uint32_t kCorner = 0xFFFF0000, kEdge = 0xFF00FF00, kCentre = 0xFF0000FF;

// 12 x 12 with 3-pixel margins.
uint32_t Grid(int x, int y) {
    const bool edgeX = x < 3 || x >= 9, edgeY = y < 3 || y >= 9;
    return edgeX && edgeY ? kCorner : (edgeX || edgeY ? kEdge : kCentre);
}

class LayeredDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = harness::MakeScratchDir(L"layered") + L"\\grid.png";
        ASSERT_TRUE(testimg::WriteWithGdiplus(path_, L"image/png", testimg::MakePattern(12, 12, Grid)));
    }
    std::wstring path_;
};

TEST_F(LayeredDrawTest, NineGridKeepsCornersAndStretchesTheRest) {
    CRegularLayeredDraw drawer(3, 3, 3, 3);
    ASSERT_TRUE(LoadImageFile(path_.c_str(), drawer.ImageSlot()));
    testimg::Surface surface(40, 30, false, 0);
    drawer.Draw(surface.Dc(), SIZE{40, 30});
    EXPECT_EQ(kCorner, surface.At(0, 0));
    EXPECT_EQ(kCorner, surface.At(2, 2));
    EXPECT_EQ(kEdge, surface.At(3, 0));    // top edge starts right after the corner
    EXPECT_EQ(kEdge, surface.At(36, 2));   // and runs to the far corner
    EXPECT_EQ(kCorner, surface.At(37, 0));
    EXPECT_EQ(kCorner, surface.At(39, 29));
    EXPECT_EQ(kEdge, surface.At(0, 15));
    EXPECT_EQ(kCentre, surface.At(3, 3));
    EXPECT_EQ(kCentre, surface.At(36, 26));
    EXPECT_EQ(kEdge, surface.At(20, 27));
}

TEST_F(LayeredDrawTest, SimpleDrawerPutsTheWholeImageAtTheOrigin) {
    CSimpleLayeredDraw drawer;
    testimg::Surface surface(20, 20, false, 0);
    drawer.Draw(surface.Dc(), SIZE{20, 20});  // no image: nothing
    EXPECT_EQ(0u, surface.At(0, 0));
    ASSERT_TRUE(LoadImageFile(path_.c_str(), drawer.ImageSlot()));
    drawer.Draw(surface.Dc(), SIZE{20, 20});
    EXPECT_EQ(kCorner, surface.At(0, 0));
    EXPECT_EQ(kCentre, surface.At(5, 5));
    EXPECT_EQ(kCorner, surface.At(11, 11));
    EXPECT_EQ(0u, surface.At(12, 12));
}

}  // namespace
