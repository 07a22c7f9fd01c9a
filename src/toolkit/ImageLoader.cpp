#include "ImageLoader.h"

#include <cwchar>

DWORD ImageTypeFromPath(const wchar_t* path) {
    const wchar_t* dot = path ? std::wcsrchr(path, L'.') : nullptr;
    if (!dot) return CXIMAGE_FORMAT_PNG;
    const wchar_t* ext = dot + 1;
    if (_wcsicmp(ext, L"jpg") == 0 || _wcsicmp(ext, L"jpeg") == 0) return CXIMAGE_FORMAT_JPG;
    if (_wcsicmp(ext, L"bmp") == 0) return CXIMAGE_FORMAT_BMP;
    if (_wcsicmp(ext, L"ico") == 0) return CXIMAGE_FORMAT_ICO;
    return CXIMAGE_FORMAT_PNG;
}

bool LoadImageFile(const wchar_t* path, std::unique_ptr<CxImage>* slot) {
    if (!path || !slot) return false;
    slot->reset();
    auto image = std::make_unique<CxImage>(path, ImageTypeFromPath(path));
    if (image->IsValid()) *slot = std::move(image);
    return static_cast<bool>(*slot);
}
