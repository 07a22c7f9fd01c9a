// The menu window and its items.
#include "DuiLib/UIMenu.h"
#include "DuiLib/UIRender.h"
#include "Internal.h"

#include <algorithm>

namespace DuiLib {

namespace {
const int kItemHeight = 28;
const int kMinMenuWidth = 120;
const DWORD kHotColor = 0xFFE3ECF7;

void CopyField(TCHAR* dst, size_t cchDst, const CDuiString& src, const wchar_t* field) {
    lstrcpynW(dst, src.GetData(), static_cast<int>(cchDst));
    if (static_cast<size_t>(src.GetLength()) >= cchDst)
        detail::Log(L"menu item %s '%s' is longer than %u characters and was cut", field, src.GetData(),
                    static_cast<unsigned>(cchDst - 1));
}
}  // namespace

// ---------------------------------------------------------------- CMenuElementUI

CMenuElementUI::CMenuElementUI() {
    m_cxyFixed.cy = kItemHeight;
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    m_rcTextPadding = RECT{m_iIconWidth + 6, 0, 12, 0};
}

LPCTSTR CMenuElementUI::GetClass() const { return _T("MenuElementUI"); }
LPVOID CMenuElementUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"MenuElement") == 0) return this;
    return CButtonUI::GetInterface(pstrName);
}

void CMenuElementUI::SetIcon(LPCTSTR pStrImage) {
    m_sIcon = pStrImage;
    Invalidate();
}
LPCTSTR CMenuElementUI::GetIcon() const { return m_sIcon; }
void CMenuElementUI::SetChecked(bool bCheck) {
    m_bChecked = bCheck;
    Invalidate();
}
bool CMenuElementUI::GetChecked() const { return m_bChecked; }

void CMenuElementUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"icon") SetIcon(pstrValue);
    else if (name == L"checked") SetChecked(detail::ParseBool(pstrValue));
    else CButtonUI::SetAttribute(pstrName, pstrValue);
}

void CMenuElementUI::PaintStatusImage(HDC hDC) {
    if ((m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) && IsEnabled())
        CRenderEngine::DrawColor(hDC, m_rcItem, m_dwHotBkColor ? m_dwHotBkColor : kHotColor);
    CButtonUI::PaintStatusImage(hDC);
    if (m_sIcon.IsEmpty()) return;
    int size = std::min(16, GetHeight());
    int left = (m_iIconWidth - size) / 2 + 2, top = (GetHeight() - size) / 2;
    CDuiString modify;
    modify.Format(L"dest='%d,%d,%d,%d'", left, top, left + size, top + size);
    DrawImage(hDC, m_sIcon, modify);
}

SIZE CMenuElementUI::EstimateSize(SIZE szAvailable) {
    SIZE s = CButtonUI::EstimateSize(szAvailable);
    if (s.cx > 0 || !m_pManager) return s;
    detail::WindowDc dc(m_pManager->GetPaintWindow());
    SIZE text = CRenderEngine::GetTextSize(dc.get(), m_pManager, m_sText, m_iFont, DT_SINGLELINE);
    return SIZE{0, s.cy > 0 ? s.cy : std::max<LONG>(kItemHeight, text.cy + 8)};
}

// ---------------------------------------------------------------- CMenuUI

LPCTSTR CMenuUI::GetClass() const { return _T("MenuUI"); }
LPVOID CMenuUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Menu") == 0) return this;
    return CVerticalLayoutUI::GetInterface(pstrName);
}

CMenuElementUI* CMenuUI::GetMenuItemAt(int iIndex) const {
    CControlUI* c = GetItemAt(iIndex);
    return c ? static_cast<CMenuElementUI*>(c->GetInterface(L"MenuElement")) : nullptr;
}

CMenuElementUI* CMenuUI::GetMenuItem(LPCTSTR pstrName) const {
    for (int i = 0; i < GetCount(); ++i) {
        CMenuElementUI* item = GetMenuItemAt(i);
        if (item && item->GetName().CompareNoCase(pstrName) == 0) return item;
    }
    return nullptr;
}

SIZE CMenuUI::EstimateMenuSize() {
    SIZE size = {std::max(kMinMenuWidth, GetFixedWidth()), m_rcInset.top + m_rcInset.bottom};
    detail::WindowDc dc(m_pManager ? m_pManager->GetPaintWindow() : nullptr);
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* c = GetItemAt(i);
        if (!c->IsVisible()) continue;
        SIZE s = c->EstimateSize(SIZE{9999, 9999});
        size.cy += (s.cy > 0 ? s.cy : kItemHeight) + c->GetPadding().top + c->GetPadding().bottom;
        if (GetFixedWidth() > 0 || !m_pManager) continue;
        CMenuElementUI* item = GetMenuItemAt(i);
        if (!item) continue;
        SIZE text = CRenderEngine::GetTextSize(dc.get(), m_pManager, item->GetText(), item->GetFont(), DT_SINGLELINE);
        RECT pad = item->GetTextPadding();
        size.cx = std::max<LONG>(size.cx, text.cx + pad.left + pad.right + m_rcInset.left + m_rcInset.right);
    }
    if (GetCount() > 1) size.cy += m_iChildPadding * (GetCount() - 1);
    return size;
}

// ---------------------------------------------------------------- CMenuWnd

CMenuWnd::CMenuWnd() = default;

CMenuWnd::~CMenuWnd() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

LPCTSTR CMenuWnd::GetWindowClassName() const { return _T("DuiMenuWnd"); }
CDuiString CMenuWnd::GetSkinFile() { return m_sXml; }

bool CMenuWnd::Init(CMenuElementUI* /*pOwner*/, LPCTSTR xml, POINT point, CPaintManagerUI* pMainPaintManager,
                    std::map<CDuiString, bool>* pMenuCheckInfo, DWORD dwAlignment) {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_sXml = xml;
    m_ptBase = point;
    m_pMainManager = pMainPaintManager;
    m_pCheckInfo = pMenuCheckInfo;
    m_dwAlignment = dwAlignment;
    HWND owner = pMainPaintManager ? pMainPaintManager->GetPaintWindow() : nullptr;
    if (!Create(owner, L"", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, point.x, point.y, 10, 10)) return false;
    CMenuUI* menu = GetMenuUI();
    if (menu && m_pCheckInfo) {
        for (int i = 0; i < menu->GetCount(); ++i) {
            CMenuElementUI* item = menu->GetMenuItemAt(i);
            if (!item) continue;
            auto it = m_pCheckInfo->find(item->GetName());
            if (it != m_pCheckInfo->end()) item->SetChecked(it->second);
        }
    }
    ResizeMenu();
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    return true;
}

CMenuUI* CMenuWnd::GetMenuUI() {
    CControlUI* root = m_PaintManager.GetRoot();
    if (!root) return nullptr;
    if (CMenuUI* menu = static_cast<CMenuUI*>(root->GetInterface(L"Menu"))) return menu;
    CControlUI* c = m_PaintManager.FindSubControlByClass(root, L"MenuUI");
    return c ? static_cast<CMenuUI*>(c->GetInterface(L"Menu")) : nullptr;
}

void CMenuWnd::ResizeMenu() {
    if (!::IsWindow(m_hWnd)) return;
    CMenuUI* menu = GetMenuUI();
    SIZE size = menu ? menu->EstimateMenuSize() : SIZE{kMinMenuWidth, kItemHeight};
    POINT pos = m_ptBase;
    if (m_dwAlignment & eMenuAlignment_Right) pos.x -= size.cx;
    if (m_dwAlignment & eMenuAlignment_Bottom) pos.y -= size.cy;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromPoint(m_ptBase, MONITOR_DEFAULTTONEAREST), &mi);
    pos.x = std::clamp<LONG>(pos.x, mi.rcWork.left, std::max<LONG>(mi.rcWork.left, mi.rcWork.right - size.cx));
    pos.y = std::clamp<LONG>(pos.y, mi.rcWork.top, std::max<LONG>(mi.rcWork.top, mi.rcWork.bottom - size.cy));
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, pos.x, pos.y, size.cx, size.cy, SWP_NOACTIVATE);
    m_PaintManager.NeedUpdate();
}

void CMenuWnd::PostItemClick(CMenuElementUI* pItem) {
    bool checked = pItem->GetChecked();
    if (m_pCheckInfo) {
        auto it = m_pCheckInfo->find(pItem->GetName());
        if (it != m_pCheckInfo->end()) it->second = checked = !it->second;
    }
    HWND target = m_pMainManager ? m_pMainManager->GetPaintWindow() : nullptr;
    if (target && ::IsWindow(target)) {
        MenuCmd* cmd = detail::NewLiveMenuCmd();
        CopyField(cmd->szName, _countof(cmd->szName), pItem->GetName(), L"name");
        CopyField(cmd->szUserData, _countof(cmd->szUserData), pItem->GetUserData(), L"user data");
        CopyField(cmd->szText, _countof(cmd->szText), pItem->GetText(), L"text");
        cmd->bChecked = checked ? TRUE : FALSE;
        if (!::PostMessageW(target, UIMSG_MENUCLICK, reinterpret_cast<WPARAM>(cmd), 0)) {
            detail::Log(L"menu click '%s' could not be posted, error %lu", cmd->szName, ::GetLastError());
            CPaintManagerUI::DeletePtr(cmd);
        }
    }
    Close();
}

void CMenuWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender) {
        CMenuElementUI* item = static_cast<CMenuElementUI*>(msg.pSender->GetInterface(L"MenuElement"));
        if (item) {
            PostItemClick(item);
            return;
        }
    }
    WindowImplBase::Notify(msg);
}

LRESULT CMenuWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if ((uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) || (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE))
        Close(IDCANCEL);
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
