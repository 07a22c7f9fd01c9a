#include "ItemsMsgHandlerEx.h"

CItemsMsgHandlerEx::~CItemsMsgHandlerEx() {
    // Each item's destructor takes it out of the item list, while this
    // handler is still whole.
    owned_.clear();
}

void CItemsMsgHandlerEx::AdoptItem(std::unique_ptr<CItemUI> item) {
    if (!item) return;
    AddItem(item.get());
    owned_.push_back(std::move(item));
}
