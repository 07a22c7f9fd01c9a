// Renderer process.
#include "renderer.h"

#include "ipc.h"
#include "loader.h"
#include "url.h"

namespace cefstub {
namespace {
RendererProcess* g_renderer = nullptr;

}  // namespace

// ---------------------------------------------------------------- frame
RFrame::RFrame(RBrowser* browser, int64 id, RFrame* parent, const std::wstring& name)
    : browser_(browser), id_(id), parent_(parent), name_(name) {}

CefRefPtr<CefBrowser> RFrame::GetBrowser() { return browser_; }

ValuePtr RFrame::Message(const wchar_t* kind) {
    auto m = Value::Dict();
    m->Set(ipc::kKind, Value::String(kind));
    m->Set(ipc::kBrowser, Value::Int(browser_ ? browser_->GetIdentifier() : 0));
    m->Set(ipc::kFrame, Value::Double(static_cast<double>(id_)));
    return m;
}

void RFrame::Send(ValuePtr msg) {
    if (auto* p = RendererProcess::Get()) p->Send(*msg);
}

CefRefPtr<RFrame> RFrame::FindFrame(int64 id) {
    if (id == id_) return this;
    for (auto& c : children_)
        if (auto f = c->FindFrame(id)) return f;
    return nullptr;
}

void RFrame::ReleaseDocument() {
    ++generation_;
    for (auto& c : children_) {
        c->ReleaseDocument();
        c->Detach();
    }
    children_.clear();
    if (!context_) return;
    CefRefPtr<ScriptContext> ctx = context_;
    context_ = nullptr;
    auto* p = RendererProcess::Get();
    if (p && p->handler() && browser_) {
        ScopedContext scope(ctx);
        p->handler()->OnContextReleased(browser_, this, ctx.get());
    }
    ctx->Invalidate();
}

void RFrame::Navigate(const std::wstring& url) { LoadDocument(url, nullptr); }

void RFrame::LoadDocument(const std::wstring& url, const std::string* content) {
    auto* process = RendererProcess::Get();
    if (!browser_ || !process) return;
    ReleaseDocument();
    url_ = url;
    unsigned generation = generation_;
    auto start = Message(ipc::kLoadStart);
    start->Set(ipc::kParent, Value::Double(parent_ ? static_cast<double>(parent_->id_) : -1));
    start->Set(ipc::kName, Value::String(name_));
    start->Set(ipc::kUrl, Value::String(url));
    Send(start);

    FetchResult r;
    if (content) {
        r.ok = true;
        r.status = 200;
        r.body = *content;
        r.finalUrl = url;
    } else {
        r = Fetch(url, process->cookies());
    }
    if (generation != generation_ || !browser_) return;
    if (!r.ok) {
        auto err = Message(ipc::kLoadError);
        err->Set(ipc::kUrl, Value::String(url));
        err->Set(ipc::kCode, Value::Int(r.errorCode));
        err->Set(ipc::kText, Value::String(r.errorText));
        Send(err);
        return;
    }
    url_ = r.finalUrl;
    HtmlDocument doc = ParseHtml(DecodeText(r.body));
    if (IsMain()) {
        auto title = Message(ipc::kTitle);
        title->Set(ipc::kTitleKey, Value::String(doc.hasTitle ? doc.title : url_));
        Send(title);
        auto text = Message(ipc::kPageText);
        text->Set(ipc::kUrl, Value::String(url_));
        text->Set(ipc::kText, Value::String(doc.text));
        Send(text);
    }
    context_ = new ScriptContext(this, browser_, this);
    if (!context_->Create(doc, name_)) {
        context_ = nullptr;
    } else if (process->handler()) {
        CefRefPtr<ScriptContext> ctx = context_;
        ScopedContext scope(ctx);
        process->handler()->OnContextCreated(browser_, this, ctx.get());
    }
    RunScripts(doc);
    if (generation != generation_ || !browser_) return;
    LoadSubFrames(doc);
    if (generation != generation_ || !browser_) return;
    if (context_) context_->FireLoad();
    if (generation != generation_ || !browser_) return;
    auto end = Message(ipc::kLoadEnd);
    end->Set(ipc::kUrl, Value::String(url_));
    end->Set(ipc::kStatus, Value::Int(r.status));
    Send(end);
}

void RFrame::RunScripts(const HtmlDocument& doc) {
    unsigned generation = generation_;
    for (auto& s : doc.scripts) {
        if (!context_ || generation != generation_) return;
        if (s.src.empty()) {
            context_->RunProgram(s.code, url_, s.line);
            continue;
        }
        std::wstring src = ResolveUrl(url_, s.src);
        FetchResult r = Fetch(src, RendererProcess::Get()->cookies());
        if (!r.ok || (r.status >= 400)) {
            ScriptConsole(3, L"Failed to load script " + src + L": " + (r.ok ? std::to_wstring(r.status) : r.errorText),
                          url_, s.line);
            continue;
        }
        if (context_ && generation == generation_) context_->RunProgram(DecodeText(r.body), src, 1);
    }
}

void RFrame::LoadSubFrames(const HtmlDocument& doc) {
    auto* process = RendererProcess::Get();
    for (auto& e : doc.iframes) {
        auto src = e.attrs.find(L"src");
        auto name = e.attrs.find(L"name");
        CefRefPtr<RFrame> child = new RFrame(browser_, process->NextFrameId(), this,
                                             name == e.attrs.end() ? std::wstring() : name->second);
        children_.push_back(child);
        child->Navigate(src == e.attrs.end() || src->second.empty() ? L"about:blank" : ResolveUrl(url_, src->second));
        if (!browser_) return;
    }
}

void RFrame::Execute(const std::wstring& code, const std::wstring& url, int line) {
    if (context_) context_->RunProgram(code, url.empty() ? url_ : url, line);
}

bool RFrame::EvaluateToText(const std::wstring& code, std::wstring* text) {
    if (!context_) {
        *text = L"no script context";
        return false;
    }
    return context_->EvaluateToText(code, text);
}

void RFrame::LoadURL(const CefString& url) { ScriptNavigate(url); }

void RFrame::LoadString(const CefString& string_val, const CefString& url) {
    CefRefPtr<RFrame> self(this);
    std::string content = string_val.ToString();
    std::wstring target = url;
    RendererProcess::Get()->loop()->PostTask([self, content, target] { self->LoadDocument(target, &content); });
}

void RFrame::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
    Execute(code, script_url, start_line);
}

void RFrame::ScriptSetTitle(const std::wstring& title) {
    if (!IsMain()) return;
    auto m = Message(ipc::kTitle);
    m->Set(ipc::kTitleKey, Value::String(title));
    Send(m);
}

std::wstring RFrame::ScriptGetCookie() {
    auto* p = RendererProcess::Get();
    return p && p->cookies() ? p->cookies()->CookieHeader(url_, false) : std::wstring();
}

void RFrame::ScriptSetCookie(const std::wstring& line) {
    auto* p = RendererProcess::Get();
    if (p && p->cookies() && Url::Parse(url_).IsHttp()) p->cookies()->SetFromLine(url_, line, true);
}

// Navigations a script asks for happen after the running script has returned.
void RFrame::ScriptNavigate(const std::wstring& url) {
    auto* p = RendererProcess::Get();
    if (!p || url.empty()) return;
    Url u = Url::Parse(url);
    if (u.scheme == L"javascript") {
        Execute(url.substr(11), url_, 1);
        return;
    }
    CefRefPtr<RFrame> self(this);
    unsigned generation = generation_;
    p->loop()->PostTask([self, url, generation] {
        if (self->generation_ == generation) self->Navigate(url);
    });
}

void RFrame::ScriptOpen(const std::wstring& url, const std::wstring& target) {
    auto m = Message(ipc::kPopup);
    m->Set(ipc::kUrl, Value::String(url));
    m->Set(ipc::kTarget, Value::String(target));
    Send(m);
}

void RFrame::ScriptConsole(int level, const std::wstring& text, const std::wstring& source, int line) {
    Log(level >= 3 ? LogSeverity::Error : level == 2 ? LogSeverity::Warning : LogSeverity::Info,
        L"CONSOLE(%d) \"%s\", source: %s (%d)", level, text.c_str(), source.c_str(), line);
    auto m = Message(ipc::kConsole);
    m->Set(ipc::kText, Value::String(text));
    m->Set(ipc::kUrl, Value::String(source));
    m->Set(ipc::kLine, Value::Int(line));
    Send(m);
}

void RFrame::ScriptStartTimer(int id, int delayMs) {
    auto* p = RendererProcess::Get();
    if (!p || !context_) return;
    CefRefPtr<ScriptContext> ctx = context_;
    p->loop()->PostDelayedTask([ctx, id] { ctx->FireTimer(id); }, delayMs);
}

// ---------------------------------------------------------------- browser
RBrowser::RBrowser(int id, int64 mainFrameId) : BrowserBase(id), main_(new RFrame(this, mainFrameId, nullptr, L"")) {}

void RBrowser::Close() {
    main_->ReleaseDocument();
    main_->Detach();
}

void RBrowser::Reload() { main_->ScriptReload(); }

CefRefPtr<CefFrame> RBrowser::GetFrame(int64 identifier) { return main_->FindFrame(identifier).get(); }

CefRefPtr<CefFrame> RBrowser::GetFrame(const CefString& name) {
    return name.empty() || name == main_->GetName() ? main_.get() : nullptr;
}

bool RBrowser::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
    auto* p = RendererProcess::Get();
    if (target_process != PID_BROWSER || !message || !p) return false;
    auto m = Value::Dict();
    m->Set(ipc::kKind, Value::String(ipc::kProcessMessage));
    m->Set(ipc::kBrowser, Value::Int(id_));
    m->Set(ipc::kName, Value::String(message->GetName()));
    auto args = UnwrapList(message->GetArgumentList());
    m->Set(ipc::kArgs, args ? args : Value::List());
    return p->Send(*m);
}

// ---------------------------------------------------------------- process
RendererProcess* RendererProcess::Get() { return g_renderer; }

RendererProcess::RendererProcess(CefRefPtr<CefApp> app, CefRefPtr<CefCommandLine> commandLine)
    : app_(app), commandLine_(commandLine) {
    g_renderer = this;
    if (app_) handler_ = app_->GetRenderProcessHandler();
}

RendererProcess::~RendererProcess() {
    if (channel_) channel_->Close();
    g_renderer = nullptr;
}

int RendererProcess::Run() {
    loop_.BindToCurrentThread();
    RegisterThread(TID_RENDERER, &loop_);
    channel_ = Channel::Connect(commandLine_->GetSwitchValue(ipc::kChannelSwitch), this);
    if (!channel_) {
        UnregisterThread(TID_RENDERER);
        return 1;
    }
    channel_->Start(nullptr);
    WarmUpSecureFetches();
    loop_.Run();
    ShutdownAll();
    channel_->Close();
    UnregisterThread(TID_RENDERER);
    return 0;
}

void RendererProcess::OnChannelMessage(ValuePtr message) {
    loop_.PostTask([this, message] { Handle(*message); });
}

// The browser process has gone (or closed the channel): the renderer ends.
void RendererProcess::OnChannelClosed() {
    loop_.PostTask([this] { loop_.Quit(); });
}

CefRefPtr<RBrowser> RendererProcess::FindBrowser(const Value& msg) {
    auto it = browsers_.find(msg.GetInt(ipc::kBrowser));
    return it == browsers_.end() ? nullptr : it->second;
}

void RendererProcess::Handle(const Value& msg) {
    std::wstring kind = msg.GetString(ipc::kKind);
    if (kind == ipc::kInit) {
        ConfigureLog(msg.GetString(ipc::kLogFile), msg.GetInt(ipc::kLogSeverity));
        cookies_.reset(new CookieStore(msg.GetString(ipc::kCachePath)));
        if (handler_) {
            auto extra = msg.Get(ipc::kExtraInfo);
            handler_->OnRenderThreadCreated(WrapList(extra && extra->type == VTYPE_LIST ? extra : Value::List()));
            handler_->OnWebKitInitialized();
        }
        return;
    }
    if (kind == ipc::kCreateBrowser) {
        int id = msg.GetInt(ipc::kBrowser);
        CefRefPtr<RBrowser> b = new RBrowser(id, static_cast<int64>(msg.GetDouble(ipc::kFrame)));
        browsers_[id] = b;
        if (handler_) handler_->OnBrowserCreated(b.get());
        return;
    }
    if (kind == ipc::kExit) {
        loop_.Quit();
        return;
    }
    CefRefPtr<RBrowser> b = FindBrowser(msg);
    if (!b) return;
    if (kind == ipc::kNavigate) {
        auto frame = b->main()->FindFrame(static_cast<int64>(msg.GetDouble(ipc::kFrame)));
        (frame ? frame : b->main())->Navigate(msg.GetString(ipc::kUrl));
    } else if (kind == ipc::kLoadString) {
        auto frame = b->main()->FindFrame(static_cast<int64>(msg.GetDouble(ipc::kFrame)));
        if (frame) frame->LoadString(msg.GetString(ipc::kText), msg.GetString(ipc::kUrl));
    } else if (kind == ipc::kExecute) {
        auto frame = b->main()->FindFrame(static_cast<int64>(msg.GetDouble(ipc::kFrame)));
        if (frame) frame->Execute(msg.GetString(ipc::kCode), msg.GetString(ipc::kUrl), msg.GetInt(ipc::kLine));
    } else if (kind == ipc::kReload) {
        b->main()->Navigate(b->main()->GetURL());
    } else if (kind == ipc::kProcessMessage) {
        if (handler_)
            handler_->OnProcessMessageReceived(b.get(), PID_BROWSER,
                                               MakeProcessMessage(msg.GetString(ipc::kName), msg.Get(ipc::kArgs)));
    } else if (kind == ipc::kEval) {
        std::wstring text;
        bool ok = b->main()->EvaluateToText(msg.GetString(ipc::kCode), &text);
        auto reply = Value::Dict();
        reply->Set(ipc::kKind, Value::String(ipc::kEvalResult));
        reply->Set(ipc::kRequest, Value::Int(msg.GetInt(ipc::kRequest)));
        reply->Set(ipc::kOk, Value::Bool(ok));
        reply->Set(ipc::kText, Value::String(text));
        Send(*reply);
    } else if (kind == ipc::kCloseBrowser) {
        CloseBrowser(b->GetIdentifier());
    }
}

void RendererProcess::CloseBrowser(int id) {
    auto it = browsers_.find(id);
    if (it == browsers_.end()) return;
    CefRefPtr<RBrowser> b = it->second;
    browsers_.erase(it);
    b->Close();
    if (handler_) handler_->OnBrowserDestroyed(b.get());
}

void RendererProcess::ShutdownAll() {
    while (!browsers_.empty()) CloseBrowser(browsers_.begin()->first);
}

int RunRendererProcess(CefRefPtr<CefApp> app, CefRefPtr<CefCommandLine> commandLine) {
    RendererProcess process(app, commandLine);
    return process.Run();
}

}  // namespace cefstub
