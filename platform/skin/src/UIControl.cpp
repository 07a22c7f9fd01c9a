// CControlUI: geometry, visibility, attributes, events and painting of the
// control base.
#include "DuiLib/UIControl.h"
#include "DuiLib/UIRender.h"
#include "Internal.h"

#include <cwchar>

namespace DuiLib {

namespace {

struct CursorName {
    const wchar_t* name;
    LPCWSTR id;
};
const CursorName kCursors[] = {
    {L"arrow", IDC_ARROW}, {L"hand", IDC_HAND},     {L"ibeam", IDC_IBEAM},     {L"wait", IDC_WAIT},
    {L"cross", IDC_CROSS}, {L"sizewe", IDC_SIZEWE}, {L"sizens", IDC_SIZENS},   {L"sizeall", IDC_SIZEALL},
    {L"no", IDC_NO},       {L"help", IDC_HELP},     {L"sizenwse", IDC_SIZENWSE}, {L"sizenesw", IDC_SIZENESW},
};

bool ApplyCursorName(LPCTSTR value, WORD* cursor) {
    for (const CursorName& c : kCursors) {
        if (_wcsicmp(value, c.name) == 0) {
            *cursor = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(c.id));
            return true;
        }
    }
    return false;
}

}  // namespace

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager) m_pManager->ReapObjects(this);
}

CDuiString CControlUI::GetName() const { return m_sName; }
void CControlUI::SetName(LPCTSTR pstrName) { m_sName = pstrName; }
LPCTSTR CControlUI::GetClass() const { return _T("ControlUI"); }

LPVOID CControlUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"Control") == 0) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const { return 0; }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

CPaintManagerUI* CControlUI::GetManager() const { return m_pManager; }

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    m_pManager = pManager;
    m_pParent = pParent;
    if (bInit && m_pParent) Init();
}

CControlUI* CControlUI::GetParent() const { return m_pParent; }

CDuiString CControlUI::GetText() const { return m_sText; }

void CControlUI::SetText(LPCTSTR pstrText) {
    if (m_sText == pstrText) return;
    m_sText = pstrText;
    Invalidate();
}

DWORD CControlUI::GetBkColor() const { return m_dwBackColor; }
void CControlUI::SetBkColor(DWORD dwBackColor) {
    if (m_dwBackColor == dwBackColor) return;
    m_dwBackColor = dwBackColor;
    Invalidate();
}
DWORD CControlUI::GetBkColor2() const { return m_dwBackColor2; }
void CControlUI::SetBkColor2(DWORD dwBackColor) {
    m_dwBackColor2 = dwBackColor;
    Invalidate();
}
LPCTSTR CControlUI::GetBkImage() { return m_sBkImage; }
void CControlUI::SetBkImage(LPCTSTR pStrImage) {
    if (m_sBkImage == pStrImage) return;
    m_sBkImage = pStrImage;
    Invalidate();
}
DWORD CControlUI::GetForeColor() const { return m_dwForeColor; }
void CControlUI::SetForeColor(DWORD dwForeColor) {
    m_dwForeColor = dwForeColor;
    Invalidate();
}
DWORD CControlUI::GetBorderColor() const { return m_dwBorderColor; }
void CControlUI::SetBorderColor(DWORD dwBorderColor) {
    m_dwBorderColor = dwBorderColor;
    Invalidate();
}
DWORD CControlUI::GetFocusBorderColor() const { return m_dwFocusBorderColor; }
void CControlUI::SetFocusBorderColor(DWORD dwBorderColor) {
    m_dwFocusBorderColor = dwBorderColor;
    Invalidate();
}
int CControlUI::GetBorderSize() const { return m_nBorderSize; }
void CControlUI::SetBorderSize(int nSize) {
    m_nBorderSize = nSize < 0 ? 0 : nSize;
    Invalidate();
}
SIZE CControlUI::GetBorderRound() const { return m_cxyBorderRound; }
void CControlUI::SetBorderRound(SIZE cxyRound) {
    m_cxyBorderRound = cxyRound;
    Invalidate();
}

bool CControlUI::DrawImage(HDC hDC, LPCTSTR pStrImage, LPCTSTR pStrModify) {
    return CRenderEngine::DrawImageString(hDC, m_pManager, m_rcItem, m_rcItem, pStrImage, pStrModify);
}

const RECT& CControlUI::GetPos() const { return m_rcItem; }

void CControlUI::SetPos(RECT rc, bool bNeedInvalidate) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    RECT old = m_rcItem;
    m_rcItem = rc;
    m_bUpdateNeeded = false;
    if (bNeedInvalidate && m_pManager && !::EqualRect(&old, &rc)) {
        m_pManager->Invalidate(old);
        Invalidate();
    }
}

int CControlUI::GetWidth() const { return m_rcItem.right - m_rcItem.left; }
int CControlUI::GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
int CControlUI::GetX() const { return m_rcItem.left; }
int CControlUI::GetY() const { return m_rcItem.top; }
RECT CControlUI::GetPadding() const { return m_rcPadding; }
void CControlUI::SetPadding(RECT rcPadding) {
    m_rcPadding = rcPadding;
    NeedParentUpdate();
}
SIZE CControlUI::GetFixedXY() const { return m_cXY; }
void CControlUI::SetFixedXY(SIZE szXY) {
    m_cXY = szXY;
    NeedParentUpdate();
}
int CControlUI::GetFixedWidth() const { return m_cxyFixed.cx; }
void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    m_cxyFixed.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetFixedHeight() const { return m_cxyFixed.cy; }
void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    m_cxyFixed.cy = cy;
    NeedParentUpdate();
}
int CControlUI::GetMinWidth() const { return m_cxyMin.cx; }
void CControlUI::SetMinWidth(int cx) {
    if (cx < 0) return;
    m_cxyMin.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const { return m_cxyMax.cx; }
void CControlUI::SetMaxWidth(int cx) {
    if (cx < 0) return;
    m_cxyMax.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetMinHeight() const { return m_cxyMin.cy; }
void CControlUI::SetMinHeight(int cy) {
    if (cy < 0) return;
    m_cxyMin.cy = cy;
    NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const { return m_cxyMax.cy; }
void CControlUI::SetMaxHeight(int cy) {
    if (cy < 0) return;
    m_cxyMax.cy = cy;
    NeedParentUpdate();
}
bool CControlUI::IsFloat() const { return m_bFloat; }
void CControlUI::SetFloat(bool bFloat) {
    if (m_bFloat == bFloat) return;
    m_bFloat = bFloat;
    NeedParentUpdate();
}

CDuiString CControlUI::GetToolTip() const { return m_sToolTip; }
void CControlUI::SetToolTip(LPCTSTR pstrText) { m_sToolTip = pstrText; }
WORD CControlUI::GetCursor() const { return m_wCursor; }
void CControlUI::SetCursor(WORD wCursor) { m_wCursor = wCursor; }
CDuiString CControlUI::GetUserData() const { return m_sUserData; }
void CControlUI::SetUserData(LPCTSTR pstrText) { m_sUserData = pstrText; }
UINT_PTR CControlUI::GetTag() const { return m_pTag; }
void CControlUI::SetTag(UINT_PTR pTag) { m_pTag = pTag; }

bool CControlUI::IsVisible() const { return m_bVisible && m_bInternVisible; }

void CControlUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) return;
    bool wasVisible = IsVisible();
    m_bVisible = bVisible;
    if (m_bFocused && !bVisible) m_bFocused = false;
    if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool bVisible) {
    m_bInternVisible = bVisible;
    if (!bVisible && m_pManager && m_pManager->GetFocus() == this) m_pManager->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const { return m_bEnabled; }
void CControlUI::SetEnabled(bool bEnable) {
    if (m_bEnabled == bEnable) return;
    m_bEnabled = bEnable;
    Invalidate();
}
bool CControlUI::IsMouseEnabled() const { return m_bMouseEnabled; }
void CControlUI::SetMouseEnabled(bool bEnable) { m_bMouseEnabled = bEnable; }
bool CControlUI::IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
void CControlUI::SetKeyboardEnabled(bool bEnable) { m_bKeyboardEnabled = bEnable; }
bool CControlUI::IsFocused() const { return m_bFocused; }
void CControlUI::SetFocus() {
    if (m_pManager) m_pManager->SetFocus(this);
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
    if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((uFlags & UIFIND_HITTEST) &&
        (!m_bMouseEnabled || !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))))
        return nullptr;
    return Proc(this, pData);
}

void CControlUI::Invalidate() {
    if (!IsVisible() || !m_pManager) return;
    RECT rc = m_rcItem;
    for (CControlUI* p = m_pParent; p; p = p->GetParent()) {
        RECT parent = p->GetPos();
        if (!::IntersectRect(&rc, &rc, &parent)) return;
    }
    m_pManager->Invalidate(rc);
}

bool CControlUI::IsUpdateNeeded() const { return m_bUpdateNeeded; }

void CControlUI::NeedUpdate() {
    if (!IsVisible()) return;
    m_bUpdateNeeded = true;
    Invalidate();
    if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (m_pParent) {
        m_pParent->NeedUpdate();
        m_pParent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::Init() { DoInit(); }
void CControlUI::DoInit() {}

void CControlUI::Event(TEventUI& event) {
    // The control (or its window's tree) may be removed by a handler; it is
    // freed only when the event is done.
    CPaintManagerUI* pm = m_pManager;
    if (pm) pm->BeginDispatch();
    DoEvent(event);
    if (pm) pm->EndDispatch();
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, m_wCursor ? MAKEINTRESOURCEW(m_wCursor) : IDC_ARROW));
        return;
    case UIEVENT_SETFOCUS:
        m_bFocused = true;
        Invalidate();
        return;
    case UIEVENT_KILLFOCUS:
        m_bFocused = false;
        Invalidate();
        return;
    case UIEVENT_TIMER:
        return;
    default:
        break;
    }
    if (m_pParent) m_pParent->DoEvent(event);
}

void CControlUI::ReportUnknownAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    detail::Log(L"unknown attribute %s=\"%s\" on %s '%s'%s", pstrName, pstrValue ? pstrValue : L"", GetClass(),
                m_sName.GetData(), detail::DescribeSkinLocation().c_str());
}

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (!pstrValue) pstrValue = L"";
    if (name == L"pos") {
        RECT rc = detail::ParseRect(pstrValue);
        SetFixedXY(SIZE{rc.left, rc.top});
        SetFixedWidth(rc.right - rc.left);
        SetFixedHeight(rc.bottom - rc.top);
    } else if (name == L"padding") {
        SetPadding(detail::ParseRect(pstrValue));
    } else if (name == L"bkcolor" || name == L"bkcolor1") {
        SetBkColor(ParseColor(pstrValue));
    } else if (name == L"bkcolor2") {
        SetBkColor2(ParseColor(pstrValue));
    } else if (name == L"forecolor") {
        SetForeColor(ParseColor(pstrValue));
    } else if (name == L"bordercolor") {
        SetBorderColor(ParseColor(pstrValue));
    } else if (name == L"focusbordercolor") {
        SetFocusBorderColor(ParseColor(pstrValue));
    } else if (name == L"bordersize") {
        SetBorderSize(_wtoi(pstrValue));
    } else if (name == L"borderround") {
        SetBorderRound(detail::ParseSize(pstrValue));
    } else if (name == L"bkimage") {
        SetBkImage(pstrValue);
    } else if (name == L"width") {
        SetFixedWidth(_wtoi(pstrValue));
    } else if (name == L"height") {
        SetFixedHeight(_wtoi(pstrValue));
    } else if (name == L"minwidth") {
        SetMinWidth(_wtoi(pstrValue));
    } else if (name == L"minheight") {
        SetMinHeight(_wtoi(pstrValue));
    } else if (name == L"maxwidth") {
        SetMaxWidth(_wtoi(pstrValue));
    } else if (name == L"maxheight") {
        SetMaxHeight(_wtoi(pstrValue));
    } else if (name == L"name") {
        SetName(pstrValue);
    } else if (name == L"text") {
        SetText(pstrValue);
    } else if (name == L"tooltip") {
        SetToolTip(pstrValue);
    } else if (name == L"userdata") {
        SetUserData(pstrValue);
    } else if (name == L"enabled") {
        SetEnabled(detail::ParseBool(pstrValue));
    } else if (name == L"mouse") {
        SetMouseEnabled(detail::ParseBool(pstrValue));
    } else if (name == L"keyboard") {
        SetKeyboardEnabled(detail::ParseBool(pstrValue));
    } else if (name == L"visible") {
        SetVisible(detail::ParseBool(pstrValue));
    } else if (name == L"float") {
        SetFloat(detail::ParseBool(pstrValue));
    } else if (name == L"cursor") {
        WORD cursor = 0;
        if (ApplyCursorName(pstrValue, &cursor)) SetCursor(cursor);
        else ReportUnknownAttribute(pstrName, pstrValue);
    } else if (name == L"style") {
        CPaintManagerUI* manager = m_pManager ? m_pManager : detail::CurrentSkinLocation().manager;
        LPCTSTR list = manager ? manager->GetStyle(pstrValue) : nullptr;
        if (list) ApplyAttributeList(list);
        else detail::Log(L"unknown style '%s' on %s '%s'%s", pstrValue, GetClass(), m_sName.GetData(),
                         detail::DescribeSkinLocation().c_str());
    } else {
        ReportUnknownAttribute(pstrName, pstrValue);
    }
}

CControlUI* CControlUI::ApplyAttributeList(LPCTSTR pstrList) {
    if (!pstrList) return this;
    std::wstring name, value;
    LPCTSTR cursor = pstrList;
    while (detail::NextAttribute(cursor, name, value)) SetAttribute(name.c_str(), value.c_str());
    return this;
}

SIZE CControlUI::EstimateSize(SIZE /*szAvailable*/) { return m_cxyFixed; }

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
}

void CControlUI::PaintBkColor(HDC hDC) {
    if (m_dwBackColor == 0) return;
    if (m_dwBackColor2 != 0)
        CRenderEngine::DrawGradient(hDC, m_rcItem, m_dwBackColor, m_dwBackColor2, true, 16);
    else
        CRenderEngine::DrawColor(hDC, m_rcPaint, m_dwBackColor);
}

void CControlUI::PaintBkImage(HDC hDC) {
    if (m_sBkImage.IsEmpty()) return;
    DrawImage(hDC, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC hDC) {
    if (m_dwForeColor) CRenderEngine::DrawColor(hDC, m_rcPaint, m_dwForeColor);
}
void CControlUI::PaintText(HDC /*hDC*/) {}

void CControlUI::PaintBorder(HDC hDC) {
    if (m_nBorderSize <= 0) return;
    DWORD color = (m_bFocused && m_dwFocusBorderColor) ? m_dwFocusBorderColor : m_dwBorderColor;
    if (color == 0) return;
    if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)
        CRenderEngine::DrawRoundRect(hDC, m_rcItem, m_cxyBorderRound.cx, m_cxyBorderRound.cy, m_nBorderSize, color);
    else
        CRenderEngine::DrawRect(hDC, m_rcItem, m_nBorderSize, color);
}

void CControlUI::DoPostPaint(HDC /*hDC*/, const RECT& /*rcPaint*/) {}

}  // namespace DuiLib
