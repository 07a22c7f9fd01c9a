// Browser process: engine start, renderers, browser creation, shut-down.
#include "engine.h"

#include <algorithm>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "ipc.h"
#include "remote_control.h"
#include "renderer.h"

namespace cefstub {
namespace {

Engine* g_engine = nullptr;
std::mutex g_engineLock;

// A renderer asked to exit ends at once, unless it is still setting up its
// secure fetches, which under a loaded machine takes seconds and must not be
// cut (see WarmUpSecureFetches); only one that is gone past this is ended.
const DWORD kRendererExitWaitMs = 10000;
const DWORD kUiCallWaitMs = 10000;

std::wstring RemoteControlPipeName(CefRefPtr<CefCommandLine> cmd) {
    std::wstring name = cmd->GetSwitchValue(kRemoteControlSwitch);
    if (name.empty()) {
        wchar_t buf[512];
        DWORD n = GetEnvironmentVariableW(kRemoteControlEnv, buf, _countof(buf));
        if (n > 0 && n < _countof(buf)) name.assign(buf, n);
    }
    if (!name.empty() && name.compare(0, 9, L"\\\\.\\pipe\\") != 0) name = L"\\\\.\\pipe\\" + name;
    return name;
}

}  // namespace

bool RunOnUiThreadAndWait(const Closure& fn) {
    if (IsOnThread(TID_UI)) {
        fn();
        return true;
    }
    auto done = std::make_shared<UniqueHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!PostToThread(TID_UI, [fn, done] { fn(); SetEvent(done->get()); })) return false;
    return WaitAnswering(done->get(), kUiCallWaitMs);
}

// ---------------------------------------------------------------- renderer host
RendererHost::~RendererHost() {
    if (channel_) channel_->Close();
}

void RendererHost::OnChannelMessage(ValuePtr message) {
    Engine* e = Engine::Get();
    if (!e) return;
    if (message->GetString(ipc::kKind) == ipc::kEvalResult) {
        if (e->remote())
            e->remote()->Complete(message->GetInt(ipc::kRequest), message->GetBool(ipc::kOk),
                                  message->GetString(ipc::kText));
        return;
    }
    std::weak_ptr<RendererHost> self = shared_from_this();
    PostToThread(TID_UI, [self, message] {
        if (Engine* engine = Engine::Get()) engine->OnRendererMessage(self, message);
    });
}

void RendererHost::OnChannelClosed() {
    gone_ = true;
    std::weak_ptr<RendererHost> self = shared_from_this();
    PostToThread(TID_UI, [self] {
        if (Engine* engine = Engine::Get()) engine->OnRendererClosed(self);
    });
}

// ---------------------------------------------------------------- engine
Engine* Engine::Get() {
    std::lock_guard<std::mutex> lock(g_engineLock);
    return g_engine;
}

Engine::Engine(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> app)
    : instance_(args.instance ? args.instance : GetModuleHandleW(nullptr)),
      settings_(settings),
      app_(app),
      cookies_(settings.cache_path) {}

Engine::~Engine() = default;

bool Engine::Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> app) {
    {
        std::lock_guard<std::mutex> lock(g_engineLock);
        if (g_engine) return false;
    }
    ConfigureLog(settings.log_file, settings.log_severity);
    Engine* e = new Engine(args, settings, app);
    if (!e->Start()) {
        e->Stop();
        {
            std::lock_guard<std::mutex> lock(g_engineLock);
            g_engine = nullptr;
        }
        delete e;
        return false;
    }
    return true;
}

bool Engine::Start() {
    commandLine_ = CefCommandLine::GetGlobalCommandLine();
    if (app_) {
        app_->OnBeforeCommandLineProcessing(CefString(), commandLine_);
        processHandler_ = app_->GetBrowserProcessHandler();
    }
    rendererLimit_ = _wtoi(commandLine_->GetSwitchValue(L"renderer-process-limit").c_str());
    if (!RegisterBrowserWindowClass(instance_)) return false;
    {
        std::lock_guard<std::mutex> lock(g_engineLock);
        g_engine = this;
    }
    if (!io_.Start() || !ui_.Start()) return false;
    std::wstring pipe = RemoteControlPipeName(commandLine_);
    if (!pipe.empty()) {
        remote_.reset(new RemoteControl(pipe));
        if (!remote_->Start()) remote_.reset();
    }
    Log(LogSeverity::Info, L"engine started (renderer limit %d)", rendererLimit_);
    CefRefPtr<CefBrowserProcessHandler> handler = processHandler_;
    if (handler) PostToThread(TID_UI, [handler] { handler->OnContextInitialized(); });
    // A renderer started ahead, so the first page does not wait for a process start
    // (without a renderer limit one is kept ready for every next browser too).
    PostToThread(TID_UI, [this] {
        if (renderers_.empty()) LaunchRenderer();
    });
    return true;
}

void Engine::Shutdown() {
    Engine* e = Get();
    if (!e) return;
    e->Stop();
    {
        std::lock_guard<std::mutex> lock(g_engineLock);
        g_engine = nullptr;
    }
    delete e;
}

void Engine::CloseAllOnUiThread() {
    for (auto& b : Browsers()) b->FinishClose();
    for (auto& r : renderers_) {
        r->retiring_ = true;
        auto exit = Value::Dict();
        exit->Set(ipc::kKind, Value::String(ipc::kExit));
        r->Send(*exit);
    }
}

void Engine::Stop() {
    if (remote_) remote_->Stop();
    RunOnUiThreadAndWait([this] { CloseAllOnUiThread(); });
    ui_.Stop();
    io_.Stop();
    // The UI thread has ended: the renderer list is ours now.
    for (auto& r : renderers_) {
        if (r->process_ && WaitForSingleObject(r->process_.get(), kRendererExitWaitMs) != WAIT_OBJECT_0)
            TerminateProcess(r->process_.get(), 1);
        if (r->channel_) r->channel_->Close();
    }
    renderers_.clear();
    std::lock_guard<std::mutex> lock(lock_);
    browsers_.clear();
}

std::shared_ptr<RendererHost> Engine::LaunchRenderer() {
    auto host = std::make_shared<RendererHost>();
    std::wstring pipe = L"\\\\.\\pipe\\cefstub-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++nextPipe_) + L"-" + std::to_wstring(GetTickCount());
    host->channel_ = Channel::CreateServer(pipe, host.get());
    if (!host->channel_) return nullptr;
    CefRefPtr<CefCommandLine> cmd = CefCommandLine::CreateCommandLine();
    cmd->SetProgram(ProgramPath());
    cmd->AppendSwitchWithValue(ipc::kTypeSwitch, ipc::kRendererType);
    cmd->AppendSwitchWithValue(ipc::kChannelSwitch, pipe);
    if (!settings_.locale.empty()) cmd->AppendSwitchWithValue(L"lang", settings_.locale);
    if (processHandler_) processHandler_->OnBeforeChildProcessLaunch(cmd);
    std::wstring line = cmd->GetCommandLineString();
    std::wstring program = cmd->GetProgram();
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        LogAlways(L"starting the renderer process failed: %lu", GetLastError());
        return nullptr;
    }
    UniqueHandle thread(pi.hThread);
    host->process_.reset(pi.hProcess);
    host->pid_ = pi.dwProcessId;
    host->channel_->Start(host->process_.get());
    auto init = Value::Dict();
    init->Set(ipc::kKind, Value::String(ipc::kInit));
    init->Set(ipc::kCachePath, Value::String(settings_.cache_path));
    init->Set(ipc::kLogFile, Value::String(settings_.log_file));
    init->Set(ipc::kLogSeverity, Value::Int(settings_.log_severity));
    auto extra = Value::List();
    if (processHandler_) processHandler_->OnRenderProcessThreadCreated(WrapList(extra));
    init->Set(ipc::kExtraInfo, extra);
    host->Send(*init);
    Log(LogSeverity::Info, L"renderer process %lu started", host->pid_);
    renderers_.push_back(host);
    return host;
}

std::shared_ptr<RendererHost> Engine::AcquireRenderer() {
    std::shared_ptr<RendererHost> least;
    int live = 0;
    for (auto& r : renderers_) {
        if (r->retiring_ || r->gone_) continue;
        if (r->browsers_.empty()) return r;  // the one started ahead
        ++live;
        if (!least || r->browsers_.size() < least->browsers_.size()) least = r;
    }
    if (rendererLimit_ > 0 && live >= rendererLimit_ && least) return least;
    return LaunchRenderer();
}

void Engine::ReleaseRenderer(const std::shared_ptr<RendererHost>& host, int browserId) {
    if (!host) return;
    host->browsers_.erase(browserId);
    if (!host->browsers_.empty() || host->retiring_) return;
    host->retiring_ = true;
    auto exit = Value::Dict();
    exit->Set(ipc::kKind, Value::String(ipc::kExit));
    host->Send(*exit);
}

void Engine::OnRendererMessage(const std::weak_ptr<RendererHost>&, ValuePtr message) {
    CefRefPtr<BrowserImpl> b = FindBrowser(message->GetInt(ipc::kBrowser));
    if (b) b->OnRendererMessage(message->GetString(ipc::kKind), *message);
}

void Engine::OnRendererClosed(const std::weak_ptr<RendererHost>& weak) {
    std::shared_ptr<RendererHost> host = weak.lock();
    if (!host) return;
    DWORD code = 0;
    if (host->process_ && WaitForSingleObject(host->process_.get(), kRendererExitWaitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(host->process_.get(), &code);
    if (!host->retiring_) {
        LogAlways(L"renderer process %lu ended unexpectedly (exit code %lu)", host->pid_, code);
        for (int id : host->browsers_)
            if (auto b = FindBrowser(id)) b->OnRendererGone(code);
    } else {
        Log(LogSeverity::Info, L"renderer process %lu exited (exit code %lu)", host->pid_, code);
    }
    host->browsers_.clear();
    if (host->channel_) host->channel_->Close();
    renderers_.erase(std::remove(renderers_.begin(), renderers_.end(), host), renderers_.end());
}

CefRefPtr<BrowserImpl> Engine::CreateBrowser(const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                             const CefString& url) {
    DWORD style = info.style ? info.style : (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP);
    if (info.parent_window) style |= WS_CHILD;
    HWND hwnd = CreateWindowExW(info.ex_style | WS_EX_NOPARENTNOTIFY, kBrowserWindowClass, info.window_name.c_str(),
                                style, info.x, info.y, info.width, info.height, info.parent_window, nullptr, instance_,
                                nullptr);
    if (!hwnd) {
        LogAlways(L"creating the browser window failed: %lu", GetLastError());
        return nullptr;
    }
    int id = nextBrowserId_++;
    CefRefPtr<BrowserImpl> b = new BrowserImpl(id, hwnd, client);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b.get()));
    {
        std::lock_guard<std::mutex> lock(lock_);
        browsers_[id] = b;
    }
    b->AttachRenderer(AcquireRenderer());
    if (client)
        if (auto life = client->GetLifeSpanHandler()) life->OnAfterCreated(b.get());
    if (!url.empty()) b->GetMainFrame()->LoadURL(url);
    // After this creation has returned: the spare is started in the background.
    if (rendererLimit_ <= 0) PostToThread(TID_UI, [this] { KeepSpareRenderer(); });
    return b;
}

void Engine::KeepSpareRenderer() {
    for (auto& r : renderers_)
        if (!r->retiring_ && !r->gone_ && r->browsers_.empty()) return;
    LaunchRenderer();
}

void Engine::RemoveBrowser(int id) {
    CefRefPtr<BrowserImpl> keep;
    std::lock_guard<std::mutex> lock(lock_);
    auto it = browsers_.find(id);
    if (it == browsers_.end()) return;
    keep = it->second;
    browsers_.erase(it);
}

CefRefPtr<BrowserImpl> Engine::FindBrowser(int id) {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = browsers_.find(id);
    return it == browsers_.end() ? nullptr : it->second;
}

std::vector<CefRefPtr<BrowserImpl>> Engine::Browsers() {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<CefRefPtr<BrowserImpl>> out;
    for (auto& b : browsers_) out.push_back(b.second);
    return out;
}

}  // namespace cefstub

// ---------------------------------------------------------------- public entry points
int CefExecuteProcess(const CefMainArgs&, CefRefPtr<CefApp> application, void*) {
    CefRefPtr<CefCommandLine> cmd = CefCommandLine::GetGlobalCommandLine();
    if (!cmd->HasSwitch(cefstub::ipc::kTypeSwitch)) return -1;
    std::wstring type = cmd->GetSwitchValue(cefstub::ipc::kTypeSwitch);
    if (application) application->OnBeforeCommandLineProcessing(type, cmd);
    if (type == cefstub::ipc::kRendererType) return cefstub::RunRendererProcess(application, cmd);
    // This engine has no other kinds of sub-process: they end at once.
    return 0;
}

bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application, void*) {
    return cefstub::Engine::Initialize(args, settings, application);
}

void CefShutdown() { cefstub::Engine::Shutdown(); }

// The engine always runs its own UI thread; these have nothing to pump.
void CefDoMessageLoopWork() {}
void CefRunMessageLoop() {}
void CefQuitMessageLoop() {}

CefRefPtr<CefBrowser> CefBrowserHost::CreateBrowserSync(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                                        const CefString& url, const CefBrowserSettings&,
                                                        CefRefPtr<CefRequestContext>) {
    cefstub::Engine* e = cefstub::Engine::Get();
    if (!e || !CefCurrentlyOn(TID_UI)) {
        cefstub::LogAlways(L"CreateBrowserSync called %s", e ? L"off the engine UI thread" : L"without an engine");
        return nullptr;
    }
    return e->CreateBrowser(windowInfo, client, url).get();
}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client, const CefString& url,
                                   const CefBrowserSettings& settings, CefRefPtr<CefRequestContext> request_context) {
    return cefstub::PostToThread(TID_UI, [windowInfo, client, url, settings, request_context] {
        CreateBrowserSync(windowInfo, client, url, settings, request_context);
    });
}

CefRefPtr<CefRequestContext> CefRequestContext::GetGlobalContext() { return nullptr; }
