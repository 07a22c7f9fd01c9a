#include "TestImages.h"

#include <gdiplus.h>

#include <cstring>

namespace testimg {

Image MakePattern(int width, int height, uint32_t (*colour)(int x, int y)) {
    Image image;
    image.width = width;
    image.height = height;
    image.bgra.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.bgra[static_cast<size_t>(y) * width + x] = colour(x, y);
    return image;
}

bool WriteWithGdiplus(const std::wstring& path, const wchar_t* mime, const Image& image) {
    static ULONG_PTR token = 0;
    if (!token) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    }
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::vector<uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (bytes == 0 || Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (lstrcmpiW(codecs[i].MimeType, mime) != 0) continue;
        Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppARGB,
                               reinterpret_cast<BYTE*>(const_cast<uint32_t*>(image.bgra.data())));
        return bitmap.Save(path.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    return false;
}

std::string MakeBmp24(const Image& image) {
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * image.height;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof(info);
    info.biWidth = image.width;
    info.biHeight = image.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = pixelBytes;
    std::string out(reinterpret_cast<const char*>(&file), sizeof(file));
    out.append(reinterpret_cast<const char*>(&info), sizeof(info));
    for (int y = image.height - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < image.width; ++x) std::memcpy(&row[static_cast<size_t>(x) * 3], &image.bgra[static_cast<size_t>(y) * image.width + x], 3);
        out += row;
    }
    return out;
}

Surface::Surface(int width, int height, bool topDown, uint32_t fill)
    : width_(width), height_(height), topDown_(topDown) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    for (int i = 0; bits_ && i < width * height; ++i) bits_[i] = fill;
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
}

Surface::~Surface() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

uint32_t Surface::At(int x, int y) const {
    GdiFlush();
    const int row = topDown_ ? y : height_ - 1 - y;
    return bits_[static_cast<size_t>(row) * width_ + x];
}

}  // namespace testimg
