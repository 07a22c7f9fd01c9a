// Label, text, button, option, check box, progress and slider.
#include "DuiLib/UIControls.h"
#include "DuiLib/UIContainer.h"
#include "DuiLib/UIRender.h"
#include "Internal.h"

#include <algorithm>

namespace DuiLib {

namespace {
bool IsMouseEvent(int type) { return type > UIEVENT__MOUSEBEGIN && type < UIEVENT__MOUSEEND; }
}  // namespace

// ---------------------------------------------------------------- CLabelUI

CLabelUI::CLabelUI() = default;
LPCTSTR CLabelUI::GetClass() const { return _T("LabelUI"); }
LPVOID CLabelUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Label") == 0) return this;
    return CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextStyle(UINT uStyle) {
    m_uTextStyle = uStyle;
    Invalidate();
}
UINT CLabelUI::GetTextStyle() const { return m_uTextStyle; }
void CLabelUI::SetTextColor(DWORD dwTextColor) {
    m_dwTextColor = dwTextColor;
    Invalidate();
}
DWORD CLabelUI::GetTextColor() const { return m_dwTextColor; }
void CLabelUI::SetDisabledTextColor(DWORD dwTextColor) {
    m_dwDisabledTextColor = dwTextColor;
    Invalidate();
}
DWORD CLabelUI::GetDisabledTextColor() const { return m_dwDisabledTextColor; }
void CLabelUI::SetFont(int index) {
    m_iFont = index;
    Invalidate();
}
int CLabelUI::GetFont() const { return m_iFont; }
RECT CLabelUI::GetTextPadding() const { return m_rcTextPadding; }
void CLabelUI::SetTextPadding(RECT rc) {
    m_rcTextPadding = rc;
    Invalidate();
}

void CLabelUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    const std::wstring value(pstrValue ? pstrValue : L"");
    UINT& s = m_uTextStyle;
    if (name == L"align") {
        s &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
        if (value == L"center") s |= DT_CENTER;
        else if (value == L"right") s |= DT_RIGHT;
        else if (value != L"left") ReportUnknownAttribute(pstrName, pstrValue);
    } else if (name == L"valign") {
        s &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
        if (value == L"center" || value == L"vcenter") s |= DT_VCENTER;
        else if (value == L"bottom") s |= DT_BOTTOM;
        else if (value != L"top") ReportUnknownAttribute(pstrName, pstrValue);
    } else if (name == L"endellipsis") {
        if (detail::ParseBool(pstrValue)) s |= DT_END_ELLIPSIS;
        else s &= ~DT_END_ELLIPSIS;
    } else if (name == L"wordbreak") {
        if (detail::ParseBool(pstrValue)) {
            s &= ~DT_SINGLELINE;
            s |= DT_WORDBREAK | DT_EDITCONTROL;
        } else {
            s &= ~(DT_WORDBREAK | DT_EDITCONTROL);
            s |= DT_SINGLELINE;
        }
    } else if (name == L"font") {
        SetFont(_wtoi(pstrValue));
    } else if (name == L"textcolor") {
        SetTextColor(ParseColor(pstrValue));
    } else if (name == L"disabledtextcolor") {
        SetDisabledTextColor(ParseColor(pstrValue));
    } else if (name == L"textpadding") {
        SetTextPadding(detail::ParseRect(pstrValue));
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

namespace {

// Draws text in rc with the label's style; multi-line text is placed by its
// measured height for vertical centre/bottom alignment.
void DrawLabelText(HDC hDC, CPaintManagerUI* pm, RECT rc, LPCTSTR text, DWORD color, int font, UINT style) {
    if (!(style & DT_SINGLELINE) && (style & (DT_VCENTER | DT_BOTTOM))) {
        RECT calc = rc;
        CRenderEngine::DrawText(hDC, pm, calc, text, color, font, (style & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
        int h = calc.bottom - calc.top, room = rc.bottom - rc.top;
        if (h < room) rc.top += (style & DT_BOTTOM) ? room - h : (room - h) / 2;
        style &= ~(DT_VCENTER | DT_BOTTOM);
    }
    CRenderEngine::DrawText(hDC, pm, rc, text, color, font, style);
}

}  // namespace

void CLabelUI::PaintText(HDC hDC) {
    if (m_sText.IsEmpty() || !m_pManager) return;
    DWORD color = m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultFontColor();
    if (!IsEnabled()) color = m_dwDisabledTextColor ? m_dwDisabledTextColor : m_pManager->GetDefaultDisabledColor();
    RECT rc = {m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    DrawLabelText(hDC, m_pManager, rc, m_sText, color, m_iFont, m_uTextStyle);
}

// ---------------------------------------------------------------- CTextUI

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_EDITCONTROL; }
LPCTSTR CTextUI::GetClass() const { return _T("TextUI"); }
LPVOID CTextUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Text") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}

// ---------------------------------------------------------------- CButtonUI

CButtonUI::CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }
LPCTSTR CButtonUI::GetClass() const { return _T("ButtonUI"); }
LPVOID CButtonUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Button") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}
UINT CButtonUI::GetControlFlags() const { return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0); }

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled()) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event.Type)) {
        if (m_pParent) m_pParent->DoEvent(event);
        else CLabelUI::DoEvent(event);
        return;
    }
    switch (event.Type) {
    case UIEVENT_KEYDOWN:
        if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (::PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            if (::PtInRect(&m_rcItem, event.ptMouse)) m_uButtonState |= UISTATE_PUSHED;
            else m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            if (::PtInRect(&m_rcItem, event.ptMouse)) Activate();
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
        return;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

LPCTSTR CButtonUI::GetNormalImage() { return m_sNormalImage; }
void CButtonUI::SetNormalImage(LPCTSTR pStrImage) {
    m_sNormalImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetHotImage() { return m_sHotImage; }
void CButtonUI::SetHotImage(LPCTSTR pStrImage) {
    m_sHotImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetPushedImage() { return m_sPushedImage; }
void CButtonUI::SetPushedImage(LPCTSTR pStrImage) {
    m_sPushedImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetFocusedImage() { return m_sFocusedImage; }
void CButtonUI::SetFocusedImage(LPCTSTR pStrImage) {
    m_sFocusedImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetDisabledImage() { return m_sDisabledImage; }
void CButtonUI::SetDisabledImage(LPCTSTR pStrImage) {
    m_sDisabledImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetForeImage() { return m_sForeImage; }
void CButtonUI::SetForeImage(LPCTSTR pStrImage) {
    m_sForeImage = pStrImage;
    Invalidate();
}
LPCTSTR CButtonUI::GetHotForeImage() { return m_sHotForeImage; }
void CButtonUI::SetHotForeImage(LPCTSTR pStrImage) {
    m_sHotForeImage = pStrImage;
    Invalidate();
}
void CButtonUI::SetHotBkColor(DWORD dwColor) { m_dwHotBkColor = dwColor; }
DWORD CButtonUI::GetHotBkColor() const { return m_dwHotBkColor; }
void CButtonUI::SetHotTextColor(DWORD dwColor) { m_dwHotTextColor = dwColor; }
DWORD CButtonUI::GetHotTextColor() const { return m_dwHotTextColor; }
void CButtonUI::SetPushedTextColor(DWORD dwColor) { m_dwPushedTextColor = dwColor; }
DWORD CButtonUI::GetPushedTextColor() const { return m_dwPushedTextColor; }
void CButtonUI::SetFocusedTextColor(DWORD dwColor) { m_dwFocusedTextColor = dwColor; }
DWORD CButtonUI::GetFocusedTextColor() const { return m_dwFocusedTextColor; }

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"normalimage") SetNormalImage(pstrValue);
    else if (name == L"hotimage") SetHotImage(pstrValue);
    else if (name == L"pushedimage") SetPushedImage(pstrValue);
    else if (name == L"focusedimage") SetFocusedImage(pstrValue);
    else if (name == L"disabledimage") SetDisabledImage(pstrValue);
    else if (name == L"foreimage") SetForeImage(pstrValue);
    else if (name == L"hotforeimage") SetHotForeImage(pstrValue);
    else if (name == L"hotbkcolor") SetHotBkColor(ParseColor(pstrValue));
    else if (name == L"hottextcolor") SetHotTextColor(ParseColor(pstrValue));
    else if (name == L"pushedtextcolor") SetPushedTextColor(ParseColor(pstrValue));
    else if (name == L"focusedtextcolor") SetFocusedTextColor(ParseColor(pstrValue));
    else CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CButtonUI::PaintText(HDC hDC) {
    if (m_sText.IsEmpty() || !m_pManager) return;
    DWORD color = m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultFontColor();
    if (!IsEnabled()) color = m_dwDisabledTextColor ? m_dwDisabledTextColor : m_pManager->GetDefaultDisabledColor();
    else if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) color = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) color = m_dwHotTextColor;
    else if (IsFocused() && m_dwFocusedTextColor) color = m_dwFocusedTextColor;
    RECT rc = {m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    DrawLabelText(hDC, m_pManager, rc, m_sText, color, m_iFont, m_uTextStyle);
}

void CButtonUI::PaintStatusImage(HDC hDC) {
    if (IsFocused()) m_uButtonState |= UISTATE_FOCUSED;
    else m_uButtonState &= ~UISTATE_FOCUSED;
    if (!IsEnabled()) m_uButtonState |= UISTATE_DISABLED;
    else m_uButtonState &= ~UISTATE_DISABLED;

    const CDuiString* image = nullptr;
    if (m_uButtonState & UISTATE_DISABLED) image = &m_sDisabledImage;
    else if (m_uButtonState & UISTATE_PUSHED) image = m_sPushedImage.IsEmpty() ? &m_sHotImage : &m_sPushedImage;
    else if (m_uButtonState & UISTATE_HOT) image = &m_sHotImage;
    else if (m_uButtonState & UISTATE_FOCUSED) image = &m_sFocusedImage;
    if ((m_uButtonState & UISTATE_HOT) && IsEnabled() && m_dwHotBkColor)
        CRenderEngine::DrawColor(hDC, m_rcPaint, m_dwHotBkColor);
    bool drawn = image && !image->IsEmpty() && DrawImage(hDC, *image);
    if (!drawn && !m_sNormalImage.IsEmpty()) DrawImage(hDC, m_sNormalImage);
    PaintForeImage(hDC);
}

void CButtonUI::PaintForeImage(HDC hDC) {
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.IsEmpty() && DrawImage(hDC, m_sHotForeImage)) return;
    if (!m_sForeImage.IsEmpty()) DrawImage(hDC, m_sForeImage);
}

// ---------------------------------------------------------------- COptionUI

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() {
    if (!m_sGroupName.IsEmpty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

LPCTSTR COptionUI::GetClass() const { return _T("OptionUI"); }
LPVOID COptionUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Option") == 0) return this;
    return CButtonUI::GetInterface(pstrName);
}

void COptionUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    if (m_pManager && m_pManager != pManager && !m_sGroupName.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
    CButtonUI::SetManager(pManager, pParent, bInit);
    if (bInit && m_pManager && !m_sGroupName.IsEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
}

LPCTSTR COptionUI::GetGroup() const { return m_sGroupName; }

void COptionUI::SetGroup(LPCTSTR pStrGroupName) {
    if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
    m_sGroupName = pStrGroupName;
    if (m_pManager && !m_sGroupName.IsEmpty()) m_pManager->AddOptionGroup(m_sGroupName, this);
    Selected(m_bSelected, false);
}

bool COptionUI::IsSelected() const { return m_bSelected; }

void COptionUI::Selected(bool bSelected, bool bTriggerEvent) {
    if (m_bSelected != bSelected) {
        m_bSelected = bSelected;
        if (bSelected) m_uButtonState |= UISTATE_SELECTED;
        else m_uButtonState &= ~UISTATE_SELECTED;
        Invalidate();
        if (bTriggerEvent && m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
        if (bSelected) SelectBoundTab();
    }
    if (!m_bSelected || !m_pManager || m_sGroupName.IsEmpty()) return;
    // The other options of the group are cleared without a notification.
    std::vector<CControlUI*>* group = m_pManager->GetOptionGroup(m_sGroupName);
    if (!group) return;
    std::vector<CControlUI*> members = *group;
    for (CControlUI* c : members) {
        if (c == this) continue;
        COptionUI* other = static_cast<COptionUI*>(c->GetInterface(L"Option"));
        if (other && other->m_bSelected) {
            other->m_bSelected = false;
            other->m_uButtonState &= ~UISTATE_SELECTED;
            other->Invalidate();
        }
    }
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_sGroupName.IsEmpty()) Selected(true);
    else Selected(!m_bSelected);
    return true;
}

void COptionUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled()) m_uButtonState &= UISTATE_SELECTED;
}

LPCTSTR COptionUI::GetSelectedImage() { return m_sSelectedImage; }
void COptionUI::SetSelectedImage(LPCTSTR pStrImage) {
    m_sSelectedImage = pStrImage;
    Invalidate();
}
LPCTSTR COptionUI::GetSelectedHotImage() { return m_sSelectedHotImage; }
void COptionUI::SetSelectedHotImage(LPCTSTR pStrImage) {
    m_sSelectedHotImage = pStrImage;
    Invalidate();
}
void COptionUI::SetSelectedTextColor(DWORD dwTextColor) { m_dwSelectedTextColor = dwTextColor; }
DWORD COptionUI::GetSelectedTextColor() { return m_dwSelectedTextColor ? m_dwSelectedTextColor : m_dwTextColor; }
void COptionUI::SetSelectedBkColor(DWORD dwBkColor) { m_dwSelectedBkColor = dwBkColor; }
DWORD COptionUI::GetSelectBkColor() { return m_dwSelectedBkColor; }
LPCTSTR COptionUI::GetForeImage() { return m_sForeImage; }
void COptionUI::SetForeImage(LPCTSTR pStrImage) {
    m_sForeImage = pStrImage;
    Invalidate();
}

void COptionUI::BindTabIndex(int _BindTabIndex) { m_iBindTabIndex = _BindTabIndex; }
void COptionUI::BindTabLayoutName(LPCTSTR _TabLayoutName) { m_sBindTabLayoutName = _TabLayoutName; }
int COptionUI::GetBindTabLayoutIndex() const { return m_iBindTabIndex; }
LPCTSTR COptionUI::GetBindTabLayoutName() const { return m_sBindTabLayoutName; }

void COptionUI::SelectBoundTab() {
    if (m_iBindTabIndex < 0 || !m_pManager) return;
    CControlUI* c = m_sBindTabLayoutName.IsEmpty() ? m_pManager->FindSubControlByClass(nullptr, L"TabLayoutUI")
                                                   : m_pManager->FindControl(m_sBindTabLayoutName);
    CTabLayoutUI* tab = c ? static_cast<CTabLayoutUI*>(c->GetInterface(L"TabLayout")) : nullptr;
    if (tab) tab->SelectItem(m_iBindTabIndex);
}

void COptionUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"group") SetGroup(pstrValue);
    else if (name == L"selected") Selected(detail::ParseBool(pstrValue));
    else if (name == L"selectedimage") SetSelectedImage(pstrValue);
    else if (name == L"selectedhotimage") SetSelectedHotImage(pstrValue);
    else if (name == L"selectedtextcolor") SetSelectedTextColor(ParseColor(pstrValue));
    else if (name == L"selectedbkcolor") SetSelectedBkColor(ParseColor(pstrValue));
    else if (name == L"bindtabindex") BindTabIndex(_wtoi(pstrValue));
    else if (name == L"bindtablayoutname") BindTabLayoutName(pstrValue);
    else CButtonUI::SetAttribute(pstrName, pstrValue);
}

void COptionUI::PaintStatusImage(HDC hDC) {
    if (!m_bSelected) {
        CButtonUI::PaintStatusImage(hDC);
        return;
    }
    if (m_dwSelectedBkColor) CRenderEngine::DrawColor(hDC, m_rcPaint, m_dwSelectedBkColor);
    bool drawn = (m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.IsEmpty() && DrawImage(hDC, m_sSelectedHotImage);
    if (!drawn && !m_sSelectedImage.IsEmpty()) drawn = DrawImage(hDC, m_sSelectedImage);
    if (!drawn) {
        CButtonUI::PaintStatusImage(hDC);
        return;
    }
    PaintForeImage(hDC);
}

void COptionUI::PaintText(HDC hDC) {
    if (!m_bSelected || !m_dwSelectedTextColor || !IsEnabled()) {
        CButtonUI::PaintText(hDC);
        return;
    }
    if (m_sText.IsEmpty() || !m_pManager) return;
    RECT rc = {m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    DrawLabelText(hDC, m_pManager, rc, m_sText, m_dwSelectedTextColor, m_iFont, m_uTextStyle);
}

// ---------------------------------------------------------------- CCheckBoxUI

LPCTSTR CCheckBoxUI::GetClass() const { return _T("CheckBoxUI"); }
LPVOID CCheckBoxUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"CheckBox") == 0) return this;
    return COptionUI::GetInterface(pstrName);
}
void CCheckBoxUI::SetCheck(bool bCheck) { Selected(bCheck); }
bool CCheckBoxUI::GetCheck() const { return IsSelected(); }

// ---------------------------------------------------------------- CProgressUI

CProgressUI::CProgressUI() { m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER; }
LPCTSTR CProgressUI::GetClass() const { return _T("ProgressUI"); }
LPVOID CProgressUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Progress") == 0) return this;
    return CLabelUI::GetInterface(pstrName);
}
bool CProgressUI::IsHorizontal() { return m_bHorizontal; }
void CProgressUI::SetHorizontal(bool bHorizontal) {
    m_bHorizontal = bHorizontal;
    Invalidate();
}
int CProgressUI::GetMinValue() const { return m_nMin; }
void CProgressUI::SetMinValue(int nMin) {
    m_nMin = nMin;
    Invalidate();
}
int CProgressUI::GetMaxValue() const { return m_nMax; }
void CProgressUI::SetMaxValue(int nMax) {
    m_nMax = nMax;
    Invalidate();
}
int CProgressUI::GetValue() const { return m_nValue; }
void CProgressUI::SetValue(int nValue) {
    if (nValue == m_nValue) return;
    m_nValue = nValue;
    Invalidate();
}
LPCTSTR CProgressUI::GetForeImage() const { return m_sForeImage; }
void CProgressUI::SetForeImage(LPCTSTR pStrImage) {
    m_sForeImage = pStrImage;
    Invalidate();
}

void CProgressUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"foreimage") SetForeImage(pstrValue);
    else if (name == L"hor") SetHorizontal(detail::ParseBool(pstrValue));
    else if (name == L"min") SetMinValue(_wtoi(pstrValue));
    else if (name == L"max") SetMaxValue(_wtoi(pstrValue));
    else if (name == L"value") SetValue(_wtoi(pstrValue));
    else CLabelUI::SetAttribute(pstrName, pstrValue);
}

RECT CProgressUI::FilledRect() const {
    RECT rc = m_rcItem;
    int range = m_nMax - m_nMin;
    int value = std::clamp(m_nValue, m_nMin, m_nMax);
    if (range <= 0) return RECT{rc.left, rc.top, rc.left, rc.top};
    if (m_bHorizontal) rc.right = rc.left + static_cast<LONG>((static_cast<long long>(value - m_nMin) * (rc.right - rc.left)) / range);
    else rc.top = rc.bottom - static_cast<LONG>((static_cast<long long>(value - m_nMin) * (rc.bottom - rc.top)) / range);
    return rc;
}

void CProgressUI::PaintStatusImage(HDC hDC) {
    RECT filled = FilledRect();
    if (filled.right <= filled.left || filled.bottom <= filled.top) return;
    if (m_dwForeColor) CRenderEngine::DrawColor(hDC, filled, m_dwForeColor);
    if (m_sForeImage.IsEmpty()) return;
    CDuiString modify;
    modify.Format(L"dest='%d,%d,%d,%d'", filled.left - m_rcItem.left, filled.top - m_rcItem.top,
                  filled.right - m_rcItem.left, filled.bottom - m_rcItem.top);
    DrawImage(hDC, m_sForeImage, modify);
}

// ---------------------------------------------------------------- CSliderUI

CSliderUI::CSliderUI() = default;
LPCTSTR CSliderUI::GetClass() const { return _T("SliderUI"); }
LPVOID CSliderUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Slider") == 0) return this;
    return CProgressUI::GetInterface(pstrName);
}
UINT CSliderUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_SETCURSOR : 0; }
void CSliderUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled()) m_uButtonState = 0;
}
int CSliderUI::GetChangeStep() { return m_nStep; }
void CSliderUI::SetChangeStep(int step) { m_nStep = std::max(1, step); }
void CSliderUI::SetThumbSize(SIZE szXY) { m_szThumb = szXY; }
LPCTSTR CSliderUI::GetThumbImage() const { return m_sThumbImage; }
void CSliderUI::SetThumbImage(LPCTSTR pStrImage) {
    m_sThumbImage = pStrImage;
    Invalidate();
}

RECT CSliderUI::GetThumbRect() const {
    RECT filled = FilledRect();
    if (m_bHorizontal) {
        int left = filled.right - m_szThumb.cx / 2;
        int top = (m_rcItem.top + m_rcItem.bottom - m_szThumb.cy) / 2;
        return RECT{left, top, left + m_szThumb.cx, top + m_szThumb.cy};
    }
    int left = (m_rcItem.left + m_rcItem.right - m_szThumb.cx) / 2;
    int top = filled.top - m_szThumb.cy / 2;
    return RECT{left, top, left + m_szThumb.cx, top + m_szThumb.cy};
}

void CSliderUI::SetValueFromPoint(POINT pt) {
    int range = m_nMax - m_nMin;
    int value;
    if (m_bHorizontal) {
        int w = std::max(1L, m_rcItem.right - m_rcItem.left);
        value = m_nMin + static_cast<int>(static_cast<long long>(pt.x - m_rcItem.left) * range / w);
    } else {
        int h = std::max(1L, m_rcItem.bottom - m_rcItem.top);
        value = m_nMin + static_cast<int>(static_cast<long long>(m_rcItem.bottom - pt.y) * range / h);
    }
    SetValue(std::clamp(value, m_nMin, m_nMax));
}

void CSliderUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && ::PtInRect(&m_rcItem, event.ptMouse)) {
            m_uButtonState |= UISTATE_CAPTURED;
            SetValueFromPoint(event.ptMouse);
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) SetValueFromPoint(event.ptMouse);
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~UISTATE_CAPTURED;
            SetValueFromPoint(event.ptMouse);
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_VALUECHANGED);
        }
        return;
    case UIEVENT_SCROLLWHEEL:
        if (IsEnabled()) {
            short delta = GET_WHEEL_DELTA_WPARAM(event.wParam);
            SetValue(std::clamp(m_nValue + (delta > 0 ? m_nStep : -m_nStep), m_nMin, m_nMax));
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_VALUECHANGED);
        }
        return;
    case UIEVENT_MOUSEENTER:
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
        return;
    case UIEVENT_MOUSELEAVE:
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
        return;
    default:
        CProgressUI::DoEvent(event);
    }
}

void CSliderUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"thumbimage") SetThumbImage(pstrValue);
    else if (name == L"thumbsize") SetThumbSize(detail::ParseSize(pstrValue));
    else if (name == L"step") SetChangeStep(_wtoi(pstrValue));
    else CProgressUI::SetAttribute(pstrName, pstrValue);
}

void CSliderUI::PaintStatusImage(HDC hDC) {
    CProgressUI::PaintStatusImage(hDC);
    RECT thumb = GetThumbRect();
    if (!m_sThumbImage.IsEmpty()) {
        CDuiString modify;
        modify.Format(L"dest='%d,%d,%d,%d'", thumb.left - m_rcItem.left, thumb.top - m_rcItem.top,
                      thumb.right - m_rcItem.left, thumb.bottom - m_rcItem.top);
        if (DrawImage(hDC, m_sThumbImage, modify)) return;
    }
    CRenderEngine::DrawColor(hDC, thumb, m_dwForeColor ? m_dwForeColor : 0xFF606060);
}

}  // namespace DuiLib
