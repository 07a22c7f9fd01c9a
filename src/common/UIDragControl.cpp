#include "UIDragControl.h"

#include "LogWriter.h"

using namespace DuiLib;

namespace {

// The text sits in the bottom band of the image, like a game button's name.
constexpr int kTextBandHeight = 34;

}  // namespace

CDragControlUI::CDragControlUI(IDragControlUISink* sink) : m_pSink(sink) {}

LPCTSTR CDragControlUI::GetClass() const { return L"DragControlUI"; }

LPVOID CDragControlUI::GetInterface(LPCTSTR pstrName) {
    if (pstrName && wcscmp(pstrName, L"DragControl") == 0) return this;
    return CHorizontalLayoutUI::GetInterface(pstrName);
}

UINT CDragControlUI::GetControlFlags() const {
    if (!IsEnabled()) return 0;
    return UIFLAG_SETCURSOR | (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0);
}

void CDragControlUI::SetDragMargins(int left, int top, int right, int bottom) {
    m_rcMargins = RECT{left, top, right, bottom};
}

void CDragControlUI::StartDrag(POINT point) {
    m_uButtonState |= kDraggingBit;
    m_ptCenter = POINT{(m_rcItem.left + m_rcItem.right) / 2, (m_rcItem.top + m_rcItem.bottom) / 2};
    m_ptCursorOffset = POINT{point.x - m_ptCenter.x, point.y - m_ptCenter.y};
    LOG_DEBUG(L"CDragControlUI StartDrag mouse=%d,%d control=%d,%d cursor offset=%d,%d",
              static_cast<int>(m_ptCenter.x), static_cast<int>(m_ptCenter.y), static_cast<int>(m_rcItem.left),
              static_cast<int>(m_rcItem.top), static_cast<int>(m_ptCursorOffset.x),
              static_cast<int>(m_ptCursorOffset.y));
}

void CDragControlUI::StopDrag() {
    m_uButtonState &= ~kDraggingBit;
    SetVisible(false);
    LOG_DEBUG(L"CDragControlUI StopDrag");
}

void CDragControlUI::MoveTo(POINT mouse) {
    RECT inner = {m_rcConstraint.left + m_rcMargins.left, m_rcConstraint.top + m_rcMargins.top,
                  m_rcConstraint.right - m_rcMargins.right, m_rcConstraint.bottom - m_rcMargins.bottom};
    LONG x = mouse.x < inner.left ? inner.left : (mouse.x > inner.right ? inner.right : mouse.x - m_ptCursorOffset.x);
    LONG y = mouse.y - m_ptCursorOffset.y;
    if (mouse.y < inner.top) {
        y = inner.top;
        if (m_pSink) m_pSink->OnDragAboveTop();
    } else if (mouse.y >= inner.bottom) {
        y = inner.bottom;
        if (m_pSink) m_pSink->OnDragBelowBottom();
    }
    RECT rc = m_rcItem;
    ::OffsetRect(&rc, x - m_ptCenter.x, y - m_ptCenter.y);
    m_ptCenter = POINT{x, y};
    // A layout of the list places a floating control at its fixed offset:
    // keep that offset where the control now is.
    if (CControlUI* parent = GetParent()) {
        const RECT& box = parent->GetPos();
        SetFixedXY(SIZE{rc.left - box.left, rc.top - box.top});
    }
    SetPos(rc);
}

void CDragControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEMOVE:
        if (IsDragging())
            MoveTo(event.ptMouse);
        else
            StartDrag(event.ptMouse);
        return;
    case UIEVENT_BUTTONDOWN:
        if (IsEnabled() && ::PtInRect(&m_rcItem, event.ptMouse)) StartDrag(event.ptMouse);
        return;
    case UIEVENT_BUTTONUP:
        if (IsDragging()) StopDrag();
        return;
    case UIEVENT_RBUTTONDOWN:
        if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_RBUTTONDOWN);
        return;
    case UIEVENT_SETCURSOR:
        if (IsEnabled()) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return;
        }
        break;
    default:
        break;
    }
    CHorizontalLayoutUI::DoEvent(event);
}

bool CDragControlUI::DrawStatus(HDC hDC, CDuiString& image) {
    if (image.IsEmpty()) return false;
    if (DrawImage(hDC, image)) return true;
    image.Empty();
    return false;
}

void CDragControlUI::PaintStatusImage(HDC hDC) {
    if (m_uButtonState & UISTATE_PUSHED)
        DrawStatus(hDC, m_sPushedImage);
    else if (m_uButtonState & UISTATE_HOT)
        DrawStatus(hDC, m_sHotImage);
    else
        DrawStatus(hDC, m_sNormalImage);
    DrawStatus(hDC, m_sForeImage);
}

void CDragControlUI::PaintText(HDC hDC) {
    if (m_sText.IsEmpty() || !m_pManager) return;
    RECT rc = m_rcItem;
    rc.top = rc.bottom - kTextBandHeight;
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, RGB(0xFF, 0xFF, 0xFF));
    HGDIOBJ old = ::SelectObject(hDC, m_pManager->GetDefaultFont());
    ::DrawTextW(hDC, m_sText, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    ::SelectObject(hDC, old);
}

void CDragControlUI::DoPostPaint(HDC hDC, const RECT& rcPaint) {
    RECT overlap;
    if (!IsDragging() || !IsVisible() || !::IntersectRect(&overlap, &rcPaint, &m_rcItem)) return;
    DrawStatus(hDC, m_sDragImage);
}
