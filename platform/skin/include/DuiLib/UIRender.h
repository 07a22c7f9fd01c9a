#pragma once
// CRenderEngine: the drawing primitives the controls use. GDI for colours and
// text, GDI+ for decoding images, AlphaBlend for drawing them.
#include "UIManager.h"

namespace DuiLib {

class UILIB_API CRenderEngine {
public:
    // Colours are 0xAARRGGBB.
    static DWORD AdjustColor(DWORD dwColor, short H, short S, short L);
    // Decodes an image file (PNG, JPEG, BMP, ICO, GIF) into a premultiplied
    // 32-bit top-down DIB section; null when the file is missing or bad.
    static TImageInfo* LoadImage(LPCTSTR path);
    static void FreeImage(TImageInfo* bitmap);

    // Draws part rcBmpPart of hBitmap into rc; rcCorners keeps the corners
    // unscaled (nine-grid). uFade is the constant alpha (255 = opaque).
    static void DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint,
                          const RECT& rcBmpPart, const RECT& rcCorners, bool alphaChannel,
                          BYTE uFade = 255, bool hole = false, bool xtiled = false, bool ytiled = false);
    // Draws an image string in rcItem: a plain path, or attributes
    // file='..' | res='..', dest='l,t,r,b', source='l,t,r,b', corner='l,t,r,b',
    // fade='0..255', hole, xtiled, ytiled (blanks around '=' allowed). pStrModify
    // overrides attributes of pStrImage. False (and one log line for a missing
    // file) when nothing could be drawn.
    static bool DrawImageString(HDC hDC, CPaintManagerUI* pManager, const RECT& rcItem, const RECT& rcPaint,
                                LPCTSTR pStrImage, LPCTSTR pStrModify = nullptr);
    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    static void DrawGradient(HDC hDC, const RECT& rc, DWORD dwFirst, DWORD dwSecond, bool bVertical, int nSteps);
    static void DrawLine(HDC hDC, const RECT& rc, int nSize, DWORD dwPenColor);
    static void DrawRect(HDC hDC, const RECT& rc, int nSize, DWORD dwPenColor);
    static void DrawRoundRect(HDC hDC, const RECT& rc, int width, int height, int nSize, DWORD dwPenColor);
    // uStyle: DrawText flags (DT_CALCRECT measures into rc).
    static void DrawText(HDC hDC, CPaintManagerUI* pManager, RECT& rc, LPCTSTR pstrText,
                         DWORD dwTextColor, int iFont, UINT uStyle);
    // A 32-bit snapshot of the control's rectangle as painted.
    static HBITMAP GenerateBitmap(CPaintManagerUI* pManager, CControlUI* pControl, RECT rc);
    static SIZE GetTextSize(HDC hDC, CPaintManagerUI* pManager, LPCTSTR pstrText, int iFont, UINT uStyle);
};

// Parsing helpers shared with code outside the library.
// "#AARRGGBB", "0xAARRGGBB", "#RRGGBB" (opaque) or decimal; 0 when unparsable.
UILIB_API DWORD ParseColor(LPCTSTR value);
// "l,t,r,b" with blanks allowed and missing values 0; returns the count read.
UILIB_API int ParseIntList(LPCTSTR value, LONG* out, int maxCount);

}  // namespace DuiLib
