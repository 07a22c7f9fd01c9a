#include "Surface32.h"

#include <cstdint>

namespace toolkit {

bool Get32BitSurface(HDC dc, DIBSECTION& ds) {
    HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    return bitmap && ::GetObjectW(bitmap, sizeof(ds), &ds) == static_cast<int>(sizeof(ds)) && ds.dsBm.bmBits &&
           ds.dsBm.bmBitsPixel == 32 && ds.dsBm.bmWidth > 0 && ds.dsBm.bmHeight > 0;
}

bool IsTopDownSurface(HDC dc, const DIBSECTION& ds) {
    if (ds.dsBmih.biHeight < 0) return true;
    if (ds.dsBm.bmHeight < 2) return false;
    ::GdiFlush();
    auto* first = static_cast<uint32_t*>(ds.dsBm.bmBits);
    auto* last = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(ds.dsBm.bmBits) +
                                             static_cast<size_t>(ds.dsBm.bmHeight - 1) * ds.dsBm.bmWidthBytes);
    const uint32_t savedFirst = *first, savedLast = *last;
    *first = 0;
    *last = 0x00FFFFFF;
    POINT origin = {0, 0};
    ::DPtoLP(dc, &origin, 1);
    const COLORREF probe = ::GetPixel(dc, origin.x, origin.y);
    ::GdiFlush();
    *first = savedFirst;
    *last = savedLast;
    return probe == 0;
}

}  // namespace toolkit
