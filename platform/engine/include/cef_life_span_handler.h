#pragma once
#include "include/cef_browser.h"

class CefClient;

struct CefPopupFeatures {
    int x = 0, xSet = 0, y = 0, ySet = 0, width = 0, widthSet = 0, height = 0, heightSet = 0;
    int menuBarVisible = 1, statusBarVisible = 1, toolBarVisible = 1, scrollbarsVisible = 1;
};

enum cef_window_open_disposition_t {
    WOD_UNKNOWN,
    WOD_CURRENT_TAB,
    WOD_SINGLETON_TAB,
    WOD_NEW_FOREGROUND_TAB,
    WOD_NEW_BACKGROUND_TAB,
    WOD_NEW_POPUP,
    WOD_NEW_WINDOW,
};

// Browser life-span events; engine UI thread.
class CefLifeSpanHandler : public virtual CefBase {
public:
    typedef cef_window_open_disposition_t WindowOpenDisposition;

    // A page asked for a new window. Return true to cancel it. This engine
    // opens no popup window of its own: a popup that is not cancelled is
    // dropped.
    virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               const CefString& target_url, const CefString& target_frame_name,
                               WindowOpenDisposition target_disposition, bool user_gesture,
                               const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                               CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                               bool* no_javascript_access) {
        (void)browser; (void)frame; (void)target_url; (void)target_frame_name; (void)target_disposition;
        (void)user_gesture; (void)popupFeatures; (void)windowInfo; (void)client; (void)settings;
        (void)no_javascript_access;
        return false;
    }
    virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) { (void)browser; }
    virtual bool DoClose(CefRefPtr<CefBrowser> browser) { (void)browser; return false; }
    virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) { (void)browser; }
};
