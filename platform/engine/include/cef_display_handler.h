#pragma once
#include "include/cef_browser.h"

// Display changes; engine UI thread.
class CefDisplayHandler : public virtual CefBase {
public:
    virtual void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& url) {
        (void)browser; (void)frame; (void)url;
    }
    virtual void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) { (void)browser; (void)title; }
    virtual bool OnConsoleMessage(CefRefPtr<CefBrowser> browser, const CefString& message, const CefString& source,
                                  int line) {
        (void)browser; (void)message; (void)source; (void)line;
        return false;
    }
};
