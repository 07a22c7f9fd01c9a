// Drawing primitives: GDI+ decodes images into premultiplied DIB sections,
// AlphaBlend draws them (nine-grid, tiling), GDI draws colours and text.
#include "DuiLib/UIRender.h"
#include "DuiLib/UIControl.h"
#include "Internal.h"

#include <algorithm>
#include <cstring>
#include <mutex>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace DuiLib {

namespace {

bool EnsureGdiplus() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;   // kept for the life of the process
        ok = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
        if (!ok) detail::Log(L"GDI+ could not be started; images will not be drawn");
    });
    return ok;
}

// A top-down 32-bit DIB section; bits points at its pixels.
HBITMAP CreateDib(HDC dc, int cx, int cy, BYTE** bits) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bmp = ::CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    *bits = static_cast<BYTE*>(p);
    return bmp;
}

COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void Blend(HDC hDC, const RECT& dst, HDC src, const RECT& s, BYTE fade) {
    int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    int sw = s.right - s.left, sh = s.bottom - s.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
    ::AlphaBlend(hDC, dst.left, dst.top, dw, dh, src, s.left, s.top, sw, sh, bf);
}

void BlendTiled(HDC hDC, const RECT& dst, HDC src, const RECT& s, BYTE fade, bool xtiled, bool ytiled) {
    if (!xtiled && !ytiled) {
        Blend(hDC, dst, src, s, fade);
        return;
    }
    int sw = s.right - s.left, sh = s.bottom - s.top;
    if (sw <= 0 || sh <= 0) return;
    int stepX = xtiled ? sw : dst.right - dst.left;
    int stepY = ytiled ? sh : dst.bottom - dst.top;
    if (stepX <= 0 || stepY <= 0) return;
    for (int y = dst.top; y < dst.bottom; y += stepY) {
        for (int x = dst.left; x < dst.right; x += stepX) {
            RECT d = {x, y, std::min<LONG>(x + stepX, dst.right), std::min<LONG>(y + stepY, dst.bottom)};
            RECT part = s;
            if (xtiled) part.right = part.left + (d.right - d.left);
            if (ytiled) part.bottom = part.top + (d.bottom - d.top);
            Blend(hDC, d, src, part, fade);
        }
    }
}

struct ImageAttributes {
    std::wstring file;
    RECT dest = {0, 0, 0, 0};
    bool hasDest = false;
    RECT source = {0, 0, 0, 0};
    bool hasSource = false;
    RECT corner = {0, 0, 0, 0};
    BYTE fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
};

void ApplyImageAttributes(LPCTSTR text, ImageAttributes& a) {
    if (!text || !*text) return;
    if (!wcschr(text, L'=')) {  // a plain path
        a.file = text;
        return;
    }
    std::wstring name, value;
    LPCTSTR cursor = text;
    while (detail::NextAttribute(cursor, name, value)) {
        if (name == L"file" || name == L"res") {
            a.file = value;
        } else if (name == L"dest") {
            a.dest = detail::ParseRect(value.c_str());
            a.hasDest = true;
        } else if (name == L"source") {
            a.source = detail::ParseRect(value.c_str());
            a.hasSource = true;
        } else if (name == L"corner") {
            a.corner = detail::ParseRect(value.c_str());
        } else if (name == L"fade") {
            a.fade = static_cast<BYTE>(std::clamp(_wtoi(value.c_str()), 0, 255));
        } else if (name == L"hole") {
            a.hole = detail::ParseBool(value.c_str());
        } else if (name == L"xtiled") {
            a.xtiled = detail::ParseBool(value.c_str());
        } else if (name == L"ytiled") {
            a.ytiled = detail::ParseBool(value.c_str());
        }
        // restype, mask: accepted and not used.
    }
}

}  // namespace

DWORD CRenderEngine::AdjustColor(DWORD dwColor, short H, short S, short L) {
    if (H == 180 && S == 100 && L == 100) return dwColor;
    auto scale = [L](DWORD c) { return static_cast<DWORD>(std::clamp<int>(static_cast<int>(c) * L / 100, 0, 255)); };
    DWORD r = scale((dwColor >> 16) & 0xFF), g = scale((dwColor >> 8) & 0xFF), b = scale(dwColor & 0xFF);
    return (dwColor & 0xFF000000) | (r << 16) | (g << 8) | b;
}

TImageInfo* CRenderEngine::LoadImage(LPCTSTR path) {
    if (!path || !*path || !EnsureGdiplus()) return nullptr;
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return nullptr;
    Gdiplus::Bitmap source(path);
    if (source.GetLastStatus() != Gdiplus::Ok) return nullptr;
    int cx = static_cast<int>(source.GetWidth()), cy = static_cast<int>(source.GetHeight());
    if (cx <= 0 || cy <= 0) return nullptr;
    Gdiplus::Rect rect(0, 0, cx, cy);
    Gdiplus::BitmapData data = {};
    if (source.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) return nullptr;
    BYTE* bits = nullptr;
    HBITMAP bmp = CreateDib(nullptr, cx, cy, &bits);
    bool alpha = false;
    if (bmp) {
        for (int y = 0; y < cy; ++y) {
            const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            BYTE* out = bits + static_cast<size_t>(y) * cx * 4;
            memcpy(out, row, static_cast<size_t>(cx) * 4);
            for (int x = 0; x < cx && !alpha; ++x) alpha = out[x * 4 + 3] != 255;
        }
    }
    source.UnlockBits(&data);
    if (!bmp) return nullptr;
    TImageInfo* info = new TImageInfo;
    info->hBitmap = bmp;
    info->nX = cx;
    info->nY = cy;
    info->alphaChannel = alpha;
    return info;
}

void CRenderEngine::FreeImage(TImageInfo* bitmap) {
    if (!bitmap) return;
    if (bitmap->hBitmap) ::DeleteObject(bitmap->hBitmap);
    delete bitmap;
}

void CRenderEngine::DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                              const RECT& rcCorners, bool /*alphaChannel*/, BYTE uFade, bool hole, bool xtiled,
                              bool ytiled) {
    if (!hBitmap) return;
    RECT visible;
    if (!::IntersectRect(&visible, &rc, &rcPaint)) return;
    detail::UniqueMemDc mem(::CreateCompatibleDC(hDC));
    if (!mem) return;
    detail::SelectGuard sel(mem.get(), hBitmap);
    detail::ClipGuard clip(hDC, visible);
    const RECT& s = rcBmpPart;
    const RECT& c = rcCorners;
    // Nine parts: corners keep their size, edges stretch one way, the centre both.
    const LONG dx[4] = {rc.left, rc.left + c.left, rc.right - c.right, rc.right};
    const LONG dy[4] = {rc.top, rc.top + c.top, rc.bottom - c.bottom, rc.bottom};
    const LONG sx[4] = {s.left, s.left + c.left, s.right - c.right, s.right};
    const LONG sy[4] = {s.top, s.top + c.top, s.bottom - c.bottom, s.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            bool centre = row == 1 && col == 1;
            if (centre && hole) continue;
            RECT d = {dx[col], dy[row], dx[col + 1], dy[row + 1]};
            RECT p = {sx[col], sy[row], sx[col + 1], sy[row + 1]};
            if (centre)
                BlendTiled(hDC, d, mem.get(), p, uFade, xtiled, ytiled);
            else
                Blend(hDC, d, mem.get(), p, uFade);
        }
    }
}

bool CRenderEngine::DrawImageString(HDC hDC, CPaintManagerUI* pManager, const RECT& rcItem, const RECT& rcPaint,
                                    LPCTSTR pStrImage, LPCTSTR pStrModify) {
    if (!pManager || !pStrImage || !*pStrImage) return false;
    ImageAttributes a;
    ApplyImageAttributes(pStrImage, a);
    ApplyImageAttributes(pStrModify, a);
    if (a.file.empty()) return false;
    const TImageInfo* image = pManager->GetImageEx(a.file.c_str());
    if (!image) return false;
    RECT dest = rcItem;
    if (a.hasDest) {
        dest = {rcItem.left + a.dest.left, rcItem.top + a.dest.top, rcItem.left + a.dest.right,
                rcItem.top + a.dest.bottom};
        if (dest.right > rcItem.right) dest.right = rcItem.right;
        if (dest.bottom > rcItem.bottom) dest.bottom = rcItem.bottom;
    }
    RECT source = {0, 0, image->nX, image->nY};
    if (a.hasSource) {
        source = a.source;
        source.right = std::min<LONG>(source.right, image->nX);
        source.bottom = std::min<LONG>(source.bottom, image->nY);
        source.left = std::clamp<LONG>(source.left, 0, source.right);
        source.top = std::clamp<LONG>(source.top, 0, source.bottom);
    }
    RECT clip;
    if (!::IntersectRect(&clip, &dest, &rcPaint)) return true;
    DrawImage(hDC, image->hBitmap, dest, rcPaint, source, a.corner, image->alphaChannel, a.fade, a.hole, a.xtiled,
              a.ytiled);
    return true;
}

void CRenderEngine::DrawColor(HDC hDC, const RECT& rc, DWORD color) {
    BYTE alpha = static_cast<BYTE>(color >> 24);
    if (alpha == 0 || rc.right <= rc.left || rc.bottom <= rc.top) return;
    if (alpha == 255) {
        COLORREF old = ::SetBkColor(hDC, ToColorRef(color));
        ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        ::SetBkColor(hDC, old);
        return;
    }
    // One premultiplied pixel stretched over the rectangle.
    BYTE* bits = nullptr;
    detail::UniqueGdiObject bmp(CreateDib(hDC, 1, 1, &bits));
    if (!bmp) return;
    bits[0] = static_cast<BYTE>((color & 0xFF) * alpha / 255);
    bits[1] = static_cast<BYTE>(((color >> 8) & 0xFF) * alpha / 255);
    bits[2] = static_cast<BYTE>(((color >> 16) & 0xFF) * alpha / 255);
    bits[3] = alpha;
    detail::UniqueMemDc mem(::CreateCompatibleDC(hDC));
    detail::SelectGuard sel(mem.get(), bmp.get());
    Blend(hDC, rc, mem.get(), RECT{0, 0, 1, 1}, 255);
}

void CRenderEngine::DrawGradient(HDC hDC, const RECT& rc, DWORD dwFirst, DWORD dwSecond, bool bVertical, int nSteps) {
    if (nSteps < 1) nSteps = 1;
    int length = bVertical ? rc.bottom - rc.top : rc.right - rc.left;
    for (int i = 0; i < nSteps; ++i) {
        auto mix = [&](int shift) {
            int a = (dwFirst >> shift) & 0xFF, b = (dwSecond >> shift) & 0xFF;
            return static_cast<DWORD>(a + (b - a) * i / std::max(1, nSteps - 1)) << shift;
        };
        DWORD color = mix(24) | mix(16) | mix(8) | mix(0);
        RECT part = rc;
        if (bVertical) {
            part.top = rc.top + length * i / nSteps;
            part.bottom = rc.top + length * (i + 1) / nSteps;
        } else {
            part.left = rc.left + length * i / nSteps;
            part.right = rc.left + length * (i + 1) / nSteps;
        }
        DrawColor(hDC, part, color);
    }
}

void CRenderEngine::DrawLine(HDC hDC, const RECT& rc, int nSize, DWORD dwPenColor) {
    detail::UniqueGdiObject pen(::CreatePen(PS_SOLID, nSize, ToColorRef(dwPenColor)));
    detail::SelectGuard sel(hDC, pen.get());
    ::MoveToEx(hDC, rc.left, rc.top, nullptr);
    ::LineTo(hDC, rc.right, rc.bottom);
}

void CRenderEngine::DrawRect(HDC hDC, const RECT& rc, int nSize, DWORD dwPenColor) {
    if (nSize <= 0 || (dwPenColor >> 24) == 0) return;
    // Four filled bands, so the frame lies inside rc whatever the pen width.
    DrawColor(hDC, RECT{rc.left, rc.top, rc.right, rc.top + nSize}, dwPenColor);
    DrawColor(hDC, RECT{rc.left, rc.bottom - nSize, rc.right, rc.bottom}, dwPenColor);
    DrawColor(hDC, RECT{rc.left, rc.top + nSize, rc.left + nSize, rc.bottom - nSize}, dwPenColor);
    DrawColor(hDC, RECT{rc.right - nSize, rc.top + nSize, rc.right, rc.bottom - nSize}, dwPenColor);
}

void CRenderEngine::DrawRoundRect(HDC hDC, const RECT& rc, int width, int height, int nSize, DWORD dwPenColor) {
    detail::UniqueGdiObject pen(::CreatePen(PS_SOLID, nSize, ToColorRef(dwPenColor)));
    detail::SelectGuard selPen(hDC, pen.get());
    detail::SelectGuard selBrush(hDC, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, width, height);
}

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* pManager, RECT& rc, LPCTSTR pstrText, DWORD dwTextColor,
                             int iFont, UINT uStyle) {
    if (!pstrText || !pManager) return;
    HFONT font = pManager->GetFont(iFont);
    detail::SelectGuard sel(hDC, ::GetCurrentObject(hDC, OBJ_FONT) == font ? nullptr : font);
    int oldMode = ::SetBkMode(hDC, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(hDC, ToColorRef(dwTextColor));
    const UINT kSlowFlags = DT_CALCRECT | DT_WORDBREAK | DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS |
                            DT_EXPANDTABS | DT_EDITCONTROL;
    int length = static_cast<int>(wcslen(pstrText));
    SIZE extent = {0, 0};
    if ((uStyle & DT_SINGLELINE) && !(uStyle & kSlowFlags) && !wcschr(pstrText, L'&') &&
        ::GetTextExtentPoint32W(hDC, pstrText, length, &extent)) {
        // Single plain line: place it ourselves; DrawText costs far more.
        int x = rc.left, y = rc.top;
        if (uStyle & DT_CENTER) x = (rc.left + rc.right - extent.cx) / 2;
        else if (uStyle & DT_RIGHT) x = rc.right - extent.cx;
        if (uStyle & DT_VCENTER) y = (rc.top + rc.bottom - extent.cy) / 2;
        else if (uStyle & DT_BOTTOM) y = rc.bottom - extent.cy;
        bool fits = x >= rc.left && y >= rc.top && x + extent.cx <= rc.right && y + extent.cy <= rc.bottom;
        ::ExtTextOutW(hDC, x, y, fits ? 0 : ETO_CLIPPED, &rc, pstrText, static_cast<UINT>(length), nullptr);
    } else {
        ::DrawTextW(hDC, pstrText, -1, &rc, uStyle | DT_NOPREFIX);
    }
    ::SetTextColor(hDC, oldColor);
    ::SetBkMode(hDC, oldMode);
}

SIZE CRenderEngine::GetTextSize(HDC hDC, CPaintManagerUI* pManager, LPCTSTR pstrText, int iFont, UINT uStyle) {
    RECT rc = {0, 0, 9999, 9999};
    if (pstrText && *pstrText) DrawText(hDC, pManager, rc, pstrText, 0, iFont, uStyle | DT_CALCRECT);
    else rc = {0, 0, 0, 0};
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

HBITMAP CRenderEngine::GenerateBitmap(CPaintManagerUI* pManager, CControlUI* pControl, RECT rc) {
    if (!pManager || !pControl) return nullptr;
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0) return nullptr;
    detail::WindowDc screen(pManager->GetPaintWindow());
    BYTE* bits = nullptr;
    HBITMAP bmp = CreateDib(screen.get(), cx, cy, &bits);
    if (!bmp) return nullptr;
    detail::UniqueMemDc mem(::CreateCompatibleDC(screen.get()));
    {
        detail::SelectGuard sel(mem.get(), bmp);
        ::SetViewportOrgEx(mem.get(), -rc.left, -rc.top, nullptr);
        pControl->DoPaint(mem.get(), rc);
    }
    for (int i = 0; i < cx * cy; ++i) bits[i * 4 + 3] = 255;
    return bmp;
}

}  // namespace DuiLib
