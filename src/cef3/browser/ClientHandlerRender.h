#pragma once
// The client of a control that can render off screen. Windowless mode is
// not offered: no control sets its windowless flag, so GetRenderHandler
// answers null and the engine renders into the browser's own child window.
// The render-handler answers below only describe the control's area.
#include "ClientHandlerBase.h"
#include "include/cef_render_handler.h"

class CCefOsRender;

class ClientHandlerRender : public ClientHandlerBase, public CefRenderHandler {
public:
    explicit ClientHandlerRender(CCefOsRender* control);

    CefRefPtr<CefRenderHandler> GetRenderHandler() override;

    // CefRenderHandler (engine UI thread).
    bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
    bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY, int& screenX, int& screenY) override;
    void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& dirtyRects,
                 const void* buffer, int width, int height) override;
    void OnCursorChange(CefRefPtr<CefBrowser> browser, HCURSOR cursor) override;

protected:
    ~ClientHandlerRender() override = default;
    // The control as the render control, or null once detached. Under the control lock.
    CCefOsRender* RenderControl() const;

    HWND m_hWnd = nullptr;  // the control's parent window, cached on first use; not owned
};
