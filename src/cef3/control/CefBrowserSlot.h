#pragma once
// Where a control's browser is kept. The engine's UI thread stores the
// browser when creation completes; the window thread reads and clears it.
// Shared (reference counted) by the control and a pending creation, so a
// creation that completes after its control is gone finds the slot closed
// and closes the new browser instead of writing into a freed control.
#include <mutex>

#include "include/cef_browser.h"

class CefBrowserSlot : public CefBase {
public:
    CefRefPtr<CefBrowser> Get() const;
    // Engine UI thread. False (nothing stored) once the slot is closed.
    bool Store(CefRefPtr<CefBrowser> browser);
    // Clears the slot and hands over the browser it held (may be null).
    CefRefPtr<CefBrowser> Take();
    // Window thread, when the control goes: later stores are refused.
    void Close();

private:
    mutable std::mutex lock_;
    CefRefPtr<CefBrowser> browser_;
    bool closed_ = false;
    IMPLEMENT_REFCOUNTING(CefBrowserSlot);
};
