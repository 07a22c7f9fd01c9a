#include "GameButton.h"

#include "GameInfoItem.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWnd.h"

using namespace DuiLib;

namespace {

constexpr DWORD kNotInstalledTextColor = 0xFFA0A0A0;
constexpr DWORD kTextColor = 0xFFFFFFFF;
constexpr wchar_t kNotInstalledText[] = L"游戏未安装";

}  // namespace

CGameButtonUI::CGameButtonUI(CMainWnd* owner, LPCTSTR cornerImage, LPCTSTR cornerHotImage)
    : m_pOwner(owner), m_sCornerImage(cornerImage), m_sCornerHotImage(cornerHotImage) {}

LPCTSTR CGameButtonUI::GetClass() const { return L"OrvGameBtn"; }

LPVOID CGameButtonUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && wcscmp(pstrName, L"OrvGameBtn") == 0) return this;
    return COptionUI::GetInterface(pstrName);
}

void CGameButtonUI::SetAutoUpdate(int on) {
    if (!m_pGameItem) return;
    m_pGameItem->autoUpdate = on != 0;
    if (m_pOwner->NoCafeClient()) m_pOwner->LocalDB().SetGameAutoUpdateValue(m_pGameItem->jt_game_id, on != 0);
}

RECT CGameButtonUI::CornerRect() const {
    return RECT{m_rcItem.right - 21, m_rcItem.top + 6, m_rcItem.right - 6, m_rcItem.top + 21};
}

bool CGameButtonUI::CornerContains(POINT pt) const {
    RECT corner = CornerRect();
    return ::PtInRect(&corner, pt) != FALSE;
}

void CGameButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEMOVE: {
        bool hot = CornerContains(event.ptMouse);
        if (hot != m_bCornerHot) {
            m_bCornerHot = hot;
            RECT corner = CornerRect();
            if (m_pManager) m_pManager->Invalidate(corner);
        }
        break;
    }
    case UIEVENT_MOUSELEAVE:
        if (!m_sSavedText.IsEmpty()) {
            SetTextColor(kTextColor);
            SetText(m_sSavedText);
            m_sSavedText.Empty();
        }
        break;
    case UIEVENT_MOUSEENTER:
        if (m_pGameItem && m_pGameItem->installed == 0 && m_sSavedText.IsEmpty()) {
            SetTextColor(kNotInstalledTextColor);
            m_sSavedText = GetText();
            SetText(kNotInstalledText);
        }
        break;
    case UIEVENT_BUTTONDOWN:
        m_ptPress = event.ptMouse;
        m_pOwner->SetPressedGameButton(this);
        m_pOwner->CreateDragControl(this);
        LOG_DEBUG(L"CGameButtonUI 0x%p UIEVENT_BUTTONDOWN y=%d, GetPos()=%d,%d", static_cast<void*>(this),
                  static_cast<int>(event.ptMouse.y), static_cast<int>(m_rcItem.left), static_cast<int>(m_rcItem.top));
        break;
    case UIEVENT_BUTTONUP:
        LOG_DEBUG(L"CGameButtonUI UIEVENT_BUTTONUP y=%d", static_cast<int>(event.ptMouse.y));
        m_pOwner->EndGameButtonDrag();
        m_bDragging = false;
        if (m_bCornerHot) m_pOwner->ShowGameButtonMenu(this);
        break;
    case UIEVENT_RBUTTONUP:
        m_pOwner->ShowGameButtonMenu(this);
        break;
    default:
        break;
    }
    COptionUI::DoEvent(event);
}

void CGameButtonUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (m_bDragging) return;
    COptionUI::DoPaint(hDC, rcPaint);
}

void CGameButtonUI::PaintForeImage(HDC hDC) {
    COptionUI::PaintForeImage(hDC);
    if (m_pGameItem && m_pGameItem->installed == 0 && !m_sMaskImage.IsEmpty())
        DrawImage(hDC, m_sMaskImage, L"dest='34,16,80,62'");
}

void CGameButtonUI::DoPostPaint(HDC hDC, const RECT& rcPaint) {
    RECT overlap;
    if (!(m_uButtonState & UISTATE_HOT) || m_bDragging || !::IntersectRect(&overlap, &rcPaint, &m_rcItem)) return;
    const CDuiString& image = m_bCornerHot ? m_sCornerHotImage : m_sCornerImage;
    int width = m_rcItem.right - m_rcItem.left;
    std::wstring dest = FormatString(L"dest='%d,6,%d,21'", width - 21, width - 6);
    DrawImage(hDC, image, dest.c_str());
}
