#pragma once
// Keeps a window's drawn items in paint order (first painted first, last is
// topmost), routes the window's mouse messages to them, paints them and
// tracks hover, press and capture. Window thread only. Does not own the
// items; items still listed when the handler dies are told to forget it.
#include <windows.h>

#include <vector>

#include "ItemUI.h"
#include "ItemsUI.h"

class CItemsUIMsgHandler : public IItemsUI {
public:
    CItemsUIMsgHandler() = default;
    virtual ~CItemsUIMsgHandler();
    CItemsUIMsgHandler(const CItemsUIMsgHandler&) = delete;
    CItemsUIMsgHandler& operator=(const CItemsUIMsgHandler&) = delete;

    // IItemsUI
    void SetCaptureItem(CItemUI* item) override;
    void UncheckGroup(CItemUI* except, int group) override;
    void RemoveItem(CItemUI* item) override;

    // Appends the item (topmost) unless it is listed already.
    void AddItem(CItemUI* item);
    // Paints, in list order, every visible item without parent whose
    // rectangle meets clip.
    void PaintItems(HDC dc, const RECT& clip);
    // The topmost item without parent that answers HitTest((x, y), true).
    CItemUI* HitTestItem(int x, int y);

    // Message routing; true when an item handled the message.
    bool OnMouseMove(HWND wnd, UINT flags, int x, int y);
    bool OnLButtonDown(UINT flags, int x, int y);
    void OnLButtonUp(UINT flags, int x, int y);
    void OnRButtonUp(UINT flags, int x, int y);
    void OnShowWindow(bool shown);
    void OnCaptureChanged(LPARAM lParam);
    void OnMouseHover();
    void OnMouseLeave();
    bool OnMouseWheel(WPARAM wParam, LPARAM lParam);
    bool OnKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetDlgCode() const;
    // Every item back to its resting look (SetFocusState(false)).
    void ResetItems();

    const std::vector<CItemUI*>& Items() const { return items_; }
    CItemUI* GetHoverItem() const { return hover_; }
    CItemUI* GetPressedItem() const { return pressed_; }
    CItemUI* GetCaptureItem() const { return capture_; }

private:
    void BringToTop(CItemUI* item);

    CItemUI* hover_ = nullptr;
    CItemUI* pressed_ = nullptr;
    CItemUI* capture_ = nullptr;
    CItemUI* focused_ = nullptr;
    int keyboardNavigation_ = 0;  // nothing in the system turns it on
    bool trackingMouse_ = false;
    std::vector<CItemUI*> items_;  // not owned
};
