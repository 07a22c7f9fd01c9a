#include "AlphaText.h"

#include <algorithm>
#include <cstdint>

#include "ScopedGdi.h"
#include "Surface32.h"

namespace {

// Sets font, colour and transparent background; restores them on scope exit.
class TextState {
public:
    TextState(HDC dc, const TextStyle& style)
        : dc_(dc), font_(dc, style.font), oldColor_(::SetTextColor(dc, style.color)),
          oldMode_(::SetBkMode(dc, TRANSPARENT)) {}
    ~TextState() {
        ::SetBkMode(dc_, oldMode_);
        ::SetTextColor(dc_, oldColor_);
    }
    TextState(const TextState&) = delete;
    TextState& operator=(const TextState&) = delete;

private:
    HDC dc_;
    toolkit::SelectGuard font_;
    COLORREF oldColor_;
    int oldMode_;
};

int DrawDirect(HDC dc, const wchar_t* text, int len, RECT* rect, const TextStyle& style, UINT format) {
    TextState state(dc, style);
    return ::DrawTextW(dc, text, len, rect, format);
}

// Where the text lands: its measured size, placed in the rectangle as the
// format says, clipped to the rectangle and to the surface.
RECT TextArea(HDC dc, const wchar_t* text, int len, const RECT& rect, const TextStyle& style, UINT format,
              const BITMAP& surface) {
    RECT measured = {0, 0, rect.right - rect.left, 0};
    {
        toolkit::UniqueMemDc measureDc(::CreateCompatibleDC(dc));
        if (!measureDc) return RECT{};
        TextState state(measureDc.get(), style);
        ::DrawTextW(measureDc.get(), text, len, &measured, format | DT_CALCRECT);
    }
    const LONG width = std::min(measured.right - measured.left, rect.right - rect.left);
    const LONG height = std::min(measured.bottom - measured.top, rect.bottom - rect.top);
    LONG x = rect.left, y = rect.top;
    if (format & DT_CENTER)
        x = rect.left + (rect.right - rect.left - width) / 2;
    else if (format & DT_RIGHT)
        x = rect.right - width;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        y = (rect.top + rect.bottom - height + 1) / 2;
    else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM))
        y = rect.bottom - height;
    RECT area = {x, y, x + width, y + height};
    const RECT bounds = {0, 0, surface.bmWidth, surface.bmHeight};
    if (!::IntersectRect(&area, &area, &bounds)) return RECT{};
    return area;
}

// Copies every pixel the text changed from the 24-bit copy into the
// 32-bit surface, with alpha 255.
void MergeChangedPixels(const DIBSECTION& ds, bool surfaceTopDown, const RECT& area, const uint8_t* copy) {
    const LONG width = area.right - area.left, height = area.bottom - area.top;
    const size_t copyStride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    auto* bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
    for (LONG row = 0; row < height; ++row) {
        const LONG y = area.top + row;
        const LONG surfaceRow = surfaceTopDown ? y : ds.dsBm.bmHeight - 1 - y;
        auto* dst = reinterpret_cast<uint32_t*>(bits + static_cast<size_t>(surfaceRow) * ds.dsBm.bmWidthBytes);
        const uint8_t* src = copy + static_cast<size_t>(height - 1 - row) * copyStride;  // copy is bottom-up
        for (LONG col = 0; col < width; ++col) {
            const uint8_t* p = src + static_cast<size_t>(col) * 3;
            const uint32_t colour = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
            uint32_t& pixel = dst[area.left + col];
            if ((pixel & 0x00FFFFFFu) != colour) pixel = colour | 0xFF000000u;
        }
    }
}

}  // namespace

int DrawAlphaText(HDC dc, const wchar_t* text, int len, RECT* rect, const TextStyle* style) {
    if (!dc || !rect || !style) return 0;
    const UINT format = style->format & ~static_cast<UINT>(DT_MODIFYSTRING);
    if (!text) text = L"";
    DIBSECTION ds = {};
    if (format & DT_CALCRECT) return DrawDirect(dc, text, len, rect, *style, format);
    if (len == 0 || (len < 0 && text[0] == L'\0')) return 0;
    if (!toolkit::Get32BitSurface(dc, ds)) return DrawDirect(dc, text, len, rect, *style, format);

    const RECT area = TextArea(dc, text, len, *rect, *style, format, ds.dsBm);
    const LONG width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return 1;
    void* copyBits = nullptr;
    toolkit::UniqueBitmap copy = toolkit::CreateDib(width, height, 24, &copyBits);
    toolkit::UniqueMemDc copyDc(::CreateCompatibleDC(dc));
    if (!copy || !copyDc) return 1;
    {
        toolkit::SelectGuard selected(copyDc.get(), copy.get());
        ::BitBlt(copyDc.get(), 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
        RECT local = *rect;
        ::OffsetRect(&local, -area.left, -area.top);
        DrawDirect(copyDc.get(), text, len, &local, *style, format);
        ::GdiFlush();
    }
    MergeChangedPixels(ds, toolkit::IsTopDownSurface(dc, ds), area, static_cast<const uint8_t*>(copyBits));
    return 1;
}
