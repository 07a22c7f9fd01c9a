// Image library stand-in: the CxImage object (load, save, sizes, drawing onto
// 32-bit surfaces). Files are read whole and checked before decoding.
#include "ximage.h"

#include <algorithm>
#include <memory>

#include "GdiplusCodec.h"
#include "IcoWriter.h"
#include "ImageFormat.h"

namespace {

constexpr LONGLONG kMaxFileBytes = 64ll * 1024 * 1024;

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};

bool ReadWholeFile(const wchar_t* path, std::vector<uint8_t>& out) {
    HANDLE raw = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (raw == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<void, HandleCloser> file(raw);
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(raw, &size) || size.QuadPart <= 0 || size.QuadPart > kMaxFileBytes) return false;
    out.assign(static_cast<size_t>(size.QuadPart), 0);
    DWORD read = 0;
    return ReadFile(raw, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) && read == out.size();
}

// The DIB section selected into the DC, when it is 32-bit with bits.
bool Get32BitSurface(HDC hdc, DIBSECTION& ds) {
    HGDIOBJ bitmap = GetCurrentObject(hdc, OBJ_BITMAP);
    if (!bitmap || GetObjectW(bitmap, sizeof(ds), &ds) != static_cast<int>(sizeof(ds))) return false;
    return ds.dsBm.bmBits && ds.dsBm.bmBitsPixel == 32 && ds.dsBm.bmWidth > 0 && ds.dsBm.bmHeight > 0;
}

// Whether the surface's first row in memory is its top row. A top-down DIB
// has a negative height on Windows, but some GDI implementations report it
// positive; then the first pixel of each end row is probed through GDI and
// put back.
bool IsTopDown(HDC hdc, const DIBSECTION& ds) {
    if (ds.dsBmih.biHeight < 0) return true;
    if (ds.dsBm.bmHeight < 2) return false;
    GdiFlush();
    auto* first = static_cast<uint32_t*>(ds.dsBm.bmBits);
    auto* last = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(ds.dsBm.bmBits) +
                                             static_cast<size_t>(ds.dsBm.bmHeight - 1) * ds.dsBm.bmWidthBytes);
    const uint32_t savedFirst = *first, savedLast = *last;
    *first = 0;
    *last = 0x00FFFFFF;
    POINT origin = {0, 0};
    DPtoLP(hdc, &origin, 1);
    const COLORREF probe = GetPixel(hdc, origin.x, origin.y);
    GdiFlush();
    *first = savedFirst;
    *last = savedLast;
    return probe == 0;
}

uint32_t Premultiply(uint32_t px) {
    const uint32_t a = px >> 24;
    if (a == 255) return px;
    uint32_t out = a << 24;
    for (int shift = 0; shift < 24; shift += 8) out |= ((((px >> shift) & 0xFF) * a + 127) / 255) << shift;
    return out;
}

// Source-over of a premultiplied source pixel onto a premultiplied one.
uint32_t BlendOver(uint32_t src, uint32_t dst) {
    const uint32_t inv = 255 - (src >> 24);
    if (inv == 0) return src;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        out |= ((s + (d * inv + 127) / 255) & 0xFF) << shift;
    }
    return out;
}

}  // namespace

CxImage::CxImage(const wchar_t* filename, DWORD imagetype) { Load(filename, imagetype); }

void CxImage::Clear() {
    width_ = height_ = 0;
    type_ = CXIMAGE_FORMAT_UNKNOWN;
    pixels_.clear();
}

bool CxImage::Load(const wchar_t* filename, DWORD imagetype) {
    Clear();
    std::vector<uint8_t> file;
    if (!filename || !ReadWholeFile(filename, file)) return false;
    if (!cximage::IsCompleteImageFile(file.data(), file.size(), imagetype)) return false;
    cximage::Pixels image;
    if (!cximage::DecodeImage(file, image)) return false;
    width_ = image.width;
    height_ = image.height;
    type_ = imagetype;
    pixels_ = std::move(image.bgra);
    return true;
}

bool CxImage::Save(const wchar_t* filename, DWORD imagetype) const {
    if (!IsValid() || !filename) return false;
    cximage::Pixels image;
    image.width = width_;
    image.height = height_;
    image.bgra = pixels_;
    if (imagetype == CXIMAGE_FORMAT_ICO) return cximage::WriteIco(filename, image);
    return cximage::EncodeImage(filename, imagetype, image);
}

bool CxImage::DrawTo32BitDC_(HDC hdc, RECT dst, RECT src, bool bOpaque) {
    DIBSECTION ds = {};
    if (!IsValid() || !hdc || !Get32BitSurface(hdc, ds)) return false;
    if (src.left < 0 || src.top < 0 || src.right > width_ || src.bottom > height_ || src.left >= src.right ||
        src.top >= src.bottom)
        return false;
    if (!LPtoDP(hdc, reinterpret_cast<POINT*>(&dst), 2) || dst.left >= dst.right || dst.top >= dst.bottom)
        return false;
    const LONG surfaceW = ds.dsBm.bmWidth, surfaceH = ds.dsBm.bmHeight;
    const bool bottomUp = !IsTopDown(hdc, ds);
    auto* bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    const int64_t dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    const int64_t srcW = src.right - src.left, srcH = src.bottom - src.top;
    for (LONG y = std::max<LONG>(dst.top, 0); y < std::min<LONG>(dst.bottom, surfaceH); ++y) {
        const int64_t sy = src.top + (y - dst.top) * srcH / dstH;
        const LONG row = bottomUp ? surfaceH - 1 - y : y;
        auto* line = reinterpret_cast<uint32_t*>(bits + static_cast<size_t>(row) * ds.dsBm.bmWidthBytes);
        const uint32_t* srcLine = &pixels_[static_cast<size_t>(sy) * width_];
        for (LONG x = std::max<LONG>(dst.left, 0); x < std::min<LONG>(dst.right, surfaceW); ++x) {
            const uint32_t px = srcLine[src.left + (x - dst.left) * srcW / dstW];
            line[x] = bOpaque ? (px | 0xFF000000u) : BlendOver(Premultiply(px), line[x]);
        }
    }
    return true;
}

bool CxImage::DrawTo32BitDC_(HDC hdc, int x, int y, bool bOpaque) {
    const RECT dst = {x, y, x + width_, y + height_};
    const RECT src = {0, 0, width_, height_};
    return DrawTo32BitDC_(hdc, dst, src, bOpaque);
}
