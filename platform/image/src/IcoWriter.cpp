// Image library stand-in: icon files, one 32-bit DIB entry with its AND mask.
#include "IcoWriter.h"

#include <cstring>
#include <memory>

namespace cximage {
namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

std::vector<uint8_t> BuildIco(const Pixels& image) {
    const uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
    const uint32_t maskStride = ((w + 31) / 32) * 4;
    const uint32_t dibBytes = 40 + w * h * 4 + maskStride * h;
    std::vector<uint8_t> out;
    out.reserve(22 + dibBytes);
    PutLe16(out, 0);  // ICONDIR
    PutLe16(out, 1);
    PutLe16(out, 1);
    out.push_back(static_cast<uint8_t>(w == 256 ? 0 : w));  // ICONDIRENTRY
    out.push_back(static_cast<uint8_t>(h == 256 ? 0 : h));
    out.push_back(0);
    out.push_back(0);
    PutLe16(out, 1);
    PutLe16(out, 32);
    PutLe32(out, dibBytes);
    PutLe32(out, 22);
    PutLe32(out, 40);  // BITMAPINFOHEADER, height counts the mask
    PutLe32(out, w);
    PutLe32(out, h * 2);
    PutLe16(out, 1);
    PutLe16(out, 32);
    for (int i = 0; i < 6; ++i) PutLe32(out, 0);
    for (uint32_t y = h; y-- > 0;)  // rows bottom-up
        for (uint32_t x = 0; x < w; ++x) PutLe32(out, image.bgra[static_cast<size_t>(y) * w + x]);
    for (uint32_t y = h; y-- > 0;) {
        std::vector<uint8_t> row(maskStride, 0);
        for (uint32_t x = 0; x < w; ++x)
            if ((image.bgra[static_cast<size_t>(y) * w + x] >> 24) == 0) row[x / 8] |= 0x80 >> (x % 8);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

bool WriteIco(const wchar_t* path, const Pixels& image) {
    if (!path || image.width <= 0 || image.height <= 0 || image.width > 256 || image.height > 256) return false;
    const std::vector<uint8_t> bytes = BuildIco(image);
    FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace cximage
