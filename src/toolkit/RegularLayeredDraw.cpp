#include "RegularLayeredDraw.h"

#include <algorithm>

void CRegularLayeredDraw::Draw(HDC dc, SIZE size) {
    CxImage* image = Image();
    if (!image || !image->IsValid()) return;
    const LONG iw = static_cast<LONG>(image->GetWidth()), ih = static_cast<LONG>(image->GetHeight());
    // Margins larger than the image or the target shrink to fit.
    const LONG l = std::min(margins_.left, iw / 2), r = std::min(margins_.right, iw - l);
    const LONG t = std::min(margins_.top, ih / 2), b = std::min(margins_.bottom, ih - t);
    const LONG srcX[4] = {0, l, iw - r, iw}, srcY[4] = {0, t, ih - b, ih};
    const LONG dstX[4] = {0, std::min(l, size.cx), std::max(size.cx - r, std::min(l, size.cx)), size.cx};
    const LONG dstY[4] = {0, std::min(t, size.cy), std::max(size.cy - b, std::min(t, size.cy)), size.cy};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const RECT src = {srcX[col], srcY[row], srcX[col + 1], srcY[row + 1]};
            const RECT dst = {dstX[col], dstY[row], dstX[col + 1], dstY[row + 1]};
            if (src.right > src.left && src.bottom > src.top && dst.right > dst.left && dst.bottom > dst.top)
                image->DrawTo32BitDC_(dc, dst, src, false);
        }
    }
}
