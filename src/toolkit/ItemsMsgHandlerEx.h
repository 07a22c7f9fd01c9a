#pragma once
// The item handler of a container window: as CItemsUIMsgHandler, and it
// also owns the items handed to it with AdoptItem, deleting them when it is
// destroyed. Window thread only.
#include <memory>
#include <vector>

#include "ItemsUIMsgHandler.h"

class CItemsMsgHandlerEx : public CItemsUIMsgHandler {
public:
    CItemsMsgHandlerEx() = default;
    ~CItemsMsgHandlerEx() override;

    // Adds the item (as AddItem) and keeps it until the handler dies.
    void AdoptItem(std::unique_ptr<CItemUI> item);

private:
    std::vector<std::unique_ptr<CItemUI>> owned_;
};
