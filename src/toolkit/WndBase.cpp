#include "WndBase.h"

#include <windowsx.h>

const wchar_t kNormalWndClassName[] = L"NormalWnd201705";

CWndBase::~CWndBase() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool CWndBase::RegisterWndClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(instance, kNormalWndClassName, &wc)) return true;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &CWndBase::WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kNormalWndClassName;
    return ::RegisterClassExW(&wc) != 0;
}

LRESULT CALLBACK CWndBase::WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWndBase*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self && self->PreHandleMessage(message, wParam, lParam)) return 0;
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CWndBase*>(create->lpCreateParams);
        if (!self) return ::DefWindowProcW(wnd, message, wParam, lParam);
        self->hwnd_ = wnd;
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return self->OnCreate(lParam);
    }
    if (!self) return ::DefWindowProcW(wnd, message, wParam, lParam);
    return Dispatch(self, wnd, message, wParam, lParam);
}

LRESULT CWndBase::Dispatch(CWndBase* self, HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const UINT flags = static_cast<UINT>(wParam);
    switch (message) {
        case WM_DESTROY: self->OnDestroy(); return 0;
        case WM_SIZE: self->OnSize(flags, x, y); return 0;
        case WM_CLOSE: self->Destroy(); return 0;
        case WM_COMMAND: self->OnCommand(wParam, lParam); return 0;
        case WM_TIMER: self->OnTimer(wParam); return 0;
        case WM_MOUSEMOVE: self->OnMouseMove(flags, x, y); return 0;
        case WM_LBUTTONDOWN: self->OnLButtonDown(flags, x, y); return 0;
        case WM_LBUTTONUP: self->OnLButtonUp(flags, x, y); return 0;
        case WM_RBUTTONUP: self->OnRButtonUp(flags, x, y); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            if (wParam) {
                self->OnPaint(reinterpret_cast<HDC>(wParam), true);
            } else {
                PAINTSTRUCT ps;
                HDC dc = ::BeginPaint(wnd, &ps);
                self->OnPaint(dc, false);
                ::EndPaint(wnd, &ps);
            }
            return 0;
        case WM_NCDESTROY:
            self->hwnd_ = nullptr;
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
            ::DefWindowProcW(wnd, message, wParam, lParam);  // frees what the system keeps for the window
            self->OnFinalMessage(wnd);
            return 0;
        default: return self->HandleOtherMessage(message, wParam, lParam);
    }
}

LRESULT CWndBase::Def(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LPARAM CWndBase::PointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

LRESULT CWndBase::OnCreate(LPARAM lParam) {
    Def(WM_CREATE, 0, lParam);
    return 0;
}

void CWndBase::Destroy() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void CWndBase::OnDestroy() { Def(WM_DESTROY, 0, 0); }
void CWndBase::OnPaint(HDC, bool) {}
void CWndBase::OnTimer(UINT_PTR timerId) { Def(WM_TIMER, timerId, 0); }
void CWndBase::OnSize(UINT flags, int cx, int cy) { Def(WM_SIZE, flags, PointParam(cx, cy)); }
void CWndBase::OnMouseMove(UINT flags, int x, int y) { Def(WM_MOUSEMOVE, flags, PointParam(x, y)); }
void CWndBase::OnLButtonDown(UINT flags, int x, int y) { Def(WM_LBUTTONDOWN, flags, PointParam(x, y)); }
void CWndBase::OnLButtonUp(UINT flags, int x, int y) { Def(WM_LBUTTONUP, flags, PointParam(x, y)); }
void CWndBase::OnRButtonUp(UINT flags, int x, int y) { Def(WM_RBUTTONUP, flags, PointParam(x, y)); }
void CWndBase::OnCommand(WPARAM wParam, LPARAM lParam) { Def(WM_COMMAND, wParam, lParam); }
void CWndBase::OnFinalMessage(HWND) {}
LRESULT CWndBase::PreHandleMessage(UINT, WPARAM, LPARAM) { return 0; }

LRESULT CWndBase::HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Def(message, wParam, lParam);
}
