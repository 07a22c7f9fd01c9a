#pragma once
// A browser and host that only record what the control sends them.
#include <vector>

#include "include/cef_browser.h"

class FakeHost : public CefBrowserHost {
public:
    struct Wheel {
        CefMouseEvent event;
        int deltaX;
        int deltaY;
    };
    std::vector<Wheel> wheels;
    int invalidations = 0;
    int closes = 0;

    CefRefPtr<CefBrowser> GetBrowser() override { return nullptr; }
    void CloseBrowser(bool) override { ++closes; }
    void SetFocus(bool) override {}
    HWND GetWindowHandle() override { return nullptr; }
    HWND GetOpenerWindowHandle() override { return nullptr; }
    CefRefPtr<CefClient> GetClient() override { return nullptr; }
    CefRefPtr<CefRequestContext> GetRequestContext() override { return nullptr; }
    double GetZoomLevel() override { return 0; }
    void SetZoomLevel(double) override {}
    void WasResized() override {}
    void WasHidden(bool) override {}
    void Invalidate(PaintElementType) override { ++invalidations; }
    void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) override {
        wheels.push_back({event, deltaX, deltaY});
    }
    void SendFocusEvent(bool) override {}
    bool IsWindowRenderingDisabled() override { return false; }

private:
    IMPLEMENT_REFCOUNTING(FakeHost);
};

class FakeBrowser : public CefBrowser {
public:
    CefRefPtr<FakeHost> host = new FakeHost();

    CefRefPtr<CefBrowserHost> GetHost() override { return host.get(); }
    bool CanGoBack() override { return false; }
    void GoBack() override {}
    bool CanGoForward() override { return false; }
    void GoForward() override {}
    bool IsLoading() override { return false; }
    void Reload() override {}
    void ReloadIgnoreCache() override {}
    void StopLoad() override {}
    int GetIdentifier() override { return 1; }
    bool IsSame(CefRefPtr<CefBrowser> that) override { return that.get() == this; }
    bool IsPopup() override { return false; }
    bool HasDocument() override { return false; }
    CefRefPtr<CefFrame> GetMainFrame() override { return nullptr; }
    CefRefPtr<CefFrame> GetFocusedFrame() override { return nullptr; }
    CefRefPtr<CefFrame> GetFrame(int64) override { return nullptr; }
    CefRefPtr<CefFrame> GetFrame(const CefString&) override { return nullptr; }
    size_t GetFrameCount() override { return 0; }
    void GetFrameIdentifiers(std::vector<int64>&) override {}
    void GetFrameNames(std::vector<CefString>&) override {}
    bool SendProcessMessage(CefProcessId, CefRefPtr<CefProcessMessage>) override { return false; }

private:
    IMPLEMENT_REFCOUNTING(FakeBrowser);
};
