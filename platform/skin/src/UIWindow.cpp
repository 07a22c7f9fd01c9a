// CWindowWnd: window class registration, the window procedure with deferred
// OnFinalMessage, the modal loop; CNotifyPump.
#include "DuiLib/UIWindow.h"
#include "Internal.h"

namespace DuiLib {

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
    // A window object deleted while its window lives: detach, so the window
    // procedure never reaches freed memory.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

HWND CWindowWnd::GetHWND() const { return m_hWnd; }
CWindowWnd::operator HWND() const { return m_hWnd; }

LPCTSTR CWindowWnd::GetSuperClassName() const { return nullptr; }
UINT CWindowWnd::GetClassStyle() const { return 0; }

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    HINSTANCE inst = CPaintManagerUI::GetInstance();
    if (::GetClassInfoExW(inst, GetWindowClassName(), &wc)) return true;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::__WndProc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    if (::RegisterClassExW(&wc)) return true;
    DWORD err = ::GetLastError();
    if (err == ERROR_CLASS_ALREADY_EXISTS) return true;
    detail::Log(L"window class '%s' cannot be registered, error %lu", GetWindowClassName(), err);
    return false;
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT rc, HMENU hMenu) {
    return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  hMenu);
}

HWND CWindowWnd::Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx, int cy,
                        HMENU hMenu) {
    if (GetSuperClassName()) {
        detail::Log(L"window class '%s': superclassing is not supported", GetWindowClassName());
        return nullptr;
    }
    if (!RegisterWindowClass()) return nullptr;
    m_bCreateFailed = false;
    HWND hwnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName, dwStyle, x, y, cx, cy, hwndParent, hMenu,
                                  CPaintManagerUI::GetInstance(), this);
    if (!hwnd) {
        detail::Log(L"window '%s' of class '%s' was not created, error %lu", pstrName ? pstrName : L"",
                    GetWindowClassName(), ::GetLastError());
        m_hWnd = nullptr;
    }
    return hwnd;
}

HWND CWindowWnd::Subclass(HWND hWnd) {
    if (!::IsWindow(hWnd) || m_hWnd) return nullptr;
    m_OldWndProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowWnd::__WndProc)));
    if (!m_OldWndProc) return nullptr;
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_bSubclassed = true;
    m_hWnd = hWnd;
    return m_hWnd;
}

void CWindowWnd::Unsubclass() {
    if (!m_bSubclassed || !::IsWindow(m_hWnd)) return;
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OldWndProc));
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    m_OldWndProc = nullptr;
    m_bSubclassed = false;
    m_hWnd = nullptr;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    if (!::IsWindow(m_hWnd)) return;
    ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    HWND hwnd = m_hWnd;
    if (!::IsWindow(hwnd)) return 0;
    UINT result = 0;
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    m_pModalResult = &result;
    m_hModalOwner = owner;
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    if (owner) ::EnableWindow(owner, FALSE);
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg = {};
    // Every window of the thread keeps getting its messages; the loop ends
    // when this window is gone. `this` may be freed by then.
    while (::IsWindow(hwnd)) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (got < 0) break;
        if (CPaintManagerUI::TranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (owner) {
        ::EnableWindow(owner, TRUE);
        if (!quit) ::SetFocus(owner);
    }
    if (::IsWindow(hwnd)) {   // left early (WM_QUIT): detach the loop's result from the object
        m_pModalResult = nullptr;
        m_hModalOwner = nullptr;
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

void CWindowWnd::Close(UINT nRet) {
    HWND hwnd = m_hWnd;
    if (hwnd && ::IsWindow(hwnd)) ::PostMessageW(hwnd, WM_CLOSE, static_cast<WPARAM>(nRet), 0);
}

void CWindowWnd::CenterWindow() {
    if (!::IsWindow(m_hWnd)) return;
    RECT rcDlg = {};
    ::GetWindowRect(m_hWnd, &rcDlg);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT area = mi.rcWork;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    RECT rcCenter = area;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &rcCenter);
    int w = rcDlg.right - rcDlg.left, h = rcDlg.bottom - rcDlg.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
    if (x + w > area.right) x = area.right - w;
    if (x < area.left) x = area.left;
    if (y + h > area.bottom) y = area.bottom - h;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes) {
    if (!::IsWindow(m_hWnd)) return;
    HINSTANCE inst = CPaintManagerUI::GetInstance();
    // LR_SHARED: the system owns the icons.
    HANDLE big = ::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                              ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED);
    HANDLE small = ::LoadImageW(inst, MAKEINTRESOURCEW(nRes), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED);
    if (!big && !small) {
        detail::Log(L"icon resource %u not found for window class '%s'", nRes, GetWindowClassName());
        return;
    }
    if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT rc = {};
    if (!::GetClientRect(m_hWnd, &rc)) return;
    if (cx != -1) rc.right = cx;
    if (cy != -1) rc.bottom = cy;
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&rc, style, ::GetMenu(m_hWnd) != nullptr, exStyle);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (m_OldWndProc) return ::CallWindowProcW(m_OldWndProc, m_hWnd, uMsg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND /*hWnd*/) {}

LRESULT CALLBACK CWindowWnd::__WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (uMsg == WM_NCCREATE) {
        self = static_cast<CWindowWnd*>(reinterpret_cast<LPCREATESTRUCTW>(lParam)->lpCreateParams);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    return self->Dispatch(hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::Dispatch(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    ++m_nDispatchDepth;
    if (uMsg == WM_CLOSE && m_pModalResult) {
        *m_pModalResult = static_cast<UINT>(wParam);
        // Re-enable the owner before this window goes, so activation returns to it.
        if (m_hModalOwner) ::EnableWindow(m_hModalOwner, TRUE);
    }
    LRESULT result = 0;
    try {
        result = HandleMessage(uMsg, wParam, lParam);
    } catch (...) {
        detail::Log(L"window class '%s': exception in message 0x%04X handler", GetWindowClassName(), uMsg);
    }
    if (uMsg == WM_CREATE && result == -1) m_bCreateFailed = true;
    if (uMsg == WM_CLOSE && m_hModalOwner && ::IsWindow(hWnd)) ::EnableWindow(m_hModalOwner, FALSE);
    if (uMsg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        m_bFinalPending = true;
    }
    --m_nDispatchDepth;
    FinishIfDone(hWnd);
    return result;
}

void CWindowWnd::FinishIfDone(HWND hWnd) {
    if (!m_bFinalPending || m_nDispatchDepth > 0) return;
    m_bFinalPending = false;
    m_hWnd = nullptr;
    m_pModalResult = nullptr;
    m_hModalOwner = nullptr;
    m_OldWndProc = nullptr;
    m_bSubclassed = false;
    if (m_bCreateFailed) return;
    OnFinalMessage(hWnd);   // may delete this
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) { return DuiDispatchMessageMap(msg); }
bool CNotifyPump::DuiDispatchMessageMap(TNotifyUI& /*msg*/) { return false; }

}  // namespace DuiLib
