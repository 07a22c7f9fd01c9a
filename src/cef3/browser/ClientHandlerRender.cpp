#include "ClientHandlerRender.h"

#include "CCefOsRender.h"

ClientHandlerRender::ClientHandlerRender(CCefOsRender* control) : ClientHandlerBase(control) {}

CCefOsRender* ClientHandlerRender::RenderControl() const { return static_cast<CCefOsRender*>(m_pOwner); }

CefRefPtr<CefRenderHandler> ClientHandlerRender::GetRenderHandler() {
    auto lock = LockControl();
    CCefOsRender* control = RenderControl();
    if (!control || !control->IsWindowless()) return nullptr;
    if (!m_hWnd) m_hWnd = control->GetParentWindow();
    return ::IsWindow(m_hWnd) ? this : nullptr;
}

bool ClientHandlerRender::GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) {
    auto lock = LockControl();
    CCefOsRender* control = RenderControl();
    if (!control) return false;
    rect.Set(0, 0, control->GetWidth(), control->GetHeight());
    return !rect.IsEmpty();
}

bool ClientHandlerRender::GetScreenPoint(CefRefPtr<CefBrowser>, int viewX, int viewY, int& screenX, int& screenY) {
    auto lock = LockControl();
    CCefOsRender* control = RenderControl();
    if (!control) return false;
    const RECT& rc = control->GetPos();
    POINT pt = {rc.left + viewX, rc.top + viewY};
    if (!::ClientToScreen(control->GetParentWindow(), &pt)) return false;
    screenX = pt.x;
    screenY = pt.y;
    return true;
}

// Nothing would draw an off-screen surface into the window, so frames are not kept.
void ClientHandlerRender::OnPaint(CefRefPtr<CefBrowser>, PaintElementType, const RectList&, const void*, int, int) {}

void ClientHandlerRender::OnCursorChange(CefRefPtr<CefBrowser>, HCURSOR cursor) {
    auto lock = LockControl();
    CCefOsRender* control = RenderControl();
    if (control && ::IsWindow(control->GetParentWindow()))
        ::SetClassLongPtrW(control->GetParentWindow(), GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
}
