#pragma once
// Text drawn onto a 32-bit surface without destroying its alpha channel:
// GDI text writes 0 into the alpha byte, which a layered window shows as a
// hole. The text is drawn on a 24-bit copy of the area under it, and every
// pixel it changed is copied back with alpha 255. Window thread.
#include <windows.h>

struct TextStyle {
    UINT format = 0;      // DrawText flags
    COLORREF color = 0;   // text colour
    HFONT font = nullptr; // not owned; null keeps the DC's font
};

// text: length len, or -1 when terminated. With DT_CALCRECT, or on a DC
// whose bitmap is not a 32-bit DIB section, this is DrawTextW with the
// style's font and colour on a transparent background, returning its
// result; otherwise returns 1 after drawing. An empty text without
// DT_CALCRECT, and a null DC, rectangle or style, return 0. DT_MODIFYSTRING
// is ignored: the text is never written to.
int DrawAlphaText(HDC dc, const wchar_t* text, int len, RECT* rect, const TextStyle* style);
