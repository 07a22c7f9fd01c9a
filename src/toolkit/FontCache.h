#pragma once
// The process-wide font of the drawn buttons: made on first use under the
// font-cache lock and never freed. Any thread.
#include <windows.h>

class FontCache {
public:
    // The one instance (made on first call).
    static FontCache* GetInstance();
    // The cached font, created on the first call: "宋体" height 14, GB2312,
    // antialiased. Null only when the font cannot be created.
    HFONT GetFont();
    // The cached font's LOGFONTW; false when there is no font.
    bool GetLogFont(LOGFONTW& out);

private:
    FontCache() = default;

    HFONT font_ = nullptr;  // created once, never deleted
};
