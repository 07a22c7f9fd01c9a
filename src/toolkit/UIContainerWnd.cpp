#include "UIContainerWnd.h"

CUIContainerWnd::~CUIContainerWnd() {
    // Destroyed here, not in ~CWndBase, so the last messages of the window
    // still reach the items while they exist.
    Destroy();
}

void CUIContainerWnd::AddItem(CItemUI* item) {
    if (!item) return;
    item->SetWnd(GetHWND());
    items_.AddItem(item);
}

void CUIContainerWnd::OnDestroy() {
    items_.ResetItems();
    CWndBase::OnDestroy();
}

void CUIContainerWnd::OnMouseMove(UINT flags, int x, int y) {
    items_.OnMouseMove(GetHWND(), flags, x, y);
    CWndBase::OnMouseMove(flags, x, y);
}

void CUIContainerWnd::OnLButtonDown(UINT flags, int x, int y) {
    items_.OnLButtonDown(flags, x, y);
    CWndBase::OnLButtonDown(flags, x, y);
}

void CUIContainerWnd::OnLButtonUp(UINT flags, int x, int y) {
    items_.OnLButtonUp(flags, x, y);
    if (GetHWND()) CWndBase::OnLButtonUp(flags, x, y);
}

void CUIContainerWnd::OnRButtonUp(UINT flags, int x, int y) {
    items_.OnRButtonUp(flags, x, y);
    if (GetHWND()) CWndBase::OnRButtonUp(flags, x, y);
}

LRESULT CUIContainerWnd::PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEWHEEL) return items_.OnMouseWheel(wParam, lParam) ? 1 : 0;
    if (message == WM_KEYDOWN) return items_.OnKeyDown(wParam, lParam) ? 1 : 0;
    return 0;
}

LRESULT CUIContainerWnd::HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            items_.OnShowWindow(wParam != FALSE);
            // A hidden window keeps no press going: without this the button
            // pressed when the window was hidden would keep the capture and
            // take every later mouse message.
            if (!wParam && ::GetCapture() == GetHWND()) ::ReleaseCapture();
            break;
        case WM_CAPTURECHANGED: items_.OnCaptureChanged(lParam); break;
        case WM_MOUSEHOVER: items_.OnMouseHover(); break;
        case WM_MOUSELEAVE: items_.OnMouseLeave(); break;
        case WM_GETDLGCODE: return items_.OnGetDlgCode();
        default: break;
    }
    return CWndBase::HandleOtherMessage(message, wParam, lParam);
}
