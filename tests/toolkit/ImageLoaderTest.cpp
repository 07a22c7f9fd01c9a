// Image loading by extension: the type comes from the text after the last
// dot, without case; a file whose content is of another type does not load.
#include "ImageLoader.h"

#include <gtest/gtest.h>

#include "Harness.h"
#include "TestImages.h"

namespace {

uint32_t Grey(int, int) { return 0xFF808080; }

TEST(ImageLoaderTest, TypeComesFromTheLastExtensionWithoutCase) {
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_PNG), ImageTypeFromPath(L"C:\\a\\close.png"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_JPG), ImageTypeFromPath(L"photo.JPG"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_JPG), ImageTypeFromPath(L"photo.JpEg"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_BMP), ImageTypeFromPath(L"x.tar.Bmp"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_ICO), ImageTypeFromPath(L"app.ICO"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_PNG), ImageTypeFromPath(L"noextension"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_PNG), ImageTypeFromPath(L"anim.gif"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_PNG), ImageTypeFromPath(L"C:\\dir.jpg\\file"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_PNG), ImageTypeFromPath(L"trailing."));
}

class ImageLoaderFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = harness::MakeScratchDir(L"loader");
        const testimg::Image image = testimg::MakePattern(10, 8, Grey);
        ASSERT_TRUE(testimg::WriteWithGdiplus(dir_ + L"\\a.JPEG", L"image/jpeg", image));
        ASSERT_TRUE(testimg::WriteWithGdiplus(dir_ + L"\\png-as.JPEG", L"image/png", image));
        ASSERT_TRUE(testimg::WriteWithGdiplus(dir_ + L"\\plain", L"image/png", image));
        ASSERT_TRUE(testimg::WriteWithGdiplus(dir_ + L"\\jpeg-plain", L"image/jpeg", image));
        CxImage png((dir_ + L"\\plain").c_str(), CXIMAGE_FORMAT_PNG);
        ASSERT_TRUE(png.Save((dir_ + L"\\b.ICO").c_str(), CXIMAGE_FORMAT_ICO));
    }
    bool Load(const wchar_t* name) { return LoadImageFile((dir_ + L"\\" + name).c_str(), &slot_); }
    std::wstring dir_;
    std::unique_ptr<CxImage> slot_;
};

TEST_F(ImageLoaderFilesTest, CapitalExtensionsAndNoExtensionLoadByTheirType) {
    ASSERT_TRUE(Load(L"a.JPEG"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_JPG), slot_->GetType());
    EXPECT_EQ(10u, slot_->GetWidth());
    ASSERT_TRUE(Load(L"b.ICO"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_ICO), slot_->GetType());
    ASSERT_TRUE(Load(L"plain"));
    EXPECT_EQ(DWORD(CXIMAGE_FORMAT_PNG), slot_->GetType());
    EXPECT_FALSE(Load(L"jpeg-plain"));  // read as PNG, and it is none
}

TEST_F(ImageLoaderFilesTest, FailureEmptiesTheSlotAndNullsAreRefused) {
    ASSERT_TRUE(Load(L"plain"));
    EXPECT_FALSE(Load(L"png-as.JPEG"));
    EXPECT_EQ(nullptr, slot_);
    ASSERT_TRUE(Load(L"plain"));
    EXPECT_FALSE(Load(L"missing.png"));
    EXPECT_EQ(nullptr, slot_);
    EXPECT_FALSE(LoadImageFile(nullptr, &slot_));
    EXPECT_FALSE(LoadImageFile((dir_ + L"\\plain").c_str(), nullptr));
}

}  // namespace
