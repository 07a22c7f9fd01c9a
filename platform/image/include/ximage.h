#pragma once
// Image library stand-in: the CxImage class as the native widget layer uses
// it. Decoding and encoding go through GDI+; every file is read whole into
// memory and checked for structural completeness first, so a bad or
// truncated file fails to load and nothing is ever read past its end.
// Pixels are kept as straight (not premultiplied) 32-bit BGRA, top row first.
// Not thread-safe per object; different objects may be used on different threads.
#include <windows.h>
#include <cstdint>
#include <vector>

enum ENUM_CXIMAGE_FORMATS : DWORD {
    CXIMAGE_FORMAT_UNKNOWN = 0,
    CXIMAGE_FORMAT_BMP = 1,
    CXIMAGE_FORMAT_JPG = 3,
    CXIMAGE_FORMAT_PNG = 4,
    CXIMAGE_FORMAT_ICO = 5,
};

class CxImage {
public:
    CxImage() = default;
    // Loads the file as the given format (CXIMAGE_FORMAT_*). A file whose
    // content is not of that format does not load; check IsValid().
    CxImage(const wchar_t* filename, DWORD imagetype);
    virtual ~CxImage() = default;
    CxImage(const CxImage&) = default;
    CxImage& operator=(const CxImage&) = default;

    // Replaces the held image; on failure the object holds no image.
    bool Load(const wchar_t* filename, DWORD imagetype);
    // Writes the image as BMP (32-bit), JPEG (alpha dropped), PNG or ICO
    // (one 32-bit entry, at most 256 x 256).
    bool Save(const wchar_t* filename, DWORD imagetype) const;

    bool IsValid() const { return width_ > 0 && height_ > 0; }
    DWORD GetWidth() const { return static_cast<DWORD>(width_); }
    DWORD GetHeight() const { return static_cast<DWORD>(height_); }
    DWORD GetType() const { return type_; }

    // Draws the part src of the image into the part dst (logical units) of
    // the 32-bit DIB section selected into hdc, scaled when the sizes differ
    // (nearest pixel), clipped to the surface. The surface is taken as
    // premultiplied BGRA, as UpdateLayeredWindow wants it: pixels are blended
    // source-over, or copied unblended when bOpaque is set. False when the
    // DC holds no 32-bit DIB section, the image is empty or src is not a
    // non-empty part of the image.
    bool DrawTo32BitDC_(HDC hdc, RECT dst, RECT src, bool bOpaque);
    // Draws the whole image unscaled with its top-left corner at (x, y).
    bool DrawTo32BitDC_(HDC hdc, int x, int y, bool bOpaque);

private:
    void Clear();

    int width_ = 0;
    int height_ = 0;
    DWORD type_ = CXIMAGE_FORMAT_UNKNOWN;
    std::vector<uint32_t> pixels_;  // width_ * height_ straight BGRA, rows top-down
};
