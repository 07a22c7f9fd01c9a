#pragma once
#include <vector>
#include "include/cef_browser.h"

// Windowless rendering. This engine renders every browser into its own child
// window, so these are never called.
class CefRenderHandler : public virtual CefBase {
public:
    typedef std::vector<CefRect> RectList;
    virtual bool GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) { (void)browser; (void)rect; return false; }
    virtual bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) = 0;
    virtual bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY, int& screenX, int& screenY) {
        (void)browser; (void)viewX; (void)viewY; (void)screenX; (void)screenY;
        return false;
    }
    virtual void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& dirtyRects,
                         const void* buffer, int width, int height) = 0;
    virtual void OnCursorChange(CefRefPtr<CefBrowser> browser, HCURSOR cursor) { (void)browser; (void)cursor; }
};
