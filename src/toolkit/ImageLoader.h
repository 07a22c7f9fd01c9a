#pragma once
// Loading an image file with the type its extension names. Window thread
// (or any thread, for images not yet shared).
#include <windows.h>

#include <memory>

#include "ximage.h"

// The CXIMAGE_FORMAT_* of the extension after the last dot, compared without
// case: "png", "jpg"/"jpeg", "bmp", "ico"; anything else or none: PNG.
DWORD ImageTypeFromPath(const wchar_t* path);

// Frees the image in *slot, then loads path into it when the file is a valid
// image of its extension's type. True when *slot now holds an image; a null
// path or slot returns false.
bool LoadImageFile(const wchar_t* path, std::unique_ptr<CxImage>* slot);
