// Image library stand-in: GDI+ as the codec.
#include "GdiplusCodec.h"

#include <gdiplus.h>
#include <objidl.h>
#include <shlwapi.h>

#include <memory>
#include <mutex>

#include "ximage.h"

namespace cximage {
namespace {

struct ComRelease {
    void operator()(IUnknown* p) const { p->Release(); }
};
using StreamPtr = std::unique_ptr<IStream, ComRelease>;

// Started once and never shut down: images may live in static objects whose
// destructors run after any shut-down point we could pick.
bool EnsureGdiplus() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    });
    return started;
}

const wchar_t* MimeType(DWORD imagetype) {
    switch (imagetype) {
        case CXIMAGE_FORMAT_BMP: return L"image/bmp";
        case CXIMAGE_FORMAT_JPG: return L"image/jpeg";
        case CXIMAGE_FORMAT_PNG: return L"image/png";
        default: return nullptr;
    }
}

bool FindEncoder(const wchar_t* mime, CLSID& clsid) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && lstrcmpiW(codecs[i].MimeType, mime) == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

bool DecodeImage(const std::vector<uint8_t>& file, Pixels& out) {
    if (!EnsureGdiplus() || file.empty() || file.size() > MAXUINT) return false;
    StreamPtr stream(SHCreateMemStream(file.data(), static_cast<UINT>(file.size())));
    if (!stream) return false;
    Gdiplus::Bitmap bitmap(stream.get(), FALSE);
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
    const UINT width = bitmap.GetWidth(), height = bitmap.GetHeight();
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return false;
    Pixels image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.bgra.assign(static_cast<size_t>(width) * height, 0);
    Gdiplus::BitmapData data = {};
    data.Width = width;
    data.Height = height;
    data.Stride = static_cast<INT>(width * 4);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = image.bgra.data();
    Gdiplus::Rect rect(0, 0, image.width, image.height);
    if (bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                        PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;
    if (bitmap.UnlockBits(&data) != Gdiplus::Ok) return false;
    out = std::move(image);
    return true;
}

bool EncodeImage(const wchar_t* path, DWORD imagetype, const Pixels& image) {
    const wchar_t* mime = MimeType(imagetype);
    CLSID clsid = {};
    if (!path || !mime || !EnsureGdiplus() || !FindEncoder(mime, clsid)) return false;
    if (imagetype != CXIMAGE_FORMAT_JPG) {
        Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppARGB,
                               reinterpret_cast<BYTE*>(const_cast<uint32_t*>(image.bgra.data())));
        return bitmap.GetLastStatus() == Gdiplus::Ok && bitmap.Save(path, &clsid, nullptr) == Gdiplus::Ok;
    }
    // JPEG has no alpha: hand the encoder plain 24-bit rows.
    const int stride = (image.width * 3 + 3) & ~3;
    std::vector<uint8_t> rgb(static_cast<size_t>(stride) * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t px = image.bgra[static_cast<size_t>(y) * image.width + x];
            uint8_t* dst = &rgb[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
            dst[0] = static_cast<uint8_t>(px);
            dst[1] = static_cast<uint8_t>(px >> 8);
            dst[2] = static_cast<uint8_t>(px >> 16);
        }
    }
    Gdiplus::Bitmap bitmap(image.width, image.height, stride, PixelFormat24bppRGB, rgb.data());
    return bitmap.GetLastStatus() == Gdiplus::Ok && bitmap.Save(path, &clsid, nullptr) == Gdiplus::Ok;
}

}  // namespace cximage
