#pragma once
// Structural checks of image files held in memory: the file is complete and
// every length, offset and size it declares stays inside it. Run before a
// file reaches the decoder, so the decoder never meets a short file.
#include <windows.h>
#include <cstddef>
#include <cstdint>

namespace cximage {

// True when data[0, size) is a complete file of the given CXIMAGE_FORMAT_*.
bool IsCompleteImageFile(const uint8_t* data, size_t size, DWORD imagetype);

// The checks per format, exposed for the ICO check of embedded images.
bool IsCompletePng(const uint8_t* data, size_t size);
bool IsCompleteJpeg(const uint8_t* data, size_t size);
bool IsCompleteBmp(const uint8_t* data, size_t size);
bool IsCompleteIco(const uint8_t* data, size_t size);

}  // namespace cximage
