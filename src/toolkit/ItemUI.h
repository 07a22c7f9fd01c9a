#pragma once
// A drawn item: a rectangle of a window's client area that paints itself
// and reacts to the mouse, routed to it by its handler (IItemsUI). Window
// thread only. The window and handler are not owned; the destructor tells
// the handler to forget the item, so an item may die before its handler.
#include <windows.h>

#include "ItemsUI.h"

class CItemUI {
public:
    CItemUI() = default;
    virtual ~CItemUI();
    CItemUI(const CItemUI&) = delete;
    CItemUI& operator=(const CItemUI&) = delete;

    virtual void Paint(HDC dc);
    virtual int GetItemType() = 0;
    // This item when it is visible, enabled (or needEnabled is false) and
    // the point is inside its rectangle; else null.
    virtual CItemUI* HitTest(POINT pt, bool needEnabled);
    virtual void OnMouseMove(UINT flags, int x, int y);
    virtual void OnLButtonDown(UINT flags, int x, int y);
    virtual void OnLButtonUp(UINT flags, int x, int y);
    virtual void OnRButtonUp(UINT flags, int x, int y);
    virtual void OnMouseLeave();
    virtual void OnCaptureChanged(LPARAM lParam);
    virtual bool OnMouseWheel(WPARAM wParam, LPARAM lParam);
    virtual void SetFocusState(bool focused);
    virtual void SetOwner(IItemsUI* owner);
    // A child item's command, for container items (none in the system).
    virtual void OnChildCommand(int commandId);

    const RECT& GetRect() const { return rect_; }
    void SetRect(const RECT& rect) { rect_ = rect; }
    int GetCommandId() const { return commandId_; }
    void SetCommandId(int id) { commandId_ = id; }
    HWND GetWnd() const { return wnd_; }
    void SetWnd(HWND wnd) { wnd_ = wnd; }
    bool IsVisible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool IsEnabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    CItemUI* GetParent() const { return parent_; }
    void SetParent(CItemUI* parent) { parent_ = parent; }
    IItemsUI* GetOwner() const { return owner_; }

protected:
    // Repaints the rectangle (no erase) when the item has a window and is visible.
    void Invalidate() const;

private:
    RECT rect_ = {};
    int commandId_ = 0;
    HWND wnd_ = nullptr;        // not owned
    bool visible_ = true;
    bool enabled_ = true;
    CItemUI* parent_ = nullptr;  // not owned
    IItemsUI* owner_ = nullptr;  // not owned
};
