#include "ButtonUI.h"

#include "AlphaText.h"
#include "FontCache.h"
#include "ScopedGdi.h"

namespace uiskin {

CButtonUI::CButtonUI() { FontCache::GetInstance()->GetLogFont(font_); }

CButtonUI::~CButtonUI() = default;

int CButtonUI::CurrentFrame() const {
    if (!IsEnabled()) return kFrameDisabled;
    if (focused_) return state_ != kNormal ? state_ : kFrameFocused;
    return state_;
}

void CButtonUI::Paint(HDC dc) {
    if (!IsVisible()) return;
    const int frame = CurrentFrame();
    const RECT& rc = GetRect();
    if (image_ && image_->IsValid()) {
        const int w = static_cast<int>(image_->GetWidth()) / kFrameCount;
        const int h = static_cast<int>(image_->GetHeight());
        if (w > 0) {
            const RECT src = {w * frame, 0, w * frame + w, h};
            const RECT dst = {rc.left, rc.top, rc.left + w, rc.top + h};
            image_->DrawTo32BitDC_(dc, dst, src, false);
        }
    } else if (sharedImage_ && sharedImage_->IsValid()) {
        const LONG w = (sharedSource_.right - sharedSource_.left) / kFrameCount;
        const LONG h = sharedSource_.bottom - sharedSource_.top;
        const RECT src = {sharedSource_.left + w * frame, sharedSource_.top, sharedSource_.left + w * frame + w,
                          sharedSource_.bottom};
        if (w > 0 && h > 0 && static_cast<LONG>(sharedImage_->GetWidth()) >= src.right &&
            static_cast<LONG>(sharedImage_->GetHeight()) >= src.bottom) {
            const RECT dst = {rc.left, rc.top, rc.left + w, rc.top + h};
            sharedImage_->DrawTo32BitDC_(dc, dst, src, false);
        }
    }
    PaintText(dc, frame);
}

void CButtonUI::PaintText(HDC dc, int frame) {
    if (text_.empty()) return;
    const bool hot = frame == kFramePushed || frame == kFrameHover || frame == kFrameFocused;
    toolkit::UniqueFont font(::CreateFontIndirectW(&font_));
    TextStyle style;
    style.format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    style.color = (hot && hotTextColor_ != kNoColor) ? hotTextColor_ : textColor_;
    style.font = font.get();
    RECT rc = GetRect();
    DrawAlphaText(dc, text_.c_str(), static_cast<int>(text_.size()), &rc, &style);
}

SIZE CButtonUI::GetSize() {
    if (image_ && image_->IsValid())
        return SIZE{static_cast<LONG>(image_->GetWidth()) / kFrameCount, static_cast<LONG>(image_->GetHeight())};
    return SIZE{(sharedSource_.right - sharedSource_.left) / kFrameCount, sharedSource_.bottom - sharedSource_.top};
}

void CButtonUI::SetSharedImage(CxImage* image, const RECT& source) {
    sharedImage_ = image;
    sharedSource_ = source;
}

void CButtonUI::SetTextColors(COLORREF normal, COLORREF hot) {
    textColor_ = normal;
    hotTextColor_ = hot;
}

void CButtonUI::SetFocused(bool focused) {
    focused_ = focused ? 1 : 0;
    Invalidate();
}

void CButtonUI::SetState(int state) {
    state_ = state;
    Invalidate();
}

void CButtonUI::OnMouseMove(UINT, int, int) {
    if (state_ != kPushed && state_ != kHover) SetState(kHover);
}

void CButtonUI::OnLButtonDown(UINT, int, int) {
    SetState(kPushed);
    if (IItemsUI* owner = GetOwner()) {
        if (GetWnd() && ::GetCapture() != GetWnd()) ::SetCapture(GetWnd());
        owner->SetCaptureItem(this);
    }
}

void CButtonUI::OnLButtonUp(UINT, int x, int y) {
    if (state_ != kPushed) return;
    const POINT pt = {x, y};
    const bool inside = ::PtInRect(&GetRect(), pt) != FALSE;
    SetState(inside ? kHover : kNormal);
    if (IItemsUI* owner = GetOwner()) {
        if (GetWnd() && ::GetCapture() == GetWnd()) ::ReleaseCapture();
        owner->SetCaptureItem(nullptr);
    }
    if (inside) Click();
}

void CButtonUI::OnMouseLeave() {
    if (state_ == kHover) SetState(kNormal);
}

void CButtonUI::SetFocusState(bool focused) {
    if (!focused) state_ = kNormal;
}

void CButtonUI::Click() {
    if (CItemUI* parent = GetParent())
        parent->OnChildCommand(GetCommandId());
    else if (GetWnd())
        ::SendMessageW(GetWnd(), WM_COMMAND, static_cast<WPARAM>(GetCommandId()), 0);
}

}  // namespace uiskin
