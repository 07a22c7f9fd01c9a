#pragma once
// The renderer process: its browsers and frames, page loading and script,
// all on the render thread (the process's main thread).
#include <map>
#include <memory>

#include "browser_base.h"
#include "channel.h"
#include "cookie_store.h"
#include "include/cef_app.h"
#include "message_loop.h"
#include "script_context.h"

namespace cefstub {

class RBrowser;

class RFrame : public CefFrame, public ScriptHost {
public:
    RFrame(RBrowser* browser, int64 id, RFrame* parent, const std::wstring& name);

    // Loads url now (render thread); the previous document and its context end first.
    void Navigate(const std::wstring& url);
    // Ends the document, its context and its sub-frames.
    void ReleaseDocument();
    void Execute(const std::wstring& code, const std::wstring& url, int line);
    bool EvaluateToText(const std::wstring& code, std::wstring* text);
    void Detach() { browser_ = nullptr; }
    CefRefPtr<RFrame> FindFrame(int64 id);

    // CefFrame
    bool IsValid() override { return browser_ != nullptr; }
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
    bool IsMain() override { return parent_ == nullptr; }
    bool IsFocused() override { return IsMain(); }
    CefString GetName() override { return name_; }
    int64 GetIdentifier() override { return id_; }
    CefRefPtr<CefFrame> GetParent() override { return parent_; }
    CefString GetURL() override { return url_; }
    CefRefPtr<CefBrowser> GetBrowser() override;
    CefRefPtr<CefV8Context> GetV8Context() override { return context_.get(); }

    // ScriptHost
    std::wstring ScriptUrl() override { return url_; }
    void ScriptSetTitle(const std::wstring& title) override;
    std::wstring ScriptGetCookie() override;
    void ScriptSetCookie(const std::wstring& line) override;
    void ScriptNavigate(const std::wstring& url) override;
    void ScriptReload() override { ScriptNavigate(url_); }
    void ScriptOpen(const std::wstring& url, const std::wstring& target) override;
    void ScriptConsole(int level, const std::wstring& text, const std::wstring& source, int line) override;
    void ScriptStartTimer(int id, int delayMs) override;

private:
    void LoadDocument(const std::wstring& url, const std::string* content);
    void Send(ValuePtr msg);
    ValuePtr Message(const wchar_t* kind);
    void RunScripts(const HtmlDocument& doc);
    void LoadSubFrames(const HtmlDocument& doc);

    RBrowser* browser_;  // not owned; null once the browser is gone
    int64 id_;
    RFrame* parent_;     // not owned
    std::wstring name_;
    std::wstring url_;
    unsigned generation_ = 0;
    CefRefPtr<ScriptContext> context_;
    std::vector<CefRefPtr<RFrame>> children_;
    IMPLEMENT_REFCOUNTING(RFrame);
};

class RBrowser : public BrowserBase {
public:
    RBrowser(int id, int64 mainFrameId);
    void Close();
    CefRefPtr<RFrame> main() { return main_; }

    CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
    bool IsLoading() override { return false; }
    void Reload() override;
    CefRefPtr<CefFrame> GetMainFrame() override { return main_.get(); }
    CefRefPtr<CefFrame> GetFocusedFrame() override { return main_.get(); }
    CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
    CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
    size_t GetFrameCount() override { return 1; }
    void GetFrameIdentifiers(std::vector<int64>& identifiers) override { identifiers.push_back(main_->GetIdentifier()); }
    void GetFrameNames(std::vector<CefString>& names) override { names.push_back(main_->GetName()); }
    bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

private:
    CefRefPtr<RFrame> main_;
    IMPLEMENT_REFCOUNTING(RBrowser);
};

class RendererProcess : public Channel::Delegate {
public:
    static RendererProcess* Get();  // null outside a renderer
    RendererProcess(CefRefPtr<CefApp> app, CefRefPtr<CefCommandLine> commandLine);
    ~RendererProcess() override;
    int Run();

    bool Send(const Value& msg) { return channel_ && channel_->Send(msg); }
    MessageLoop* loop() { return &loop_; }
    CookieStore* cookies() { return cookies_.get(); }
    CefRefPtr<CefRenderProcessHandler> handler() { return handler_; }
    int64 NextFrameId() { return nextFrameId_++; }

    void OnChannelMessage(ValuePtr message) override;
    void OnChannelClosed() override;

private:
    void Handle(const Value& msg);
    CefRefPtr<RBrowser> FindBrowser(const Value& msg);
    void CloseBrowser(int id);
    void ShutdownAll();

    CefRefPtr<CefApp> app_;
    CefRefPtr<CefCommandLine> commandLine_;
    CefRefPtr<CefRenderProcessHandler> handler_;
    MessageLoop loop_;
    std::unique_ptr<Channel> channel_;
    std::unique_ptr<CookieStore> cookies_;
    std::map<int, CefRefPtr<RBrowser>> browsers_;
    int64 nextFrameId_ = 1000000;
};

// Runs a renderer to its end; the exit code of the process.
int RunRendererProcess(CefRefPtr<CefApp> app, CefRefPtr<CefCommandLine> commandLine);

}  // namespace cefstub
