#pragma once
// Where a control's browser is kept. The engine's UI thread stores the
// browser when creation completes; the window thread reads and clears it.
// Shared (reference counted) by the control and a pending creation, so a
// creation that completes after its control is gone finds the slot closed
// and closes the new browser instead of writing into a freed control.
#include <mutex>
#include <string>

#include "include/cef_browser.h"

class CefBrowserSlot : public CefBase {
public:
    CefRefPtr<CefBrowser> Get() const;
    // Engine UI thread. False (nothing stored) once the slot is closed.
    // laterUrl receives a page asked for while the browser was being made
    // (empty when none).
    bool Store(CefRefPtr<CefBrowser> browser, std::wstring* laterUrl);
    // The browser when it exists; otherwise url is kept for Store to hand
    // over, and the result is null. One lock, so no request falls between.
    CefRefPtr<CefBrowser> GetOrKeepUrl(const std::wstring& url);
    // Clears the slot and hands over the browser it held (may be null).
    CefRefPtr<CefBrowser> Take();
    // Window thread, when the control goes: later stores are refused.
    void Close();

private:
    mutable std::mutex lock_;
    CefRefPtr<CefBrowser> browser_;
    std::wstring laterUrl_;
    bool closed_ = false;
    IMPLEMENT_REFCOUNTING(CefBrowserSlot);
};
