#pragma once
// What a drawn item knows of the handler that owns it. Window thread.
class CItemUI;

class IItemsUI {
public:
    // The item that receives every mouse message until cleared (null clears).
    virtual void SetCaptureItem(CItemUI* item) = 0;
    // Unchecks the checkable items of a group but one (no item kind of the
    // system is checkable).
    virtual void UncheckGroup(CItemUI* except, int group) = 0;
    // Forgets the item: called by every item's destructor.
    virtual void RemoveItem(CItemUI* item) = 0;

protected:
    ~IItemsUI() = default;
};
