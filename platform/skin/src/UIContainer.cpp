// Containers and layouts: child ownership, layout, scrolling, tab pages and
// the list.
#include "DuiLib/UIContainer.h"
#include "DuiLib/UIRender.h"
#include "Internal.h"

#include <algorithm>

namespace DuiLib {

namespace {

const int kScrollBarWidth = 6;

// The child's box inside rc after its padding; width/height fixed or full.
RECT PlaceInCell(CControlUI* c, const RECT& cell) {
    RECT pad = c->GetPadding();
    RECT rc = {cell.left + pad.left, cell.top + pad.top, cell.right - pad.right, cell.bottom - pad.bottom};
    SIZE fixed = c->EstimateSize(SIZE{rc.right - rc.left, rc.bottom - rc.top});
    if (fixed.cx > 0) rc.right = rc.left + std::clamp<LONG>(fixed.cx, c->GetMinWidth(), c->GetMaxWidth());
    if (fixed.cy > 0) rc.bottom = rc.top + std::clamp<LONG>(fixed.cy, c->GetMinHeight(), c->GetMaxHeight());
    return rc;
}

// Splits `space` along one axis: fixed extents first, the rest shared by
// the children without one. extentOf returns 0 for "share".
template <typename Extent>
std::vector<int> SplitAxis(const std::vector<CControlUI*>& kids, int space, int gap, Extent extentOf) {
    std::vector<int> sizes(kids.size(), 0);
    int fixedTotal = 0, shared = 0, count = 0;
    for (size_t i = 0; i < kids.size(); ++i) {
        int e = extentOf(kids[i]);
        sizes[i] = e;
        if (e > 0) fixedTotal += e;
        else ++shared;
        ++count;
    }
    if (count > 1) fixedTotal += gap * (count - 1);
    int rest = std::max(0, space - fixedTotal);
    int each = shared ? rest / shared : 0;
    int extra = shared ? rest - each * shared : 0;
    for (int& s : sizes) {
        if (s > 0) continue;
        s = each + (extra > 0 ? 1 : 0);
        if (extra > 0) --extra;
    }
    return sizes;
}

std::vector<CControlUI*> FlowChildren(const std::vector<CControlUI*>& items) {
    std::vector<CControlUI*> kids;
    kids.reserve(items.size());
    for (CControlUI* c : items)
        if (c->IsVisible() && !c->IsFloat()) kids.push_back(c);
    return kids;
}

}  // namespace

// ---------------------------------------------------------------- CContainerUI

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    if (m_bAutoDestroy)
        for (CControlUI* c : items) delete c;
}

LPCTSTR CContainerUI::GetClass() const { return _T("ContainerUI"); }

LPVOID CContainerUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && (_wcsicmp(pstrName, L"IContainer") == 0 || _wcsicmp(pstrName, L"Container") == 0)) return this;
    return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
    if (iIndex < 0 || iIndex >= GetCount()) return nullptr;
    return m_items[static_cast<size_t>(iIndex)];
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* pControl, int iIndex) {
    int from = GetItemIndex(pControl);
    if (from < 0 || iIndex < 0 || iIndex >= GetCount()) return false;
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + iIndex, pControl);
    NeedUpdate();
    return true;
}

int CContainerUI::GetCount() const { return static_cast<int>(m_items.size()); }

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
    if (!pControl || iIndex < 0 || iIndex > GetCount()) return false;
    m_items.insert(m_items.begin() + iIndex, pControl);
    if (m_pManager) m_pManager->InitControls(pControl, this);
    else pControl->SetManager(nullptr, this, false);
    if (!IsVisible()) pControl->SetInternVisible(false);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
    int index = GetItemIndex(pControl);
    if (index < 0) return false;
    return RemoveAt(index, bDoNotDestroy);
}

bool CContainerUI::RemoveAt(int iIndex, bool bDoNotDestroy) {
    CControlUI* c = GetItemAt(iIndex);
    if (!c) return false;
    m_items.erase(m_items.begin() + iIndex);
    NeedUpdate();
    if (m_pManager) m_pManager->ReapObjects(c);
    if (bDoNotDestroy || !m_bAutoDestroy) return true;
    if (m_pManager) m_pManager->DelayedDelete(c);
    else delete c;
    return true;
}

void CContainerUI::RemoveAll() {
    while (!m_items.empty()) RemoveAt(GetCount() - 1);
    m_szScrollPos = SIZE{0, 0};
    m_szScrollRange = SIZE{0, 0};
}

RECT CContainerUI::ScrollBarRect() const {
    RECT client = ClientRect();
    return RECT{client.right - kScrollBarWidth, client.top, client.right, client.bottom};
}

void CContainerUI::ScrollToPoint(POINT pt) {
    RECT bar = ScrollBarRect();
    int track = bar.bottom - bar.top;
    if (track <= 0) return;
    long long pos = static_cast<long long>(pt.y - bar.top) * m_szScrollRange.cy / track;
    SetScrollPos(SIZE{m_szScrollPos.cx, static_cast<LONG>(pos)});
}

void CContainerUI::DoEvent(TEventUI& event) {
    bool scrollable = m_bVScroll && m_szScrollRange.cy > 0;
    if (scrollable) {
        // The thumb strip at the right edge: press or drag to scroll there.
        RECT bar = ScrollBarRect();
        if ((event.Type == UIEVENT_BUTTONDOWN && ::PtInRect(&bar, event.ptMouse)) ||
            (event.Type == UIEVENT_MOUSEMOVE && m_bScrollDragging)) {
            m_bScrollDragging = true;
            ScrollToPoint(event.ptMouse);
            return;
        }
        if (event.Type == UIEVENT_BUTTONUP && m_bScrollDragging) {
            m_bScrollDragging = false;
            if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SCROLL);
            return;
        }
    }
    if (event.Type == UIEVENT_SCROLLWHEEL && scrollable) {
        short delta = GET_WHEEL_DELTA_WPARAM(event.wParam);
        if (delta > 0) LineUp();
        else LineDown();
        if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SCROLL, event.wParam);
        return;
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) return;
    CControlUI::SetVisible(bVisible);
    for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
    CControlUI::SetInternVisible(bVisible);
    for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

RECT CContainerUI::GetInset() const { return m_rcInset; }
void CContainerUI::SetInset(RECT rcInset) {
    m_rcInset = rcInset;
    NeedUpdate();
}
int CContainerUI::GetChildPadding() const { return m_iChildPadding; }
void CContainerUI::SetChildPadding(int iPadding) {
    m_iChildPadding = iPadding;
    NeedUpdate();
}
bool CContainerUI::IsAutoDestroy() const { return m_bAutoDestroy; }
void CContainerUI::SetAutoDestroy(bool bAuto) { m_bAutoDestroy = bAuto; }
bool CContainerUI::IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
void CContainerUI::SetMouseChildEnabled(bool bEnable) { m_bMouseChildEnabled = bEnable; }

int CContainerUI::FindSelectable(int iIndex, bool bForward) const {
    int n = GetCount();
    for (int i = iIndex; i >= 0 && i < n; i += bForward ? 1 : -1) {
        CControlUI* c = m_items[static_cast<size_t>(i)];
        if (c->IsVisible() && c->IsEnabled()) return i;
    }
    return -1;
}

RECT CContainerUI::ClientRect() const {
    return RECT{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top, m_rcItem.right - m_rcInset.right,
                m_rcItem.bottom - m_rcInset.bottom};
}

void CContainerUI::SetFloatPos(int iIndex) {
    CControlUI* c = GetItemAt(iIndex);
    if (!c || !c->IsVisible()) return;
    SIZE xy = c->GetFixedXY();
    SIZE size = c->EstimateSize(SIZE{GetWidth(), GetHeight()});
    LONG left = m_rcItem.left + xy.cx, top = m_rcItem.top + xy.cy;
    RECT rc = {left, top, left + (size.cx > 0 ? size.cx : GetWidth() - xy.cx),
               top + (size.cy > 0 ? size.cy : GetHeight() - xy.cy)};
    c->SetPos(rc, false);
}

SIZE CContainerUI::LayoutChildren(RECT rc) {
    SIZE content = {0, 0};
    for (CControlUI* c : FlowChildren(m_items)) {
        RECT box = PlaceInCell(c, rc);
        c->SetPos(box, false);
        content.cx = std::max<LONG>(content.cx, box.right - rc.left);
        content.cy = std::max<LONG>(content.cy, box.bottom - rc.top);
    }
    return content;
}

void CContainerUI::SetPos(RECT rc, bool bNeedInvalidate) {
    CControlUI::SetPos(rc, bNeedInvalidate);
    RECT client = ClientRect();
    RECT content = client;
    if (m_bVScroll && m_szScrollRange.cy > 0) content.right -= kScrollBarWidth;
    ::OffsetRect(&content, -m_szScrollPos.cx, -m_szScrollPos.cy);
    SIZE required = LayoutChildren(content);
    for (int i = 0; i < GetCount(); ++i)
        if (m_items[static_cast<size_t>(i)]->IsFloat()) SetFloatPos(i);
    ProcessScrollBar(client, required.cx, required.cy);
}

void CContainerUI::ProcessScrollBar(RECT rc, int cxRequired, int cyRequired) {
    SIZE range = {0, 0};
    if (m_bHScroll) range.cx = std::max(0, cxRequired - static_cast<int>(rc.right - rc.left));
    if (m_bVScroll) range.cy = std::max(0, cyRequired - static_cast<int>(rc.bottom - rc.top));
    bool relayout = (range.cy > 0) != (m_szScrollRange.cy > 0);
    m_szScrollRange = range;
    SIZE pos = {std::min(m_szScrollPos.cx, range.cx), std::min(m_szScrollPos.cy, range.cy)};
    if (pos.cx != m_szScrollPos.cx || pos.cy != m_szScrollPos.cy) {
        m_szScrollPos = pos;
        relayout = true;
    }
    if (relayout) {
        RECT content = rc;
        if (m_bVScroll && m_szScrollRange.cy > 0) content.right -= kScrollBarWidth;
        ::OffsetRect(&content, -m_szScrollPos.cx, -m_szScrollPos.cy);
        LayoutChildren(content);
    }
}

void CContainerUI::PaintScrollBar(HDC hDC) {
    if (!m_bVScroll || m_szScrollRange.cy <= 0) return;
    RECT client = ClientRect();
    int track = client.bottom - client.top;
    int total = track + m_szScrollRange.cy;
    if (track <= 0 || total <= 0) return;
    int thumb = std::max(16, track * track / total);
    int top = client.top + (track - thumb) * m_szScrollPos.cy / m_szScrollRange.cy;
    RECT rc = {client.right - kScrollBarWidth + 1, top, client.right - 1, top + thumb};
    CRenderEngine::DrawColor(hDC, rc, m_dwScrollThumbColor);
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT paint;
    if (!::IntersectRect(&paint, &rcPaint, &m_rcItem)) return;
    CControlUI::DoPaint(hDC, paint);
    RECT client = ClientRect();
    RECT childPaint;
    if (!m_items.empty() && ::IntersectRect(&childPaint, &paint, &client)) {
        detail::ClipGuard clip(hDC, childPaint);
        for (CControlUI* c : m_items) {
            if (!c->IsVisible()) continue;
            RECT tmp;
            if (!::IntersectRect(&tmp, &childPaint, &c->GetPos())) continue;
            c->DoPaint(hDC, childPaint);
        }
    }
    PaintScrollBar(hDC);
}

void CContainerUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"inset") SetInset(detail::ParseRect(pstrValue));
    else if (name == L"childpadding") SetChildPadding(_wtoi(pstrValue));
    else if (name == L"mousechild") SetMouseChildEnabled(detail::ParseBool(pstrValue));
    else if (name == L"vscrollbar") EnableScrollBar(detail::ParseBool(pstrValue), m_bHScroll);
    else if (name == L"hscrollbar") EnableScrollBar(m_bVScroll, detail::ParseBool(pstrValue));
    else if (name == L"scrollstep") m_iScrollStep = std::max(1, _wtoi(pstrValue));
    else if (name == L"scrollthumbcolor") m_dwScrollThumbColor = ParseColor(pstrValue);
    else CControlUI::SetAttribute(pstrName, pstrValue);
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    for (CControlUI* c : m_items) c->SetManager(pManager, this, bInit);
    CControlUI::SetManager(pManager, pParent, bInit);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
    if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((uFlags & UIFIND_HITTEST) && !::PtInRect(&m_rcItem, *static_cast<LPPOINT>(pData))) return nullptr;
    if (uFlags & UIFIND_ME_FIRST) {
        if (CControlUI* r = CControlUI::FindControl(Proc, pData, uFlags)) return r;
    }
    bool searchChildren = !(uFlags & UIFIND_HITTEST) || m_bMouseChildEnabled;
    if (searchChildren && (uFlags & UIFIND_HITTEST)) {
        RECT client = ClientRect();
        searchChildren = ::PtInRect(&client, *static_cast<LPPOINT>(pData)) != FALSE;
    }
    if (searchChildren) {
        if (uFlags & UIFIND_TOP_FIRST) {
            for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
                if (CControlUI* r = (*it)->FindControl(Proc, pData, uFlags)) return r;
        } else {
            for (CControlUI* c : m_items)
                if (CControlUI* r = c->FindControl(Proc, pData, uFlags)) return r;
        }
    }
    if (uFlags & UIFIND_ME_FIRST) return nullptr;
    return CControlUI::FindControl(Proc, pData, uFlags);
}

SIZE CContainerUI::GetScrollPos() const { return m_szScrollPos; }
SIZE CContainerUI::GetScrollRange() const { return m_szScrollRange; }

void CContainerUI::SetScrollPos(SIZE szPos) {
    szPos.cx = std::clamp<LONG>(szPos.cx, 0, m_szScrollRange.cx);
    szPos.cy = std::clamp<LONG>(szPos.cy, 0, m_szScrollRange.cy);
    if (szPos.cx == m_szScrollPos.cx && szPos.cy == m_szScrollPos.cy) return;
    m_szScrollPos = szPos;
    SetPos(m_rcItem, false);
    Invalidate();
}

void CContainerUI::LineUp() { SetScrollPos(SIZE{m_szScrollPos.cx, m_szScrollPos.cy - m_iScrollStep}); }
void CContainerUI::LineDown() { SetScrollPos(SIZE{m_szScrollPos.cx, m_szScrollPos.cy + m_iScrollStep}); }
void CContainerUI::PageUp() { SetScrollPos(SIZE{m_szScrollPos.cx, m_szScrollPos.cy - GetHeight()}); }
void CContainerUI::PageDown() { SetScrollPos(SIZE{m_szScrollPos.cx, m_szScrollPos.cy + GetHeight()}); }
void CContainerUI::HomeUp() { SetScrollPos(SIZE{m_szScrollPos.cx, 0}); }
void CContainerUI::EndDown() { SetScrollPos(SIZE{m_szScrollPos.cx, m_szScrollRange.cy}); }
void CContainerUI::LineLeft() { SetScrollPos(SIZE{m_szScrollPos.cx - m_iScrollStep, m_szScrollPos.cy}); }
void CContainerUI::LineRight() { SetScrollPos(SIZE{m_szScrollPos.cx + m_iScrollStep, m_szScrollPos.cy}); }

void CContainerUI::EnableScrollBar(bool bEnableVertical, bool bEnableHorizontal) {
    m_bVScroll = bEnableVertical;
    m_bHScroll = bEnableHorizontal;
    if (!m_bVScroll) m_szScrollPos.cy = 0;
    if (!m_bHScroll) m_szScrollPos.cx = 0;
    NeedUpdate();
}

bool CContainerUI::IsVScrollEnabled() const { return m_bVScroll; }
bool CContainerUI::IsHScrollEnabled() const { return m_bHScroll; }

// ---------------------------------------------------------------- layouts

LPCTSTR CVerticalLayoutUI::GetClass() const { return _T("VerticalLayoutUI"); }
LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"VerticalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

SIZE CVerticalLayoutUI::LayoutChildren(RECT rc) {
    std::vector<CControlUI*> kids = FlowChildren(m_items);
    SIZE avail = {rc.right - rc.left, rc.bottom - rc.top};
    std::vector<int> heights = SplitAxis(kids, avail.cy, m_iChildPadding, [avail](CControlUI* c) {
        SIZE s = c->EstimateSize(avail);
        RECT p = c->GetPadding();
        return s.cy > 0 ? static_cast<int>(std::clamp<LONG>(s.cy, c->GetMinHeight(), c->GetMaxHeight()) + p.top + p.bottom) : 0;
    });
    int y = rc.top;
    SIZE content = {0, 0};
    for (size_t i = 0; i < kids.size(); ++i) {
        RECT cell = {rc.left, y, rc.right, y + heights[i]};
        RECT box = PlaceInCell(kids[i], cell);
        if (kids[i]->EstimateSize(avail).cy <= 0) box.bottom = cell.bottom - kids[i]->GetPadding().bottom;
        kids[i]->SetPos(box, false);
        y = cell.bottom + m_iChildPadding;
        content.cx = std::max<LONG>(content.cx, box.right - rc.left);
    }
    content.cy = kids.empty() ? 0 : y - m_iChildPadding - rc.top;
    return content;
}

LPCTSTR CHorizontalLayoutUI::GetClass() const { return _T("HorizontalLayoutUI"); }
LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"HorizontalLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

SIZE CHorizontalLayoutUI::LayoutChildren(RECT rc) {
    std::vector<CControlUI*> kids = FlowChildren(m_items);
    SIZE avail = {rc.right - rc.left, rc.bottom - rc.top};
    std::vector<int> widths = SplitAxis(kids, avail.cx, m_iChildPadding, [avail](CControlUI* c) {
        SIZE s = c->EstimateSize(avail);
        RECT p = c->GetPadding();
        return s.cx > 0 ? static_cast<int>(std::clamp<LONG>(s.cx, c->GetMinWidth(), c->GetMaxWidth()) + p.left + p.right) : 0;
    });
    int x = rc.left;
    SIZE content = {0, 0};
    for (size_t i = 0; i < kids.size(); ++i) {
        RECT cell = {x, rc.top, x + widths[i], rc.bottom};
        RECT box = PlaceInCell(kids[i], cell);
        if (kids[i]->EstimateSize(avail).cx <= 0) box.right = cell.right - kids[i]->GetPadding().right;
        kids[i]->SetPos(box, false);
        x = cell.right + m_iChildPadding;
        content.cy = std::max<LONG>(content.cy, box.bottom - rc.top);
    }
    content.cx = kids.empty() ? 0 : x - m_iChildPadding - rc.left;
    return content;
}

// ---------------------------------------------------------------- CTabLayoutUI

LPCTSTR CTabLayoutUI::GetClass() const { return _T("TabLayoutUI"); }
LPVOID CTabLayoutUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"TabLayout") == 0) return this;
    return CContainerUI::GetInterface(pstrName);
}

bool CTabLayoutUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* pControl, int iIndex) {
    if (!CContainerUI::AddAt(pControl, iIndex)) return false;
    if (m_iCurSel < 0) {
        m_iCurSel = iIndex;
        pControl->SetVisible(true);
    } else {
        if (iIndex <= m_iCurSel) ++m_iCurSel;
        pControl->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
    int index = GetItemIndex(pControl);
    if (index < 0) return false;
    if (!CContainerUI::RemoveAt(index, bDoNotDestroy)) return false;
    if (index == m_iCurSel) {
        m_iCurSel = -1;
        int next = GetCount() > 0 ? std::min(index, GetCount() - 1) : -1;
        if (next >= 0) SelectItem(next);
    } else if (index < m_iCurSel) {
        --m_iCurSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_iCurSel = -1;
    CContainerUI::RemoveAll();
}

int CTabLayoutUI::GetCurSel() const { return m_iCurSel; }

bool CTabLayoutUI::SelectItem(int iIndex) {
    if (iIndex < 0 || iIndex >= GetCount()) return false;
    if (iIndex == m_iCurSel) return true;
    int old = m_iCurSel;
    m_iCurSel = iIndex;
    for (int i = 0; i < GetCount(); ++i) m_items[static_cast<size_t>(i)]->SetVisible(i == iIndex);
    NeedParentUpdate();
    if (m_pManager) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_TABSELECT, static_cast<WPARAM>(iIndex), static_cast<LPARAM>(old));
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* pControl) { return SelectItem(GetItemIndex(pControl)); }

void CTabLayoutUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    if (pstrName && wcscmp(pstrName, L"selectedid") == 0) SelectItem(_wtoi(pstrValue));
    else CContainerUI::SetAttribute(pstrName, pstrValue);
}

SIZE CTabLayoutUI::LayoutChildren(RECT rc) {
    SIZE content = {0, 0};
    for (CControlUI* c : m_items) {
        if (!c->IsVisible() || c->IsFloat()) continue;
        RECT box = PlaceInCell(c, rc);
        c->SetPos(box, false);
        content.cx = std::max<LONG>(content.cx, box.right - rc.left);
        content.cy = std::max<LONG>(content.cy, box.bottom - rc.top);
    }
    return content;
}

// ---------------------------------------------------------------- CListUI

CListUI::CListUI() { m_bVScroll = true; }

LPCTSTR CListUI::GetClass() const { return _T("ListUI"); }
LPVOID CListUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && _wcsicmp(pstrName, L"List") == 0) return this;
    return CVerticalLayoutUI::GetInterface(pstrName);
}

int CListUI::GetCurSel() const { return m_iCurSel; }

bool CListUI::SelectItem(int iIndex, bool bTakeFocus) {
    if (iIndex == m_iCurSel) return true;
    if (iIndex < -1 || iIndex >= GetCount()) return false;
    int old = m_iCurSel;
    m_iCurSel = iIndex;
    Invalidate();
    if (bTakeFocus && iIndex >= 0) m_items[static_cast<size_t>(iIndex)]->SetFocus();
    if (m_pManager)
        m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(iIndex), static_cast<LPARAM>(old));
    return true;
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_BUTTONDOWN || event.Type == UIEVENT_BUTTONUP) {
        // The item is the direct child holding the control that got the press.
        CControlUI* item = event.pSender;
        while (item && item->GetParent() != this) item = item->GetParent();
        int index = item ? GetItemIndex(item) : -1;
        if (index >= 0) {
            if (event.Type == UIEVENT_BUTTONDOWN) SelectItem(index);
            else if (m_pManager) m_pManager->SendNotify(item, DUI_MSGTYPE_ITEMCLICK);
            return;
        }
    }
    CVerticalLayoutUI::DoEvent(event);
}

bool CListUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
    int index = GetItemIndex(pControl);
    if (index < 0) return false;
    if (index == m_iCurSel) m_iCurSel = -1;
    else if (index < m_iCurSel) --m_iCurSel;
    return CVerticalLayoutUI::RemoveAt(index, bDoNotDestroy);
}

void CListUI::RemoveAll() {
    m_iCurSel = -1;
    CVerticalLayoutUI::RemoveAll();
}

void CListUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
    const std::wstring name(pstrName ? pstrName : L"");
    if (name == L"itemselectedbkcolor") m_dwSelectedBkColor = ParseColor(pstrValue);
    else CVerticalLayoutUI::SetAttribute(pstrName, pstrValue);
}

void CListUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    CVerticalLayoutUI::DoPaint(hDC, rcPaint);
    CControlUI* selected = GetItemAt(m_iCurSel);
    if (selected && selected->IsVisible() && m_dwSelectedBkColor) {
        RECT rc;
        RECT client = ClientRect();
        if (::IntersectRect(&rc, &selected->GetPos(), &client) && ::IntersectRect(&rc, &rc, &rcPaint))
            CRenderEngine::DrawRect(hDC, selected->GetPos(), 2, m_dwSelectedBkColor);
    }
}

}  // namespace DuiLib
