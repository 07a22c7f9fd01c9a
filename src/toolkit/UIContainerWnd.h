#pragma once
// A CWndBase window whose content is drawn items, held by an embedded item
// handler: mouse, hover, capture, show and keyboard messages reach the items
// before the default handling. Window thread only.
#include "ItemsMsgHandlerEx.h"
#include "WndBase.h"

class CUIContainerWnd : public CWndBase {
public:
    CUIContainerWnd() = default;
    ~CUIContainerWnd() override;

    // Puts the item in this window (not owned) and on top of the others.
    void AddItem(CItemUI* item);
    CItemsMsgHandlerEx& GetItemsHandler() { return items_; }

    void OnDestroy() override;
    void OnMouseMove(UINT flags, int x, int y) override;
    void OnLButtonDown(UINT flags, int x, int y) override;
    void OnLButtonUp(UINT flags, int x, int y) override;
    void OnRButtonUp(UINT flags, int x, int y) override;
    LRESULT PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    CItemsMsgHandlerEx items_;
};
