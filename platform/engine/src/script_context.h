#pragma once
// A page's script context in the renderer process: one Duktape heap per
// frame document, with a small window / document / location, timers, and the
// engine's V8-shaped value objects over it. Render thread only.
#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "document.h"

struct duk_hthread;
typedef struct duk_hthread duk_context;

namespace cefstub {

class RFrame;

// What the script context asks of its frame.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    virtual std::wstring ScriptUrl() = 0;
    virtual void ScriptSetTitle(const std::wstring& title) = 0;
    virtual std::wstring ScriptGetCookie() = 0;
    virtual void ScriptSetCookie(const std::wstring& line) = 0;
    virtual void ScriptNavigate(const std::wstring& url) = 0;
    virtual void ScriptReload() = 0;
    virtual void ScriptOpen(const std::wstring& url, const std::wstring& target) = 0;
    virtual void ScriptConsole(int level, const std::wstring& text, const std::wstring& source, int line) = 0;
    virtual void ScriptStartTimer(int id, int delayMs) = 0;
};

class ScriptContext : public CefV8Context {
public:
    ScriptContext(ScriptHost* host, CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);
    ~ScriptContext() override;

    // Makes the heap and the page objects. False when the heap cannot be made.
    bool Create(const HtmlDocument& doc, const std::wstring& frameName);
    // Ends the context: the heap goes, every value of it becomes invalid.
    void Invalidate();

    // Runs code as a program; errors are reported to the console.
    void RunProgram(const std::wstring& code, const std::wstring& sourceUrl, int startLine);
    // Evaluates code and gives its completion value as text (objects as JSON).
    bool EvaluateToText(const std::wstring& code, std::wstring* text);
    void FireTimer(int id);
    void FireLoad();

    // Value plumbing for the V8 objects.
    duk_context* heap() const { return ctx_; }
    unsigned StashPut(int index);
    void StashPush(unsigned ref);
    void StashRemove(unsigned ref);
    size_t AddHandler(CefRefPtr<CefV8Handler> handler);
    CefRefPtr<CefV8Handler> HandlerAt(size_t index);
    ScriptHost* host() const { return host_; }
    static ScriptContext* FromHeap(duk_context* ctx);

    // CefV8Context
    bool IsValid() override { return ctx_ != nullptr; }
    CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
    CefRefPtr<CefFrame> GetFrame() override { return frame_; }
    CefRefPtr<CefV8Value> GetGlobal() override;
    bool Enter() override;
    bool Exit() override;
    bool IsSame(CefRefPtr<CefV8Context> that) override { return that.get() == this; }
    bool Eval(const CefString& code, CefRefPtr<CefV8Value>& retval, CefRefPtr<CefV8Exception>& exception) override;

private:
    bool CallStashFunction(const char* name, int arg, bool hasArg);
    void ReportError(const std::wstring& sourceUrl);

    ScriptHost* host_;  // not owned; cleared by Invalidate
    CefRefPtr<CefBrowser> browser_;
    CefRefPtr<CefFrame> frame_;
    duk_context* ctx_ = nullptr;
    unsigned nextRef_ = 1;
    std::vector<CefRefPtr<CefV8Handler>> handlers_;
    IMPLEMENT_REFCOUNTING(ScriptContext);
};

// Enters a context for the lifetime of the object.
class ScopedContext {
public:
    explicit ScopedContext(CefRefPtr<ScriptContext> c) : c_(c) { if (c_) c_->Enter(); }
    ~ScopedContext() { if (c_) c_->Exit(); }
    ScopedContext(const ScopedContext&) = delete;
    ScopedContext& operator=(const ScopedContext&) = delete;

private:
    CefRefPtr<ScriptContext> c_;
};

// JSON text of a string (quotes included).
std::string JsonQuote(const std::wstring& text);

}  // namespace cefstub
