#include "CCefOsRender.h"

#include <windowsx.h>

#include <cwchar>

#include "CefLogSource.h"
#include "ClientHandlerRender.h"

#define OSR_LOG(level, ...) CEF_UNIT_LOG(kCefOsRenderSource, level, __VA_ARGS__)

namespace {

CefRefPtr<CefClient> RenderClientFor(CCefOsRender* control, CefRefPtr<CefClient> client) {
    if (client) return client;
    return new ClientHandlerRender(control);
}

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }
bool KeyToggled(int key) { return (::GetKeyState(key) & 1) != 0; }

uint32_t WheelModifiers(WPARAM wParam) {
    const WORD keys = GET_KEYSTATE_WPARAM(wParam);
    uint32_t flags = 0;
    if (KeyToggled(VK_CAPITAL)) flags |= EVENTFLAG_CAPS_LOCK_ON;
    if (keys & MK_SHIFT) flags |= EVENTFLAG_SHIFT_DOWN;
    if (keys & MK_CONTROL) flags |= EVENTFLAG_CONTROL_DOWN;
    if (KeyDown(VK_MENU)) flags |= EVENTFLAG_ALT_DOWN;
    if (keys & MK_LBUTTON) flags |= EVENTFLAG_LEFT_MOUSE_BUTTON;
    if (keys & MK_MBUTTON) flags |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
    if (keys & MK_RBUTTON) flags |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
    if (KeyToggled(VK_NUMLOCK)) flags |= EVENTFLAG_NUM_LOCK_ON;
    return flags;
}

}  // namespace

CCefOsRender::CCefOsRender(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client)
    : CCefBaseUI(manager, RenderClientFor(this, client)) {}

CCefOsRender::~CCefOsRender() { Teardown(); }

LPCTSTR CCefOsRender::GetClass() const { return L"CefOsRenderUI"; }

void CCefOsRender::SetVisible(bool bVisible) {
    if (!m_bWindowless) ShowBrowserWindow(bVisible);
    CControlUI::SetVisible(bVisible);
}

void CCefOsRender::SetInternVisible(bool bVisible) {
    if (!m_bWindowless) ShowBrowserWindow(bVisible);
    CControlUI::SetInternVisible(bVisible);
}

void CCefOsRender::DoInit() {
    OSR_LOG(LOG_LEVEL_INFO, L"CCefUI.DoInit() this=0x%p, name=%s", static_cast<void*>(this), m_sName.GetData());
    CreateArgs args;
    args.client = m_client;
    args.parent = m_pManager ? m_pManager->GetPaintWindow() : nullptr;
    args.rect = GetPos();
    args.url = m_url;
    args.windowless = m_bWindowless;
    args.transparent = m_bTransparent;
    CreateBrowser(m_browser, args);
}

void CCefOsRender::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    if (pstrName && (std::wcscmp(pstrName, L"offscreen") == 0 || std::wcscmp(pstrName, L"transparent") == 0)) {
        m_bTransparent = pstrValue && std::wcscmp(pstrValue, L"true") == 0;
        return;
    }
    CCefBaseUI::SetAttribute(pstrName, pstrValue);
}

LRESULT CCefOsRender::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = true;
    if (uMsg == WM_MOUSEWHEEL) {
        OnMouseWheel(wParam, lParam, bHandled);
    } else if (uMsg == WM_CEF_OSR_INVALIDATE) {
        OnInvalidate(bHandled);
    } else {
        bHandled = false;
    }
    return 0;
}

void CCefOsRender::OnInvalidate(bool& bHandled) {
    OSR_LOG(LOG_LEVEL_INFO, L"CCefUI.OnInvalidate() this=0x%p, name=%s", static_cast<void*>(this), m_sName.GetData());
    CefRefPtr<CefBrowser> browser = GetBrowser();
    CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
    if (host) {
        host->Invalidate(PET_VIEW);
    } else {
        bHandled = false;
    }
}

void CCefOsRender::OnMouseWheel(WPARAM wParam, LPARAM lParam, bool& bHandled) {
    try {
        bHandled = SendWheelToBrowser(wParam, lParam);
    } catch (...) {
        bHandled = false;
    }
}

bool CCefOsRender::SendWheelToBrowser(WPARAM wParam, LPARAM lParam) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
    if (!host) return false;
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(m_hParentWnd, &pt);
    const RECT& rc = GetPos();
    if (!::PtInRect(&rc, pt) || !IsVisible()) return false;
    CefMouseEvent event;
    event.x = pt.x - rc.left;
    event.y = pt.y - rc.top;
    event.modifiers = WheelModifiers(wParam);
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    if (KeyDown(VK_SHIFT)) {
        host->SendMouseWheelEvent(event, delta, 0);
    } else {
        host->SendMouseWheelEvent(event, 0, delta);
    }
    return true;
}
