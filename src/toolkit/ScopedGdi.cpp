#include "ScopedGdi.h"

namespace toolkit {

UniqueBitmap CreateDib(int width, int height, int bitCount, void** bits) {
    *bits = nullptr;
    if (width <= 0 || height <= 0) return UniqueBitmap();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    if (!bitmap) *bits = nullptr;
    return bitmap;
}

}  // namespace toolkit
