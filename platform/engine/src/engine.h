#pragma once
// The engine in the browser process: settings, the UI and IO threads, the
// renderer processes and the browsers. One instance between CefInitialize
// and CefShutdown.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "browser_impl.h"
#include "channel.h"
#include "cookie_store.h"
#include "include/cef_app.h"
#include "message_loop.h"

namespace cefstub {

class RemoteControl;

// One renderer process as the browser process sees it. Its channel's
// threads report here; everything else happens on the engine UI thread.
class RendererHost : public Channel::Delegate, public std::enable_shared_from_this<RendererHost> {
public:
    ~RendererHost() override;
    bool Send(const Value& msg) { return channel_ && channel_->Send(msg); }
    DWORD pid() const { return pid_; }
    bool gone() const { return gone_; }

    void OnChannelMessage(ValuePtr message) override;
    void OnChannelClosed() override;

private:
    friend class Engine;
    DWORD pid_ = 0;
    UniqueHandle process_;
    std::unique_ptr<Channel> channel_;
    std::set<int> browsers_;        // UI thread
    bool retiring_ = false;         // UI thread: told to exit
    std::atomic<bool> gone_{false};
};

class Engine {
public:
    static Engine* Get();
    static bool Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> app);
    static void Shutdown();

    const CefSettings& settings() const { return settings_; }
    CookieStore* cookies() { return &cookies_; }
    HINSTANCE instance() const { return instance_; }

    // Engine UI thread.
    std::shared_ptr<RendererHost> AcquireRenderer();
    void AttachBrowserToRenderer(const std::shared_ptr<RendererHost>& host, int browserId) {
        host->browsers_.insert(browserId);
    }
    void ReleaseRenderer(const std::shared_ptr<RendererHost>& host, int browserId);
    void OnRendererMessage(const std::weak_ptr<RendererHost>& host, ValuePtr message);
    void OnRendererClosed(const std::weak_ptr<RendererHost>& host);
    CefRefPtr<BrowserImpl> CreateBrowser(const CefWindowInfo& info, CefRefPtr<CefClient> client, const CefString& url);
    void RemoveBrowser(int id);

    // Any thread.
    CefRefPtr<BrowserImpl> FindBrowser(int id);
    std::vector<CefRefPtr<BrowserImpl>> Browsers();
    RemoteControl* remote() { return remote_.get(); }

private:
    Engine(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> app);
    ~Engine();
    bool Start();
    void Stop();
    std::shared_ptr<RendererHost> LaunchRenderer();
    // Without a renderer limit: a renderer without browsers is kept ready,
    // so the next browser does not wait for a process start either.
    void KeepSpareRenderer();
    void CloseAllOnUiThread();

    HINSTANCE instance_;
    CefSettings settings_;
    CefRefPtr<CefApp> app_;
    CefRefPtr<CefBrowserProcessHandler> processHandler_;
    CefRefPtr<CefCommandLine> commandLine_;
    int rendererLimit_ = 0;
    CookieStore cookies_;
    EngineThread ui_{TID_UI, true};
    EngineThread io_{TID_IO, false};
    std::unique_ptr<RemoteControl> remote_;
    // Engine UI thread only.
    std::vector<std::shared_ptr<RendererHost>> renderers_;
    int nextPipe_ = 0;
    // Any thread.
    std::mutex lock_;
    std::map<int, CefRefPtr<BrowserImpl>> browsers_;
    std::atomic<int> nextBrowserId_{1};
};

// Runs fn on the engine UI thread (at once when already there) and waits,
// answering this thread's sent messages meanwhile; false when it did not run in time.
bool RunOnUiThreadAndWait(const Closure& fn);

// The child window class of browsers.
bool RegisterBrowserWindowClass(HINSTANCE instance);
extern const wchar_t kBrowserWindowClass[];

}  // namespace cefstub
