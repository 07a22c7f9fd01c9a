#pragma once
// Test images made on the fly: files written through GDI+ directly (not
// through the library under test), hand-made BMP bytes, and a 32-bit DIB
// surface to draw on and read back.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testimg {

// Straight BGRA, rows top-down.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bgra;
    uint32_t At(int x, int y) const { return bgra[static_cast<size_t>(y) * width + x]; }
};

// A w x h image whose pixel (x, y) is colour(x, y).
Image MakePattern(int width, int height, uint32_t (*colour)(int x, int y));
// Writes the image with GDI+'s own encoder ("image/png", "image/bmp", "image/jpeg").
bool WriteWithGdiplus(const std::wstring& path, const wchar_t* mime, const Image& image);
// A plain 24-bit bottom-up BMP file, built byte by byte.
std::string MakeBmp24(const Image& image);

// A 32-bit DIB section selected into a memory DC.
class Surface {
public:
    Surface(int width, int height, bool topDown, uint32_t fill);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    HDC Dc() const { return dc_; }
    uint32_t At(int x, int y) const;

private:
    int width_, height_;
    bool topDown_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

}  // namespace testimg
