#include "SimpleLayeredDraw.h"

#include "ItemsUIMsgHandler.h"
#include "ScopedGdi.h"

CSimpleLayeredDraw::~CSimpleLayeredDraw() = default;

void CSimpleLayeredDraw::Draw(HDC dc, SIZE) {
    if (image_ && image_->IsValid()) image_->DrawTo32BitDC_(dc, 0, 0, false);
}

void CSimpleLayeredDraw::UpdateLayered(HDC dc, int cx, int cy, CItemsUIMsgHandler& items) {
    if (!target_) return;
    void* bits = nullptr;
    toolkit::UniqueBitmap surface = toolkit::CreateDib(cx, cy, 32, &bits);
    if (!surface) return;
    toolkit::UniqueMemDc memDc(::CreateCompatibleDC(dc));
    if (!memDc) return;
    toolkit::SelectGuard selected(memDc.get(), surface.get());
    RECT client = {};
    ::GetClientRect(target_, &client);
    items.PaintItems(memDc.get(), client);
    SIZE size = {cx, cy};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(target_, nullptr, nullptr, &size, memDc.get(), &source, 0, &blend, ULW_ALPHA);
}
