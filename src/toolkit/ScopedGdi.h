#pragma once
// Owners for the GDI resources of the widget layer (the core's move-only
// wrapper keyed on the release call), plus a guard that restores a selected
// object.
#include <windows.h>

#include "UniqueHandle.h"

namespace toolkit {

struct MemDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(HDC dc) { ::DeleteDC(dc); }
};
struct BitmapTraits {
    using Type = HBITMAP;
    static Type Invalid() { return nullptr; }
    static void Close(HBITMAP bitmap) { ::DeleteObject(bitmap); }
};
struct FontTraits {
    using Type = HFONT;
    static Type Invalid() { return nullptr; }
    static void Close(HFONT font) { ::DeleteObject(font); }
};
using UniqueMemDc = ::Unique<MemDcTraits>;    // CreateCompatibleDC -> DeleteDC
using UniqueBitmap = ::Unique<BitmapTraits>;  // CreateDIBSection -> DeleteObject
using UniqueFont = ::Unique<FontTraits>;      // CreateFontIndirect -> DeleteObject

// Selects an object into a DC and selects the previous one back on scope
// exit, so the object can be deleted afterwards. Declare it after the
// owner of the object, so it is restored before the object is deleted.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A bottom-up DIB section of the given size and depth, all bits zero
// (fully transparent at 32 bits); null on failure.
UniqueBitmap CreateDib(int width, int height, int bitCount, void** bits);

}  // namespace toolkit
