#include "ItemUI.h"

CItemUI::~CItemUI() {
    if (owner_) owner_->RemoveItem(this);
}

void CItemUI::Paint(HDC) {}

CItemUI* CItemUI::HitTest(POINT pt, bool needEnabled) {
    if (visible_ && (enabled_ || !needEnabled) && ::PtInRect(&rect_, pt)) return this;
    return nullptr;
}

void CItemUI::OnMouseMove(UINT, int, int) {}
void CItemUI::OnLButtonDown(UINT, int, int) {}
void CItemUI::OnLButtonUp(UINT, int, int) {}
void CItemUI::OnRButtonUp(UINT, int, int) {}
void CItemUI::OnMouseLeave() {}
void CItemUI::OnCaptureChanged(LPARAM) {}
bool CItemUI::OnMouseWheel(WPARAM, LPARAM) { return false; }
void CItemUI::SetFocusState(bool) {}
void CItemUI::SetOwner(IItemsUI* owner) { owner_ = owner; }
void CItemUI::OnChildCommand(int) {}

void CItemUI::Invalidate() const {
    if (wnd_ && visible_) ::InvalidateRect(wnd_, &rect_, FALSE);
}
