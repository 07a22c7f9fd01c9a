#pragma once
#include "include/cef_browser.h"
#include "include/cef_drag_data.h"

// Drags entering a browser window; engine UI thread.
class CefDragHandler : public virtual CefBase {
public:
    typedef cef_drag_operations_mask_t DragOperationsMask;
    // Return true to refuse the drag.
    virtual bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> dragData, DragOperationsMask mask) {
        (void)browser; (void)dragData; (void)mask;
        return false;
    }
};
