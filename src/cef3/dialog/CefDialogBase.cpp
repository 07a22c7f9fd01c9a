#include "CefDialogBase.h"

#include "CCefCommonUI.h"
#include "LogWriter.h"

using DuiLib::CControlUI;
using DuiLib::TNotifyUI;

namespace {

constexpr UINT kIconResource = 102;
// The bar is made at this place and size, then docked over the dialog.
constexpr int kBarX = 100, kBarY = 100, kBarSize = 400;
constexpr unsigned kBarAnchor = 0x11;  // left and top

}  // namespace

CCefDialogBase::CCefDialogBase(DWORD barExStyle) : m_barExStyle(barExStyle) {}

// The window (and with it the bar) is gone before its object: the owner
// deletes the object after the modal run, or the object deletes itself in
// OnFinalMessage.
CCefDialogBase::~CCefDialogBase() = default;

void CCefDialogBase::InitWindow() {
    SetIcon(kIconResource);
    m_pCloseBtn = m_PaintManager.FindControl(L"closebtn");
    m_magnet.SetHostWindow(m_hWnd);
    if (!m_transBar.GetHWND()) {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        CWndBase::RegisterWndClass(instance);
        if (!::CreateWindowExW(m_barExStyle, kNormalWndClassName, L"", WS_POPUP, kBarX, kBarY, kBarSize, kBarSize,
                               m_hWnd, nullptr, instance, &m_transBar)) {
            LOG_ERROR(L"CreateWindowEx of the bar failed, LastError=%u", ::GetLastError());
            return;
        }
    }
    RECT rect = {};
    ::GetWindowRect(m_hWnd, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    m_transBar.SetBarSize(width, height);
    m_transBar.SetOwnerWnd(m_hWnd);
    WindowMagnet::DockedWindow entry;
    entry.wnd = m_transBar.GetHWND();
    entry.width = width;
    entry.height = height;
    entry.anchor = kBarAnchor;
    m_magnet.AddWindow(entry);
}

void CCefDialogBase::OnClick(TNotifyUI& msg) {
    if (msg.pSender && msg.pSender == m_pCloseBtn) Close(0);
}

CControlUI* CCefDialogBase::CreateControl(LPCTSTR pstrClass) {
    if (!pstrClass || _wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
    auto* control = new CCefCommonUI(&m_PaintManager, this);
    control->LoadUrl(GetStartUrl().c_str());
    m_cefControls.push_back(control);
    return control;
}

LRESULT CCefDialogBase::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    for (CCefCommonUI* control : m_cefControls) control->DetachClient();
    m_cefControls.clear();
    if (HWND bar = m_transBar.GetHWND()) {
        m_magnet.RemoveWindow(bar);
        m_transBar.Destroy();
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CCefDialogBase::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
    bHandled = FALSE;
    HWND bar = m_transBar.GetHWND();
    if (uMsg != WM_SHOWWINDOW || !bar) return 0;
    if (wParam) {
        ::ShowWindow(bar, SW_SHOWNOACTIVATE);
        ::PostMessageW(bar, WM_PAINT, 0, 0);
    } else {
        ::ShowWindow(bar, SW_HIDE);
    }
    return 0;
}
