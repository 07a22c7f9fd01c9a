#pragma once
// The 32-bit DIB section a DC draws into, for code that writes its pixels.
#include <windows.h>

namespace toolkit {

// True when the bitmap selected into dc is a 32-bit DIB section with bits.
bool Get32BitSurface(HDC dc, DIBSECTION& ds);
// Whether the surface's first row in memory is its top row. A top-down DIB
// has a negative height on Windows, but some GDI implementations report it
// positive; then the first pixel of each end row is probed through GDI and
// put back.
bool IsTopDownSurface(HDC dc, const DIBSECTION& ds);

}  // namespace toolkit
