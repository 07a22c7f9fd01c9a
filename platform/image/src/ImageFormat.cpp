// Image library stand-in: structural checks of PNG, JPEG, BMP and ICO files.
// Every read goes through ByteReader, which refuses to pass the end.
#include "ImageFormat.h"

#include "ximage.h"

namespace cximage {
namespace {

constexpr uint64_t kMaxPixels = 32ull * 1024 * 1024;
constexpr int64_t kMaxSide = 16384;

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Has(size_t pos, size_t count) const { return pos <= size_ && count <= size_ - pos; }
    bool U8(size_t pos, uint8_t& out) const {
        if (!Has(pos, 1)) return false;
        out = data_[pos];
        return true;
    }
    bool Be16(size_t pos, uint32_t& out) const {
        if (!Has(pos, 2)) return false;
        out = (uint32_t{data_[pos]} << 8) | data_[pos + 1];
        return true;
    }
    bool Be32(size_t pos, uint32_t& out) const {
        if (!Has(pos, 4)) return false;
        out = (uint32_t{data_[pos]} << 24) | (uint32_t{data_[pos + 1]} << 16) |
              (uint32_t{data_[pos + 2]} << 8) | data_[pos + 3];
        return true;
    }
    bool Le16(size_t pos, uint32_t& out) const {
        if (!Has(pos, 2)) return false;
        out = data_[pos] | (uint32_t{data_[pos + 1]} << 8);
        return true;
    }
    bool Le32(size_t pos, uint32_t& out) const {
        if (!Has(pos, 4)) return false;
        out = data_[pos] | (uint32_t{data_[pos + 1]} << 8) | (uint32_t{data_[pos + 2]} << 16) |
              (uint32_t{data_[pos + 3]} << 24);
        return true;
    }
    bool Equals(size_t pos, const char* bytes, size_t count) const {
        if (!Has(pos, count)) return false;
        for (size_t i = 0; i < count; ++i)
            if (data_[pos + i] != static_cast<uint8_t>(bytes[i])) return false;
        return true;
    }
    size_t Size() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};

bool SaneSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxPixels;
}

// Bytes of a bottom-up or top-down DIB pixel array with 4-byte aligned rows.
uint64_t DibBytes(int64_t width, int64_t height, uint32_t bitCount) {
    return ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4 * static_cast<uint64_t>(height);
}

// Reads the BITMAPINFOHEADER-style header at pos (the file ends at end):
// the bytes of header plus palette and of the pixel array. An icon's header
// counts the mask rows in its height, and its mask follows the pixels.
bool ParseDib(const ByteReader& r, size_t pos, size_t end, bool isIcon, uint64_t& headerBytes,
              uint64_t& pixelBytes) {
    uint32_t headerSize = 0, width = 0, height = 0, planesBits = 0, compression = 0, sizeImage = 0,
             colorsUsed = 0;
    if (end > r.Size() || pos > end || !r.Le32(pos, headerSize) || headerSize < 40 || headerSize > end - pos)
        return false;
    if (!r.Le32(pos + 4, width) || !r.Le32(pos + 8, height) || !r.Le32(pos + 12, planesBits) ||
        !r.Le32(pos + 16, compression) || !r.Le32(pos + 20, sizeImage) || !r.Le32(pos + 32, colorsUsed))
        return false;
    const int64_t w = static_cast<int32_t>(width);
    int64_t h = static_cast<int32_t>(height);
    if (h < 0) h = -h;
    if (isIcon) h /= 2;
    const uint32_t bitCount = planesBits >> 16;
    if (!SaneSize(w, h) || colorsUsed > 256) return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;
    headerBytes = headerSize;
    if (bitCount <= 8) headerBytes += 4ull * (colorsUsed ? colorsUsed : (1u << bitCount));
    if (compression == BI_BITFIELDS && headerSize == 40) headerBytes += 12;
    if (compression == BI_RGB || compression == BI_BITFIELDS) {
        pixelBytes = DibBytes(w, h, bitCount);
        if (isIcon) pixelBytes += DibBytes(w, h, 1);
        return true;
    }
    if ((compression == BI_RLE8 || compression == BI_RLE4) && !isIcon && sizeImage != 0) {
        pixelBytes = sizeImage;
        return true;
    }
    return false;
}

}  // namespace

bool IsCompletePng(const uint8_t* data, size_t size) {
    const ByteReader r(data, size);
    if (!r.Equals(0, "\x89PNG\r\n\x1a\n", 8)) return false;
    size_t pos = 8;
    bool first = true, sawData = false;
    for (;;) {
        uint32_t length = 0, width = 0, height = 0;
        if (!r.Be32(pos, length) || !r.Has(pos + 8, length) || !r.Has(pos + 8 + length, 4)) return false;
        if (first) {
            if (!r.Equals(pos + 4, "IHDR", 4) || length != 13 || !r.Be32(pos + 8, width) ||
                !r.Be32(pos + 12, height) || !SaneSize(width, height))
                return false;
            first = false;
        }
        if (r.Equals(pos + 4, "IDAT", 4)) sawData = true;
        if (r.Equals(pos + 4, "IEND", 4)) return sawData;
        pos += 12 + static_cast<size_t>(length);
    }
}

bool IsCompleteJpeg(const uint8_t* data, size_t size) {
    const ByteReader r(data, size);
    if (!r.Equals(0, "\xFF\xD8\xFF", 3)) return false;
    size_t pos = 2;
    bool sawFrame = false;
    for (;;) {
        uint8_t ff = 0, marker = 0;
        if (!r.U8(pos, ff) || ff != 0xFF || !r.U8(pos + 1, marker)) return false;
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xD9) return sawFrame;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        uint32_t length = 0;
        if (!r.Be16(pos + 2, length) || length < 2 || !r.Has(pos + 2, length)) return false;
        if ((marker >= 0xC0 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            uint32_t height = 0, width = 0;
            if (!r.Be16(pos + 5, height) || !r.Be16(pos + 7, width) || !SaneSize(width, height)) return false;
            sawFrame = true;
        }
        pos += 2 + length;
        if (marker != 0xDA) continue;
        // Entropy-coded data: runs until a marker other than a stuffed zero or a restart.
        for (;;) {
            uint8_t b = 0, next = 0;
            if (!r.U8(pos, b)) return false;
            if (b != 0xFF) {
                ++pos;
                continue;
            }
            if (!r.U8(pos + 1, next)) return false;
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                pos += (next == 0xFF) ? 1 : 2;
                continue;
            }
            break;
        }
    }
}

bool IsCompleteBmp(const uint8_t* data, size_t size) {
    const ByteReader r(data, size);
    uint32_t offBits = 0;
    uint64_t headerBytes = 0, pixelBytes = 0;
    if (!r.Equals(0, "BM", 2) || !r.Le32(10, offBits) || offBits < 14 + 40 || offBits > size) return false;
    if (!ParseDib(r, 14, size, false, headerBytes, pixelBytes)) return false;
    return headerBytes <= offBits - 14u && pixelBytes <= size - offBits;
}

bool IsCompleteIco(const uint8_t* data, size_t size) {
    const ByteReader r(data, size);
    uint32_t reserved = 1, type = 0, count = 0;
    if (!r.Le16(0, reserved) || !r.Le16(2, type) || !r.Le16(4, count)) return false;
    if (reserved != 0 || type != 1 || count == 0) return false;
    const size_t dirEnd = 6 + 16 * static_cast<size_t>(count);
    if (!r.Has(0, dirEnd)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * static_cast<size_t>(i);
        uint32_t bytes = 0, offset = 0;
        r.Le32(entry + 8, bytes);
        r.Le32(entry + 12, offset);
        if (offset < dirEnd || !r.Has(offset, bytes)) return false;
        if (r.Equals(offset, "\x89PNG", 4)) {
            if (!IsCompletePng(data + offset, bytes)) return false;
            continue;
        }
        uint64_t headerBytes = 0, pixelBytes = 0;
        if (!ParseDib(r, offset, offset + bytes, true, headerBytes, pixelBytes) ||
            headerBytes + pixelBytes > bytes)
            return false;
    }
    return true;
}

bool IsCompleteImageFile(const uint8_t* data, size_t size, DWORD imagetype) {
    if (!data) return false;
    switch (imagetype) {
        case CXIMAGE_FORMAT_PNG: return IsCompletePng(data, size);
        case CXIMAGE_FORMAT_JPG: return IsCompleteJpeg(data, size);
        case CXIMAGE_FORMAT_BMP: return IsCompleteBmp(data, size);
        case CXIMAGE_FORMAT_ICO: return IsCompleteIco(data, size);
        default: return false;
    }
}

}  // namespace cximage
