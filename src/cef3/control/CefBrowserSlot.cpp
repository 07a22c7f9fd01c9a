#include "CefBrowserSlot.h"

CefRefPtr<CefBrowser> CefBrowserSlot::Get() const {
    std::lock_guard<std::mutex> guard(lock_);
    return browser_;
}

bool CefBrowserSlot::Store(CefRefPtr<CefBrowser> browser, std::wstring* laterUrl) {
    CefRefPtr<CefBrowser> previous;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (closed_) return false;
        previous = browser_;
        browser_ = browser;
        if (laterUrl) laterUrl->swap(laterUrl_);
        laterUrl_.clear();
    }
    return true;  // previous is released outside the lock
}

CefRefPtr<CefBrowser> CefBrowserSlot::GetOrKeepUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!browser_ && !closed_) laterUrl_ = url;
    return browser_;
}

CefRefPtr<CefBrowser> CefBrowserSlot::Take() {
    std::lock_guard<std::mutex> guard(lock_);
    CefRefPtr<CefBrowser> browser = browser_;
    browser_ = nullptr;
    return browser;
}

void CefBrowserSlot::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
}
