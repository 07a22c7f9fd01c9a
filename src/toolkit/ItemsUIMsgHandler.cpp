#include "ItemsUIMsgHandler.h"

#include <algorithm>

CItemsUIMsgHandler::~CItemsUIMsgHandler() {
    // An item that outlives its handler must not call back into it.
    for (CItemUI* item : items_) item->SetOwner(nullptr);
}

void CItemsUIMsgHandler::SetCaptureItem(CItemUI* item) { capture_ = item; }

void CItemsUIMsgHandler::UncheckGroup(CItemUI*, int) {
    // Only checkable items have groups; the system has none.
}

void CItemsUIMsgHandler::RemoveItem(CItemUI* item) {
    if (!item) return;
    if (item->GetParent()) {
        item->SetParent(nullptr);
        item->SetOwner(nullptr);
    }
    for (CItemUI** slot : {&hover_, &pressed_, &capture_, &focused_})
        if (*slot == item) *slot = nullptr;
    if (item->GetWnd() && item->IsVisible()) ::InvalidateRect(item->GetWnd(), &item->GetRect(), FALSE);
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) {
        items_.erase(it);
        item->SetOwner(nullptr);
    }
}

void CItemsUIMsgHandler::AddItem(CItemUI* item) {
    if (!item || std::find(items_.begin(), items_.end(), item) != items_.end()) return;
    items_.push_back(item);
    item->SetOwner(this);
}

void CItemsUIMsgHandler::PaintItems(HDC dc, const RECT& clip) {
    RECT overlap;
    for (CItemUI* item : items_)
        if (item->IsVisible() && !item->GetParent() && ::IntersectRect(&overlap, &item->GetRect(), &clip))
            item->Paint(dc);
}

CItemUI* CItemsUIMsgHandler::HitTestItem(int x, int y) {
    const POINT pt = {x, y};
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if ((*it)->GetParent()) continue;
        if (CItemUI* hit = (*it)->HitTest(pt, true)) return hit;
    }
    return nullptr;
}

bool CItemsUIMsgHandler::OnMouseMove(HWND wnd, UINT flags, int x, int y) {
    if (!trackingMouse_) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = wnd;
        track.dwHoverTime = HOVER_DEFAULT;
        ::TrackMouseEvent(&track);
        trackingMouse_ = true;
    }
    if (capture_) {
        capture_->OnMouseMove(flags, x, y);
        return true;
    }
    CItemUI* hit = HitTestItem(x, y);
    if (!hit) {
        if (CItemUI* old = hover_) {
            hover_ = nullptr;
            old->OnMouseLeave();
        }
        return false;
    }
    hit->OnMouseMove(flags, x, y);
    if (hover_ != hit) {
        if (CItemUI* old = hover_) {
            hover_ = nullptr;
            old->OnMouseLeave();
        }
    }
    hover_ = hit;
    return true;
}

void CItemsUIMsgHandler::BringToTop(CItemUI* item) {
    while (item->GetParent()) item = item->GetParent();
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end() || it + 1 == items_.end()) return;
    items_.erase(it);
    items_.push_back(item);
    if (item->GetWnd() && item->IsVisible()) ::InvalidateRect(item->GetWnd(), &item->GetRect(), FALSE);
}

bool CItemsUIMsgHandler::OnLButtonDown(UINT flags, int x, int y) {
    if (capture_) {
        capture_->OnLButtonDown(flags, x, y);
        return true;
    }
    CItemUI* hit = HitTestItem(x, y);
    if (!hit) return false;
    BringToTop(hit);
    pressed_ = hit;
    hit->OnLButtonDown(flags, x, y);
    return true;
}

void CItemsUIMsgHandler::OnLButtonUp(UINT flags, int x, int y) {
    CItemUI* target = capture_ ? capture_ : pressed_;
    pressed_ = nullptr;
    if (target) target->OnLButtonUp(flags, x, y);  // may click, and the click may free the item
}

void CItemsUIMsgHandler::OnRButtonUp(UINT flags, int x, int y) {
    if (CItemUI* hit = HitTestItem(x, y)) hit->OnRButtonUp(flags, x, y);
}

void CItemsUIMsgHandler::OnShowWindow(bool shown) {
    const std::vector<CItemUI*> items = items_;
    for (CItemUI* item : items) item->SetFocusState(shown);
}

void CItemsUIMsgHandler::ResetItems() { OnShowWindow(false); }

void CItemsUIMsgHandler::OnCaptureChanged(LPARAM lParam) {
    if (CItemUI* item = capture_) {
        capture_ = nullptr;
        item->OnCaptureChanged(lParam);
    }
    if (CItemUI* item = pressed_) {
        pressed_ = nullptr;
        item->OnLButtonUp(0, -1, -1);  // released outside every item: no click
    }
}

void CItemsUIMsgHandler::OnMouseHover() { trackingMouse_ = false; }

void CItemsUIMsgHandler::OnMouseLeave() {
    trackingMouse_ = false;
    if (CItemUI* item = hover_) {
        hover_ = nullptr;
        item->OnMouseLeave();
    }
}

bool CItemsUIMsgHandler::OnMouseWheel(WPARAM, LPARAM) { return false; }

bool CItemsUIMsgHandler::OnKeyDown(WPARAM, LPARAM) { return false; }

LRESULT CItemsUIMsgHandler::OnGetDlgCode() const {
    return keyboardNavigation_ ? (DLGC_WANTARROWS | DLGC_WANTTAB) : 0;
}
