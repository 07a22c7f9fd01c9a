#pragma once
#include "include/cef_browser.h"
#include "include/cef_menu_model.h"

class CefContextMenuParams : public virtual CefBase {
public:
    typedef cef_context_menu_type_flags_t TypeFlags;
    virtual int GetXCoord() = 0;
    virtual int GetYCoord() = 0;
    virtual TypeFlags GetTypeFlags() = 0;
    virtual CefString GetLinkUrl() = 0;
    virtual CefString GetPageUrl() = 0;
    virtual CefString GetFrameUrl() = 0;
    virtual CefString GetSelectionText() = 0;
    virtual bool IsEditable() = 0;
};

// Context menus; engine UI thread.
class CefContextMenuHandler : public virtual CefBase {
public:
    typedef cef_event_flags_t EventFlags;
    virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {
        (void)browser; (void)frame; (void)params; (void)model;
    }
    virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefContextMenuParams> params, int command_id, EventFlags event_flags) {
        (void)browser; (void)frame; (void)params; (void)command_id; (void)event_flags;
        return false;
    }
    virtual void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
        (void)browser; (void)frame;
    }
};
