#pragma once
// Writes an icon file with one 32-bit entry (GDI+ has no icon encoder).
#include "GdiplusCodec.h"

namespace cximage {

// At most 256 x 256; the mask marks fully transparent pixels.
bool WriteIco(const wchar_t* path, const Pixels& image);

}  // namespace cximage
