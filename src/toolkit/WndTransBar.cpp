#include "WndTransBar.h"

#include "ImageLoader.h"
#include "ModulePath.h"

CWndTransBar::CWndTransBar() : background_(6, 6, 6, 6) {}

CWndTransBar::~CWndTransBar() {
    // The window goes first, while the button and drawer it uses still exist.
    Destroy();
}

LRESULT CWndTransBar::OnCreate(LPARAM lParam) {
    Def(WM_CREATE, 0, lParam);
    HWND wnd = GetHWND();
    background_.SetTargetWindow(wnd);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongPtrW(wnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    ::PostMessageW(wnd, WM_PAINT, 0, 0);
    LoadImageFile(toolkit::ModuleRelativePath(L"skin\\common\\close.png").c_str(), closeButton_.ImageSlot());
    closeButton_.SetCommandId(kCloseCommandId);
    AddItem(&closeButton_);
    return 0;
}

void CWndTransBar::SetBarSize(int width, int height) {
    barWidth_ = width;
    barHeight_ = height;
    background_.SetSurfaceSize(width, height);
    const SIZE size = closeButton_.GetSize();
    const RECT old = closeButton_.GetRect();
    const RECT placed = {width - size.cx - 1, 1, width - 1, 1 + size.cy};
    HWND wnd = GetHWND();
    if (!::EqualRect(&old, &placed)) {
        closeButton_.SetRect(placed);
        if (wnd) {
            ::InvalidateRect(wnd, &old, FALSE);
            ::InvalidateRect(wnd, &placed, FALSE);
        }
    }
    if (wnd) ::InvalidateRect(wnd, nullptr, FALSE);
}

void CWndTransBar::OnPaint(HDC dc, bool) {
    background_.UpdateLayered(dc, background_.GetSurfaceWidth(), background_.GetSurfaceHeight(), items_);
}

void CWndTransBar::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == kCloseCommandId && owner_) {
        ::PostMessageW(owner_, WM_CLOSE, 0, 0);
        return;
    }
    CUIContainerWnd::OnCommand(wParam, lParam);
}

LRESULT CWndTransBar::HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The bar is an overlay of its owner, never a window of its own to
    // activate. Activating it would also be taken straight back by the X11
    // driver of Wine (no window manager focus for such popups), and the
    // WM_CANCELMODE of that deactivation ends the close button's capture in
    // the middle of its click.
    if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return CUIContainerWnd::HandleOtherMessage(message, wParam, lParam);
}
