#pragma once
// Browser-process side of a browser: the object the program holds
// (CefBrowser and CefBrowserHost in one), its frames, and its child window.
// Every method may be called from any thread; the engine's own work (window,
// client callbacks) happens on the engine UI thread.
#include <map>
#include <memory>
#include <mutex>

#include "browser_base.h"
#include "include/cef_client.h"
#include "value.h"

namespace cefstub {

class RendererHost;
class BrowserImpl;

class BrowserFrame : public CefFrame {
public:
    BrowserFrame(BrowserImpl* browser, int64 id, int64 parentId, bool main);

    void SetState(const std::wstring& url, const std::wstring& name);
    void Detach();

    bool IsValid() override;
    void Undo() override {}
    void Redo() override {}
    void Cut() override {}
    void Copy() override {}
    void Paste() override {}
    void Delete() override {}
    void SelectAll() override {}
    void LoadURL(const CefString& url) override;
    void LoadString(const CefString& string_val, const CefString& url) override;
    void ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) override;
    bool IsMain() override { return main_; }
    bool IsFocused() override { return main_; }
    CefString GetName() override;
    int64 GetIdentifier() override { return id_; }
    CefRefPtr<CefFrame> GetParent() override;
    CefString GetURL() override;
    CefRefPtr<CefBrowser> GetBrowser() override;
    CefRefPtr<CefV8Context> GetV8Context() override { return nullptr; }

private:
    std::mutex lock_;
    BrowserImpl* browser_;  // not owned; null once the browser has closed
    const int64 id_;
    const int64 parentId_;
    const bool main_;
    std::wstring url_;
    std::wstring name_;
    IMPLEMENT_REFCOUNTING(BrowserFrame);
};

class BrowserImpl : public BrowserBase, public CefBrowserHost {
public:
    BrowserImpl(int id, HWND hwnd, CefRefPtr<CefClient> client);

    // Engine UI thread.
    void AttachRenderer(std::shared_ptr<RendererHost> renderer);
    void OnRendererMessage(const std::wstring& kind, const Value& msg);
    void OnRendererGone(unsigned long exitCode);
    void FinishClose();
    std::shared_ptr<RendererHost> renderer();
    // Sends to the renderer, starting a new one first when the old one ended.
    void SendToRenderer(ValuePtr msg);
    CefRefPtr<BrowserFrame> FrameFor(int64 id, int64 parentId);
    void Paint(HDC dc, const RECT& rc);
    void ShowContextMenu(int x, int y);
    std::wstring Title();
    bool IsClosing() { std::lock_guard<std::mutex> lock(lock_); return closing_; }

    // CefBrowser
    CefRefPtr<CefBrowserHost> GetHost() override { return this; }
    bool IsLoading() override;
    void Reload() override;
    CefRefPtr<CefFrame> GetMainFrame() override { return main_.get(); }
    CefRefPtr<CefFrame> GetFocusedFrame() override { return main_.get(); }
    CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
    CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
    size_t GetFrameCount() override;
    void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
    void GetFrameNames(std::vector<CefString>& names) override;
    bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

    // CefBrowserHost
    CefRefPtr<CefBrowser> GetBrowser() override { return this; }
    void CloseBrowser(bool force_close) override;
    void SetFocus(bool focus) override;
    HWND GetWindowHandle() override { return hwnd_; }
    HWND GetOpenerWindowHandle() override { return nullptr; }
    CefRefPtr<CefClient> GetClient() override;
    CefRefPtr<CefRequestContext> GetRequestContext() override { return nullptr; }
    double GetZoomLevel() override { return 0; }
    void SetZoomLevel(double) override {}
    void WasResized() override {}
    void WasHidden(bool) override {}
    void Invalidate(PaintElementType type) override;
    void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) override;
    void SendFocusEvent(bool) override {}
    bool IsWindowRenderingDisabled() override { return false; }

    // Message helpers.
    ValuePtr Message(const wchar_t* kind, int64 frameId);

private:
    void HandleLoad(const std::wstring& kind, const Value& msg, CefRefPtr<BrowserFrame> frame);
    void HandlePopup(const Value& msg, CefRefPtr<BrowserFrame> frame);

    const HWND hwnd_;  // owned by the engine UI thread
    CefRefPtr<BrowserFrame> main_;

    std::mutex lock_;
    CefRefPtr<CefClient> client_;  // null once closed
    std::shared_ptr<RendererHost> renderer_;
    std::map<int64, CefRefPtr<BrowserFrame>> frames_;
    std::wstring title_;
    std::wstring pageUrl_;
    std::wstring pageText_;
    std::wstring notice_;  // error page text
    bool loading_ = false;
    bool closing_ = false;
    IMPLEMENT_REFCOUNTING(BrowserImpl);
};

}  // namespace cefstub
