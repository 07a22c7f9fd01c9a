#pragma once
// What both sides' browser objects answer alike: no history, not a popup,
// always a document, and the browser's identifier.
#include "include/cef_browser.h"

class BrowserBase : public CefBrowser {
public:
    bool CanGoBack() override { return false; }
    void GoBack() override {}
    bool CanGoForward() override { return false; }
    void GoForward() override {}
    void ReloadIgnoreCache() override { Reload(); }
    void StopLoad() override {}
    int GetIdentifier() override { return id_; }
    bool IsSame(CefRefPtr<CefBrowser> that) override { return that && that->GetIdentifier() == id_; }
    bool IsPopup() override { return false; }
    bool HasDocument() override { return true; }

protected:
    explicit BrowserBase(int id) : id_(id) {}
    const int id_;
};
