#pragma once
// GDI+ decoding and encoding of whole images as straight 32-bit BGRA pixels
// (rows top-down). GDI+ is started on first use and kept for the process.
#include <windows.h>
#include <cstdint>
#include <vector>

namespace cximage {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bgra;
};

// Decodes a file already checked by IsCompleteImageFile.
bool DecodeImage(const std::vector<uint8_t>& file, Pixels& out);
// Writes BMP, JPEG or PNG (CXIMAGE_FORMAT_*) through the GDI+ encoders.
bool EncodeImage(const wchar_t* path, DWORD imagetype, const Pixels& image);

}  // namespace cximage
