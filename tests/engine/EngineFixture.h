#pragma once
// The engine as a test sees it: started once for the test program (the
// program is also its own renderer), a plain host window on the test's
// thread, and a client that records every callback with the thread it came on.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "TestApp.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

struct Event {
    Event(std::wstring k = std::wstring(), std::wstring a0 = std::wstring(), std::wstring b0 = std::wstring(), int n0 = 0)
        : kind(std::move(k)), a(std::move(a0)), b(std::move(b0)), n(n0) {}
    std::wstring kind;
    std::wstring a;
    std::wstring b;
    int n = 0;
    bool onUi = false;
    CefRefPtr<CefListValue> args;
};

class Recorder : public CefClient,
                 public CefLifeSpanHandler,
                 public CefLoadHandler,
                 public CefDisplayHandler,
                 public CefContextMenuHandler,
                 public CefDragHandler,
                 public CefRequestHandler {
public:
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source,
                                  CefRefPtr<CefProcessMessage> message) override;
    bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url, const CefString& name,
                       WindowOpenDisposition, bool, const CefPopupFeatures&, CefWindowInfo&, CefRefPtr<CefClient>&,
                       CefBrowserSettings&, bool*) override;
    void OnAfterCreated(CefRefPtr<CefBrowser>) override { Add({L"Created"}); }
    void OnBeforeClose(CefRefPtr<CefBrowser>) override { Add({L"Closed"}); }
    void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame) override;
    void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int status) override;
    void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, ErrorCode code, const CefString& text,
                     const CefString& url) override;
    void OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) override;
    void OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnDragEnter(CefRefPtr<CefBrowser>, CefRefPtr<CefDragData>, DragOperationsMask mask) override;
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser>, TerminationStatus) override { Add({L"Terminated"}); }

    void Add(Event e);
    // Waits (pumping this thread's windows) until an event matches; a copy of it.
    bool WaitFor(const std::function<bool(const Event&)>& match, Event* out = nullptr, unsigned timeoutMs = 15000);
    bool WaitForKind(const std::wstring& kind, const std::wstring& a, Event* out = nullptr, unsigned timeoutMs = 15000);
    std::vector<Event> Events();
    void Clear();
    // Leaves the context menu as the engine built it, so it is shown.
    std::atomic<bool> keepMenu{false};
    // Called on the callback's thread for each load end, inside the callback.
    std::function<void(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>)> onLoadEnd;

private:
    std::mutex lock_;
    std::vector<Event> events_;
    IMPLEMENT_REFCOUNTING(Recorder);
};

class EngineTest {
public:
    static TestApp* app();
    static HWND host();
    static const std::wstring& cachePath();
    static const std::wstring& remotePipe();
    // Created on the engine UI thread, as the system does; null on failure.
    static CefRefPtr<CefBrowser> CreateBrowser(CefRefPtr<Recorder> client, const std::wstring& url);
    static void Pump(unsigned ms);
    // harness::WaitUntil that keeps this thread's windows answering meanwhile.
    static bool WaitPumping(const std::function<bool()>& condition, unsigned timeoutMs);
};

// file:/// URL of a path.
std::wstring FileUrl(const std::wstring& path);
void WriteUtf8(const std::wstring& path, const std::string& text);
