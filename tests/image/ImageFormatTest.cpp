// Structural checks of image files: every prefix of a good file is checked
// with the buffer ending right at an inaccessible page, so a read past the
// end faults the test instead of passing unnoticed.
#include "ImageFormat.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Harness.h"
#include "TestImages.h"
#include "ximage.h"

namespace {

// Holds bytes so that the byte after the last one is on a PAGE_NOACCESS page.
class GuardedBuffer {
public:
    explicit GuardedBuffer(const std::string& bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t dataPages = (bytes.size() + page - 1) / page + 1;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_COMMIT | MEM_RESERVE,
                                                   PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + dataPages * page - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
    const uint8_t* Data() const { return data_; }

private:
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
};

bool Complete(const std::string& bytes, DWORD type) {
    GuardedBuffer buffer(bytes);
    return cximage::IsCompleteImageFile(buffer.Data(), bytes.size(), type);
}

uint32_t Stripes(int x, int y) { return ((x + y) % 3 == 0) ? 0xFF204060u : 0x80A0C0E0u; }

class ImageFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = harness::MakeScratchDir(L"imageformat");
        const testimg::Image image = testimg::MakePattern(24, 12, Stripes);
        ASSERT_TRUE(testimg::WriteWithGdiplus(dir_ + L"\\s.png", L"image/png", image));
        ASSERT_TRUE(testimg::WriteWithGdiplus(dir_ + L"\\s.jpg", L"image/jpeg", image));
        CxImage png((dir_ + L"\\s.png").c_str(), CXIMAGE_FORMAT_PNG);
        ASSERT_TRUE(png.Save((dir_ + L"\\s.ico").c_str(), CXIMAGE_FORMAT_ICO));
        png_ = harness::ReadFileBytes(dir_ + L"\\s.png");
        jpg_ = harness::ReadFileBytes(dir_ + L"\\s.jpg");
        ico_ = harness::ReadFileBytes(dir_ + L"\\s.ico");
        bmp_ = testimg::MakeBmp24(image);
    }
    static void Put32(std::string& bytes, size_t pos, uint32_t v) { std::memcpy(&bytes[pos], &v, 4); }
    std::wstring dir_;
    std::string png_, jpg_, ico_, bmp_;
};

TEST_F(ImageFormatTest, EveryPrefixOfAGoodFileIsIncompleteAndReadsNothingPastIt) {
    struct Case { DWORD type; const std::string* bytes; } cases[] = {
        {CXIMAGE_FORMAT_PNG, &png_}, {CXIMAGE_FORMAT_JPG, &jpg_},
        {CXIMAGE_FORMAT_BMP, &bmp_}, {CXIMAGE_FORMAT_ICO, &ico_}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Complete(*c.bytes, c.type)) << c.type;
        for (size_t cut = 0; cut < c.bytes->size(); ++cut)
            ASSERT_FALSE(Complete(c.bytes->substr(0, cut), c.type)) << c.type << " cut at " << cut;
    }
}

TEST_F(ImageFormatTest, DeclaredSizesBeyondTheFileAreRefused) {
    std::string png = png_;
    png[8] = '\x7f';  // IHDR length far past the end
    EXPECT_FALSE(Complete(png, CXIMAGE_FORMAT_PNG));
    png = png_;
    Put32(png, 16, 0x00001000);  // IHDR width 1M (bytes 00 10 00 00, big-endian)
    EXPECT_FALSE(Complete(png, CXIMAGE_FORMAT_PNG));

    std::string bmp = bmp_;
    Put32(bmp, 10, static_cast<uint32_t>(bmp.size()) + 1);  // pixels start past the end
    EXPECT_FALSE(Complete(bmp, CXIMAGE_FORMAT_BMP));
    bmp = bmp_;
    Put32(bmp, 22, 13);  // taller than the pixel bytes present
    EXPECT_FALSE(Complete(bmp, CXIMAGE_FORMAT_BMP));
    bmp = bmp_;
    Put32(bmp, 18, 0x80000000u);  // negative width
    EXPECT_FALSE(Complete(bmp, CXIMAGE_FORMAT_BMP));

    std::string ico = ico_;
    Put32(ico, 18, static_cast<uint32_t>(ico.size()));  // image data starts at the end
    EXPECT_FALSE(Complete(ico, CXIMAGE_FORMAT_ICO));
    ico = ico_;
    Put32(ico, 22 + 8, 200);  // header height (with mask) larger than the entry's bytes
    EXPECT_FALSE(Complete(ico, CXIMAGE_FORMAT_ICO));
    ico = ico_;
    ico[4] = '\x40';  // 64 directory entries, only one present
    EXPECT_FALSE(Complete(ico, CXIMAGE_FORMAT_ICO));

    std::string jpg = jpg_;
    jpg.resize(jpg.size() - 2);
    jpg += std::string(2, '\0');  // end marker replaced by zeros
    EXPECT_FALSE(Complete(jpg, CXIMAGE_FORMAT_JPG));
}

TEST_F(ImageFormatTest, UnknownTypesAndNullAreRefused) {
    EXPECT_FALSE(cximage::IsCompleteImageFile(nullptr, 0, CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(Complete(png_, CXIMAGE_FORMAT_UNKNOWN));
    EXPECT_FALSE(Complete(png_, 2));
    EXPECT_FALSE(Complete(bmp_, CXIMAGE_FORMAT_ICO));
}

}  // namespace
