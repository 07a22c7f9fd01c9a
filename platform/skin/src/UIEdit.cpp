// CEditUI: a native EDIT child window kept on the control's rectangle.
#include "DuiLib/UIControls.h"
#include "Internal.h"

namespace DuiLib {

CEditUI::CEditUI() {
    m_rcTextPadding = RECT{4, 3, 4, 3};
    m_dwBackColor = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
    if (m_hEdit && ::IsWindow(m_hEdit)) {
        ::SetWindowLongPtrW(m_hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldEditProc));
        ::SetWindowLongPtrW(m_hEdit, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hEdit);
    }
}

LPCTSTR CEditUI::GetClass() const { return _T("EditUI"); }
LPVOID CEditUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Edit") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}
UINT CEditUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_SETCURSOR | UIFLAG_TABSTOP : 0; }

CDuiString CEditUI::GetText() const {
    if (!m_hEdit) return m_sText;
    int n = ::GetWindowTextLengthW(m_hEdit);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    int got = ::GetWindowTextW(m_hEdit, &text[0], n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return CDuiString(text);
}

void CEditUI::SetText(LPCTSTR pstrText) {
    m_sText = pstrText;
    if (m_hEdit) ::SetWindowTextW(m_hEdit, m_sText);
    Invalidate();
}

void CEditUI::SyncNativeWindow() {
    if (!m_hEdit) return;
    ::EnableWindow(m_hEdit, IsEnabled());
    ::ShowWindow(m_hEdit, IsVisible() ? SW_SHOWNA : SW_HIDE);
}

void CEditUI::SetEnabled(bool bEnable) {
    CLabelUI::SetEnabled(bEnable);
    SyncNativeWindow();
}

void CEditUI::SetVisible(bool bVisible) {
    CLabelUI::SetVisible(bVisible);
    SyncNativeWindow();
}

void CEditUI::SetInternVisible(bool bVisible) {
    CLabelUI::SetInternVisible(bVisible);
    SyncNativeWindow();
}

void CEditUI::SetMaxChar(UINT uMax) {
    m_uMaxChar = uMax;
    if (m_hEdit) ::SendMessageW(m_hEdit, EM_LIMITTEXT, m_uMaxChar, 0);
}
UINT CEditUI::GetMaxChar() { return m_uMaxChar; }

void CEditUI::SetReadOnly(bool bReadOnly) {
    m_bReadOnly = bReadOnly;
    if (m_hEdit) ::SendMessageW(m_hEdit, EM_SETREADONLY, bReadOnly, 0);
}
bool CEditUI::IsReadOnly() const { return m_bReadOnly; }

void CEditUI::SetPasswordMode(bool bPasswordMode) {
    m_bPasswordMode = bPasswordMode;
    if (m_hEdit) ::SendMessageW(m_hEdit, EM_SETPASSWORDCHAR, bPasswordMode ? L'*' : 0, 0);
}
bool CEditUI::IsPasswordMode() const { return m_bPasswordMode; }
HWND CEditUI::GetNativeWindow() const { return m_hEdit; }

void CEditUI::SetPos(RECT rc, bool bNeedInvalidate) {
    CLabelUI::SetPos(rc, bNeedInvalidate);
    if (!m_hEdit) return;
    RECT r = {rc.left + m_rcTextPadding.left, rc.top + m_rcTextPadding.top, rc.right - m_rcTextPadding.right,
              rc.bottom - m_rcTextPadding.bottom};
    ::MoveWindow(m_hEdit, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void CEditUI::DoInit() {
    if (m_hEdit || !m_pManager || !m_pManager->GetPaintWindow()) return;
    DWORD style = WS_CHILD | ES_AUTOHSCROLL | (m_bPasswordMode ? ES_PASSWORD : 0) | (m_bReadOnly ? ES_READONLY : 0);
    m_hEdit = ::CreateWindowExW(0, L"EDIT", m_sText, style, 0, 0, 0, 0, m_pManager->GetPaintWindow(), nullptr,
                                CPaintManagerUI::GetInstance(), nullptr);
    if (!m_hEdit) {
        detail::Log(L"edit '%s' could not create its window, error %lu", m_sName.GetData(), ::GetLastError());
        return;
    }
    ::SetWindowLongPtrW(m_hEdit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_oldEditProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(m_hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CEditUI::EditProc)));
    ::SendMessageW(m_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(m_pManager->GetFont(m_iFont)), FALSE);
    ::SendMessageW(m_hEdit, EM_LIMITTEXT, m_uMaxChar, 0);
    SyncNativeWindow();
}

LRESULT CALLBACK CEditUI::EditProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CEditUI* self = reinterpret_cast<CEditUI*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    WNDPROC old = self->m_oldEditProc;
    CPaintManagerUI* pm = self->m_pManager;
    switch (uMsg) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && pm) {
            pm->SendNotify(self, DUI_MSGTYPE_RETURN);
            return 0;
        }
        if (wParam == VK_TAB && pm) {
            pm->SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\t') return 0;   // no beep
        break;
    case WM_SETFOCUS:
        if (pm && pm->GetFocus() != self) pm->SetFocus(self);
        break;
    default:
        break;
    }
    return ::CallWindowProcW(old, hWnd, uMsg, wParam, lParam);
}

void CEditUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_COMMAND:
        if (HIWORD(event.wParam) == EN_CHANGE) {
            m_sText = GetText();
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
        }
        return;
    case UIEVENT_SETFOCUS:
        if (m_hEdit && ::GetFocus() != m_hEdit) ::SetFocus(m_hEdit);
        CLabelUI::DoEvent(event);
        return;
    case UIEVENT_BUTTONDOWN:
        SetFocus();
        return;
    case UIEVENT_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
        return;
    default:
        CLabelUI::DoEvent(event);
    }
}

void CEditUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"readonly") SetReadOnly(detail::ParseBool(pstrValue));
    else if (name == L"password") SetPasswordMode(detail::ParseBool(pstrValue));
    else if (name == L"maxchar") SetMaxChar(static_cast<UINT>(_wtoi(pstrValue)));
    else CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CEditUI::PaintText(HDC hDC) {
    if (!m_hEdit) CLabelUI::PaintText(hDC);   // the native window paints its own text
}

}  // namespace DuiLib
