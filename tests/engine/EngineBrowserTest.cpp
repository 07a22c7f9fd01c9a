// The engine in a running browser process: sub-process start, threads and
// tasks, browsers and their callbacks, page script, process messages, the
// remote-control channel, a killed renderer and page servers that never
// finish their answer.
#include "TinyHttpServer.h"

#include <gtest/gtest.h>

#include <thread>

#include "EngineFixture.h"
#include "Harness.h"
#include "RemoteClient.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_closure_task.h"

#include <ole2.h>

namespace {

std::wstring Page(const std::wstring& name, const std::string& html) {
    std::wstring dir = harness::TestDir() + L"\\engine_pages";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring path = dir + L"\\" + name;
    WriteUtf8(path, html);
    return FileUrl(path);
}

struct BrowserScope {
    explicit BrowserScope(const std::wstring& url) : client(new Recorder()) {
        browser = EngineTest::CreateBrowser(client, url);
    }
    ~BrowserScope() {
        if (browser) browser->GetHost()->CloseBrowser(true);
        if (client) client->WaitForKind(L"Closed", L"", nullptr, 5000);
    }
    bool WaitLoaded(const std::wstring& url) {
        return client->WaitFor([&](const Event& e) { return e.kind == L"LoadEnd" && e.b == L"main" && e.a == url; });
    }
    CefRefPtr<Recorder> client;
    CefRefPtr<CefBrowser> browser;
};

std::wstring ProgramPath() {
    wchar_t buf[MAX_PATH];
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return buf;
}

}  // namespace

TEST(EngineProcess, RolesAndExitCodes) {
    // This is the browser process: no "type" switch.
    EXPECT_LT(CefExecuteProcess(CefMainArgs(GetModuleHandleW(nullptr)), nullptr, nullptr), 0);
    // Another kind of sub-process ends at once with 0; a renderer without its
    // browser process cannot connect and ends with 1.
    harness::ChildProcess other, orphan;
    ASSERT_TRUE(other.Start(ProgramPath(), L"--type=gpu-process"));
    ASSERT_TRUE(orphan.Start(ProgramPath(), L"--type=renderer --channel=\\\\.\\pipe\\cefstub-no-such-pipe"));
    DWORD code = 99;
    ASSERT_TRUE(other.Wait(20000, &code));
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(orphan.Wait(20000, &code));
    EXPECT_EQ(1u, code);
}

TEST(EngineThreads, ContextInitializedAndTasksRunOnTheirThreads) {
    ASSERT_TRUE(EngineTest::WaitPumping([] { return EngineTest::app()->contextInitializedOnUi == 1; }, 5000));
    EXPECT_EQ(0, EngineTest::app()->contextInitializedElsewhere.load());
    EXPECT_FALSE(CefCurrentlyOn(TID_UI));
    EXPECT_FALSE(CefCurrentlyOn(TID_IO));
    EXPECT_FALSE(CefPostTask(TID_RENDERER, CefCreateClosureTask([] {})));

    // Shared with the tasks, which may outlive a failed wait.
    struct State {
        std::mutex m;
        std::vector<std::pair<int, bool>> ran;  // which task, on its thread
        DWORD uiThread = 0, ioThread = 0;
    };
    auto st = std::make_shared<State>();
    auto record = [st](int which, CefThreadId expected) {
        return CefCreateClosureTask([st, which, expected] {
            std::lock_guard<std::mutex> lock(st->m);
            (expected == TID_UI ? st->uiThread : st->ioThread) = GetCurrentThreadId();
            st->ran.push_back({which, CefCurrentlyOn(expected)});
        });
    };
    // Tasks from another thread each run once, in posting order.
    std::thread poster([&] {
        for (int k = 0; k < 5; ++k) EXPECT_TRUE(CefPostTask(TID_UI, record(k, TID_UI)));
    });
    poster.join();
    EXPECT_TRUE(CefPostTask(TID_IO, record(100, TID_IO)));
    DWORD start = GetTickCount();
    EXPECT_TRUE(CefPostDelayedTask(TID_UI, record(200, TID_UI), 150));
    ASSERT_TRUE(EngineTest::WaitPumping([&] { std::lock_guard<std::mutex> l(st->m); return st->ran.size() == 7; }, 5000));
    EXPECT_GE(GetTickCount() - start, 140u);
    std::lock_guard<std::mutex> lock(st->m);
    EXPECT_NE(st->uiThread, st->ioThread);
    EXPECT_NE(GetCurrentThreadId(), st->uiThread);
    int expectedUi = 0;
    for (auto& r : st->ran) {
        EXPECT_TRUE(r.second) << "task " << r.first << " ran on the wrong thread";
        if (r.first < 5) {
            EXPECT_EQ(expectedUi++, r.first);
        }
    }
    EXPECT_EQ(200, st->ran.back().first);
}

TEST(EngineBrowser, CreateBrowserSyncOnlyOnTheUiThread) {
    CefWindowInfo info;
    info.SetAsChild(EngineTest::host(), RECT{0, 0, 100, 100});
    CefRefPtr<Recorder> client = new Recorder();
    EXPECT_FALSE(CefBrowserHost::CreateBrowserSync(info, client.get(), L"about:blank", CefBrowserSettings(), nullptr));

    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.browser);
    HWND hwnd = s.browser->GetHost()->GetWindowHandle();
    EXPECT_EQ(EngineTest::host(), GetParent(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // The host moves and hides the child window from its own thread.
    EXPECT_TRUE(MoveWindow(hwnd, 20, 30, 200, 100, TRUE));
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(200, rc.right - rc.left);
    ShowWindow(hwnd, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    Event created;
    ASSERT_TRUE(s.client->WaitForKind(L"Created", L"", &created));
    EXPECT_TRUE(created.onUi);
}

TEST(EngineBrowser, AboutBlankAndFilePagesReportLoadsPerFrameOnTheUiThread) {
    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.browser);
    ASSERT_TRUE(s.WaitLoaded(L"about:blank"));
    EXPECT_EQ(L"about:blank", s.browser->GetMainFrame()->GetURL().ToWString());

    std::wstring sub = Page(L"sub.html", "<html><head><title>Sub</title></head><body>inner</body></html>");
    std::wstring main = Page(L"main.html",
                             "<html><head><title>Main page</title></head><body>Hello <b>there</b>"
                             "<iframe src=\"sub.html\" name=\"inner\"></iframe></body></html>");
    s.client->Clear();
    s.browser->GetMainFrame()->LoadURL(main);
    ASSERT_TRUE(s.WaitLoaded(main));
    Event subEnd, title;
    ASSERT_TRUE(s.client->WaitFor([&](const Event& e) { return e.kind == L"LoadEnd" && e.b == L"sub"; }, &subEnd));
    EXPECT_EQ(sub, subEnd.a);
    EXPECT_EQ(200, subEnd.n);
    ASSERT_TRUE(s.client->WaitForKind(L"Title", L"Main page", &title));
    EXPECT_EQ(main, s.browser->GetMainFrame()->GetURL().ToWString());
    // Each context of the page was created on the render thread; the old one released.
    ASSERT_TRUE(s.client->WaitFor([&](const Event& e) {
        return e.kind == L"Msg" && e.a == L"ContextCreated" && e.args->GetString(0) == CefString(sub);
    }));
    ASSERT_TRUE(s.client->WaitFor([&](const Event& e) {
        return e.kind == L"Msg" && e.a == L"ContextReleased" && e.args->GetString(0) == CefString(L"about:blank");
    }));
    for (auto& e : s.client->Events()) {
        EXPECT_TRUE(e.onUi) << "callback " << harness::Narrow(e.kind) << " off the engine UI thread";
        if (e.kind == L"Msg" && e.a == L"ContextCreated") {
            EXPECT_TRUE(e.args->GetBool(2));
        }
    }
    // The main frame ends after its sub-frame.
    auto events = s.client->Events();
    size_t subAt = 0, mainAt = 0;
    for (size_t k = 0; k < events.size(); ++k) {
        if (events[k].kind != L"LoadEnd") continue;
        (events[k].b == L"sub" ? subAt : mainAt) = k;
    }
    EXPECT_LT(subAt, mainAt);
}

TEST(EngineBrowser, MissingFileReportsLoadError) {
    std::wstring missing = FileUrl(harness::TestDir() + L"\\engine_pages\\no-such-page.html");
    BrowserScope s(missing);
    Event err;
    ASSERT_TRUE(s.client->WaitForKind(L"LoadError", missing, &err));
    EXPECT_EQ(ERR_FILE_NOT_FOUND, err.n);
    EXPECT_TRUE(err.onUi);
}

TEST(EngineScript, TitleChangesFromScriptTimersAndLoadHandlers) {
    std::wstring url = Page(L"title.html",
                            "<html><head><title>Start</title><script>var n = 0;"
                            "function later() { document.title = 'Timer ' + (++n); }</script></head>"
                            "<body onload=\"setTimeout(later, 30)\">x</body></html>");
    BrowserScope s(url);
    ASSERT_TRUE(s.client->WaitForKind(L"Title", L"Start"));
    ASSERT_TRUE(s.client->WaitForKind(L"Title", L"Timer 1"));
    s.browser->GetMainFrame()->ExecuteJavaScript(L"document.title = 'By call ' + typeof document.cookie;", L"", 0);
    ASSERT_TRUE(s.client->WaitForKind(L"Title", L"By call string"));
    // Intervals repeat until cleared.
    s.browser->GetMainFrame()->ExecuteJavaScript(
        L"var k = 0, t = setInterval(function () { if (++k == 3) { clearInterval(t); document.title = 'k' + k; } }, 10);",
        L"", 0);
    ASSERT_TRUE(s.client->WaitForKind(L"Title", L"k3"));
}

TEST(EngineScript, PopupsFromWindowOpenAndTargetLinks) {
    std::wstring url = Page(L"popup.html",
                            "<html><body><a id=\"link\" href=\"target.html\" target=\"_blank\">go</a></body></html>");
    BrowserScope s(url);
    ASSERT_TRUE(s.WaitLoaded(url));
    s.browser->GetMainFrame()->ExecuteJavaScript(L"window.open('opened.html', 'win');", L"", 0);
    Event popup;
    ASSERT_TRUE(s.client->WaitForKind(L"Popup", L"", &popup));
    EXPECT_EQ(Page(L"opened.html", ""), popup.a);
    EXPECT_EQ(L"win", popup.b);
    EXPECT_TRUE(popup.onUi);
    s.client->Clear();
    s.browser->GetMainFrame()->ExecuteJavaScript(L"document.getElementById('link').click();", L"", 0);
    ASSERT_TRUE(s.client->WaitForKind(L"Popup", L"", &popup));
    EXPECT_EQ(Page(L"target.html", ""), popup.a);
    EXPECT_EQ(L"_blank", popup.b);
    // A cancelled popup leaves the page where it was.
    EXPECT_EQ(url, s.browser->GetMainFrame()->GetURL().ToWString());
}

TEST(EngineScript, NativeFunctionCallsBecomeProcessMessages) {
    std::wstring url = Page(L"bridge.html", "<html><body>bridge</body></html>");
    BrowserScope s(url);
    ASSERT_TRUE(s.WaitLoaded(url));
    s.browser->GetMainFrame()->ExecuteJavaScript(
        L"document.title = [window.external === window, typeof external.probe, typeof external.nothing,"
        L" external.probe('a', 7, true, 1.5, null, {pkgid: 12, game_name: '游戏'}), external.roundTrip()].join(',');",
        L"", 0);
    Event title, probe;
    ASSERT_TRUE(s.client->WaitForKind(L"Title", L"true,function,undefined,6,", &title));
    ASSERT_TRUE(s.client->WaitFor([](const Event& e) { return e.kind == L"Msg" && e.a == L"probe"; }, &probe));
    EXPECT_EQ(1, probe.n);  // from the renderer
    EXPECT_TRUE(probe.onUi);
    CefRefPtr<CefListValue> args = probe.args;
    ASSERT_EQ(7u, args->GetSize());
    EXPECT_EQ(L"a", args->GetString(0).ToWString());
    EXPECT_EQ(7, args->GetInt(1));
    EXPECT_TRUE(args->GetBool(2));
    EXPECT_EQ(VTYPE_NULL, args->GetType(3));  // 1.5 is not an int
    EXPECT_EQ(VTYPE_NULL, args->GetType(4));
    ASSERT_EQ(VTYPE_DICTIONARY, args->GetType(5));
    EXPECT_EQ(12, args->GetDictionary(5)->GetInt(L"pkgid"));
    EXPECT_EQ(L"游戏", args->GetDictionary(5)->GetString(L"game_name").ToWString());
    EXPECT_TRUE(args->GetBool(6));  // the handler ran on the render thread
    // Calls of one page arrive in call order.
    s.client->Clear();
    s.browser->GetMainFrame()->ExecuteJavaScript(L"for (var i = 0; i < 20; i++) external.roundTrip(i);", L"", 0);
    ASSERT_TRUE(s.client->WaitFor([](const Event& e) {
        return e.kind == L"Msg" && e.a == L"roundTrip" && e.args->GetInt(0) == 19;
    }));
    int expected = 0;
    for (auto& e : s.client->Events())
        if (e.kind == L"Msg" && e.a == L"roundTrip") {
            EXPECT_EQ(expected++, e.args->GetInt(0));
        }
    EXPECT_EQ(20, expected);
}

TEST(EngineScript, ProcessMessagesFromTheBrowserReachTheRenderer) {
    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.WaitLoaded(L"about:blank"));
    CefRefPtr<CefProcessMessage> msg = CefProcessMessage::Create(L"Echo");
    CefRefPtr<CefListValue> args = msg->GetArgumentList();
    args->SetString(0, L"text");
    args->SetInt(1, -5);
    CefRefPtr<CefDictionaryValue> d = CefDictionaryValue::Create();
    d->SetString(L"k", L"v");
    args->SetDictionary(2, d);
    // Sent from the window thread, as the player's "KillProcess" is.
    ASSERT_TRUE(s.browser->SendProcessMessage(PID_RENDERER, msg));
    EXPECT_FALSE(s.browser->SendProcessMessage(PID_BROWSER, msg));
    Event reply;
    ASSERT_TRUE(s.client->WaitFor([](const Event& e) { return e.kind == L"Msg" && e.a == L"EchoReply"; }, &reply));
    EXPECT_EQ(L"text", reply.args->GetString(0).ToWString());
    EXPECT_EQ(-5, reply.args->GetInt(1));
    EXPECT_EQ(L"v", reply.args->GetDictionary(2)->GetString(L"k").ToWString());
    EXPECT_TRUE(reply.args->GetBool(3));  // handled on the render thread
    // A message that runs script in the renderer, which calls back.
    CefRefPtr<CefProcessMessage> run = CefProcessMessage::Create(L"Run");
    run->GetArgumentList()->SetString(0, L"external.probe('from-renderer');");
    ASSERT_TRUE(s.browser->SendProcessMessage(PID_RENDERER, run));
    ASSERT_TRUE(s.client->WaitFor([](const Event& e) {
        return e.kind == L"Msg" && e.a == L"probe" && e.args->GetString(0) == CefString(L"from-renderer");
    }));
}

TEST(EngineRemote, ListsBrowsersAndEvaluatesScript) {
    std::wstring url = Page(L"remote.html", "<html><head><title>Remote</title></head>"
                                            "<body><script>function add(a, b) { return a + b; }</script></body></html>");
    BrowserScope s(url);
    ASSERT_TRUE(s.WaitLoaded(url));
    auto list = RemoteList(EngineTest::remotePipe());
    bool found = false;
    for (auto& b : list) {
        if (b.id != s.browser->GetIdentifier()) continue;
        found = true;
        EXPECT_EQ(url, b.url);
        EXPECT_EQ(L"Remote", b.title);
        EXPECT_NE(0u, b.rendererPid);
    }
    EXPECT_TRUE(found);
    std::wstring id = std::to_wstring(s.browser->GetIdentifier());
    EXPECT_EQ(L"ok\n5", RemoteCall(EngineTest::remotePipe(), L"eval " + id + L"\nadd(2, 3)"));
    EXPECT_EQ(L"ok\n{\"a\":[1,\"x\"]}", RemoteCall(EngineTest::remotePipe(), L"eval " + id + L"\n({a: [1, 'x']})"));
    EXPECT_EQ(0u, RemoteCall(EngineTest::remotePipe(), L"eval " + id + L"\nthrow new Error('boom')").find(L"error\n"));
    EXPECT_EQ(L"error\nno such browser", RemoteCall(EngineTest::remotePipe(), L"eval 99999\n1"));
}

TEST(EngineBrowser, ContextMenuCallbackArrivesOnTheUiThread) {
    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.WaitLoaded(L"about:blank"));
    HWND hwnd = s.browser->GetHost()->GetWindowHandle();
    PostMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(50, 50));
    Event menu;
    ASSERT_TRUE(s.client->WaitForKind(L"ContextMenu", L"", &menu));
    EXPECT_TRUE(menu.onUi);
    EXPECT_EQ(5 * 100 + CM_TYPEFLAG_PAGE, menu.n);  // back, forward, separator, print, view source
}

TEST(EngineFailure, KilledRendererIsReportedAndTheBrowserRecovers) {
    std::wstring url = Page(L"victim.html", "<html><head><title>Victim</title></head><body>v</body></html>");
    BrowserScope s(url);
    ASSERT_TRUE(s.WaitLoaded(url));
    DWORD pid = 0;
    for (auto& b : RemoteList(EngineTest::remotePipe()))
        if (b.id == s.browser->GetIdentifier()) pid = b.rendererPid;
    ASSERT_NE(0u, pid);
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    ASSERT_TRUE(h);
    ASSERT_TRUE(TerminateProcess(h, 7));
    WaitForSingleObject(h, 5000);
    CloseHandle(h);
    Event gone;
    ASSERT_TRUE(s.client->WaitForKind(L"Terminated", L"", &gone));
    EXPECT_TRUE(gone.onUi);
    // Calls from the window thread still return at once.
    DWORD start = GetTickCount();
    s.browser->GetMainFrame()->ExecuteJavaScript(L"1", L"", 0);
    EXPECT_LT(GetTickCount() - start, 1000u);
    // Loading again starts a new renderer.
    s.client->Clear();
    s.browser->GetMainFrame()->LoadURL(url);
    ASSERT_TRUE(s.WaitLoaded(url));
    DWORD newPid = 0;
    for (auto& b : RemoteList(EngineTest::remotePipe()))
        if (b.id == s.browser->GetIdentifier()) newPid = b.rendererPid;
    EXPECT_NE(0u, newPid);
    EXPECT_NE(pid, newPid);
}

TEST(EngineBrowser, EachBrowserHasItsOwnRendererWithoutALimit) {
    BrowserScope a(L"about:blank"), b(L"about:blank");
    ASSERT_TRUE(a.WaitLoaded(L"about:blank"));
    ASSERT_TRUE(b.WaitLoaded(L"about:blank"));
    DWORD pa = 0, pb = 0;
    for (auto& r : RemoteList(EngineTest::remotePipe())) {
        if (r.id == a.browser->GetIdentifier()) pa = r.rendererPid;
        if (r.id == b.browser->GetIdentifier()) pb = r.rendererPid;
    }
    EXPECT_NE(0u, pa);
    EXPECT_NE(pa, pb);
    EXPECT_GE(EngineTest::app()->childLaunches.load(), 2);
}

TEST(EngineProcess, RendererLimitOneSharesOneRenderer) {
    std::wstring url = Page(L"limit.html", "<html><head><title>Limited</title></head><body>l</body></html>");
    std::wstring pipe = L"cefstub-limit-" + std::to_wstring(GetCurrentProcessId());
    harness::ChildProcess host;
    ASSERT_TRUE(host.Start(harness::TestDir() + L"\\engine_host.exe",
                           L"--url=" + url + L" --browsers=3 --renderer-process-limit=1 --remote-control-pipe=" + pipe));
    std::vector<RemoteBrowser> list;
    ASSERT_TRUE(harness::WaitUntil([&] {
        list = RemoteList(pipe);
        if (list.size() != 3) return false;
        for (auto& b : list)
            if (b.title != L"Limited") return false;
        return true;
    }, 30000));
    EXPECT_NE(0u, list[0].rendererPid);
    EXPECT_EQ(list[0].rendererPid, list[1].rendererPid);
    EXPECT_EQ(list[0].rendererPid, list[2].rendererPid);
}

TEST(EngineFailure, SilentOrTricklingPageServersTimeOutAndTheSharedRendererServesOn) {
    const DWORD kFetchBoundMs = 15000;
    const DWORD kMarginMs = 8000;
    TinyHttpServer server;
    ASSERT_TRUE(server.Start());
    TinyHttpServer::Response silent;
    silent.silent = true;
    server.Set("/silent", silent);
    // 25 bytes every 500 ms: the whole page would take over 80 s.
    TinyHttpServer::Response trickle;
    trickle.body = "<html><head><title>Slow</title></head><body>" + std::string(4000, 'x') + "</body></html>";
    trickle.dripMs = 500;
    trickle.dripBytes = 25;
    server.Set("/trickle", trickle);
    std::wstring silentUrl = server.Url("/silent");
    std::wstring trickleUrl = server.Url("/trickle");

    // Each load fails as timed out within the bound of one fetch.
    DWORD start = GetTickCount();
    BrowserScope a(silentUrl), b(trickleUrl);
    Event silentError, trickleError;
    ASSERT_TRUE(a.client->WaitForKind(L"LoadError", silentUrl, &silentError, kFetchBoundMs + kMarginMs));
    ASSERT_TRUE(b.client->WaitForKind(L"LoadError", trickleUrl, &trickleError, kFetchBoundMs + kMarginMs));
    EXPECT_LT(GetTickCount() - start, kFetchBoundMs + kMarginMs);
    EXPECT_EQ(ERR_TIMED_OUT, silentError.n);
    EXPECT_EQ(L"ERR_TIMED_OUT", silentError.b);
    EXPECT_EQ(ERR_TIMED_OUT, trickleError.n);

    // Two browsers on one renderer: while one waits for the silent server,
    // the other's page call is answered once that fetch has run out of time.
    std::wstring pipe = L"cefstub-slow-" + std::to_wstring(GetCurrentProcessId());
    harness::ChildProcess host;
    ASSERT_TRUE(host.Start(harness::TestDir() + L"\\engine_host.exe",
                           L"--url=about:blank --browsers=2 --renderer-process-limit=1 --remote-control-pipe=" + pipe));
    std::vector<RemoteBrowser> list;
    ASSERT_TRUE(harness::WaitUntil([&] {
        list = RemoteList(pipe);
        return list.size() == 2 && list[0].rendererPid != 0 && list[0].rendererPid == list[1].rendererPid;
    }, 30000));
    std::wstring first = std::to_wstring(list[0].id), second = std::to_wstring(list[1].id);
    size_t silentRequests = server.CookiesFor("/silent").size();
    ASSERT_EQ(L"ok\n1", RemoteCall(pipe, L"eval " + first + L"\nlocation.href = '" + silentUrl + L"'; 1"));
    ASSERT_TRUE(harness::WaitUntil([&] { return server.CookiesFor("/silent").size() > silentRequests; }, 10000));
    // (The remote control gives up on a page call after 10 s: ask until one is answered.)
    start = GetTickCount();
    EXPECT_TRUE(harness::WaitUntil([&] { return RemoteCall(pipe, L"eval " + second + L"\n1 + 1") == L"ok\n2"; },
                                   kFetchBoundMs + kMarginMs));
    EXPECT_LT(GetTickCount() - start, kFetchBoundMs + kMarginMs);

    // Closed as a user would, so it ends its renderer itself.
    HWND window = nullptr;
    for (HWND w = nullptr; !window && (w = FindWindowExW(nullptr, w, L"EngineHostWindow", nullptr));) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == host.Pid()) window = w;
    }
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(host.Wait(20000, &code));
}

TEST(EngineFailure, KillProcessMessageEndsTheRendererWithExitCodeZero) {
    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.WaitLoaded(L"about:blank"));
    DWORD pid = 0;
    for (auto& b : RemoteList(EngineTest::remotePipe()))
        if (b.id == s.browser->GetIdentifier()) pid = b.rendererPid;
    HANDLE renderer = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    ASSERT_TRUE(renderer);
    CefRefPtr<CefProcessMessage> kill = CefProcessMessage::Create(L"KillProcess");
    kill->GetArgumentList()->SetInt(0, 0);
    ASSERT_TRUE(s.browser->SendProcessMessage(PID_RENDERER, kill));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(renderer, 10000));
    DWORD code = 99;
    GetExitCodeProcess(renderer, &code);
    CloseHandle(renderer);
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(s.client->WaitForKind(L"Terminated", L""));
}

namespace {
// The smallest drag: no data, and the drag ends after a few polls.
class NoData : public IDataObject {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDataObject) { *out = this; return S_OK; }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};
class ShortDrag : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropSource) { *out = this; return S_OK; }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
        return ++polls_ < 20 ? S_OK : DRAGDROP_S_CANCEL;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int polls_ = 0;
};

DWORD DragOver(HWND target, DWORD allowed) {
    RECT rc;
    GetWindowRect(target, &rc);
    SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    NoData data;
    ShortDrag source;
    DWORD effect = 0;
    DoDragDrop(&data, &source, allowed, &effect);
    return effect;
}
}  // namespace

TEST(EngineDrag, DragEnterArrivesOnTheUiThreadWithTheAllowedOperations) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.WaitLoaded(L"about:blank"));
    HWND hwnd = s.browser->GetHost()->GetWindowHandle();
    SetForegroundWindow(EngineTest::host());
    DragOver(hwnd, DROPEFFECT_COPY | DROPEFFECT_LINK);
    Event drag;
    ASSERT_TRUE(s.client->WaitForKind(L"DragEnter", L"", &drag, 5000));
    EXPECT_TRUE(drag.onUi);
    EXPECT_EQ(DRAG_OPERATION_COPY | DRAG_OPERATION_LINK, drag.n);
    OleUninitialize();
}

TEST(EngineThreads, TasksRunWhileAMenuIsOpenOnTheUiThread) {
    BrowserScope s(L"about:blank");
    ASSERT_TRUE(s.WaitLoaded(L"about:blank"));
    s.client->keepMenu = true;
    HWND hwnd = s.browser->GetHost()->GetWindowHandle();
    PostMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(60, 60));
    ASSERT_TRUE(s.client->WaitForKind(L"ContextMenu", L""));
    EngineTest::Pump(200);  // the menu is up now
    // This task can only run inside the menu's own loop, and closes the menu.
    auto ran = std::make_shared<std::atomic<bool>>(false);
    ASSERT_TRUE(CefPostTask(TID_UI, CefCreateClosureTask([ran] {
        *ran = true;
        EndMenu();
    })));
    bool ranInMenu = EngineTest::WaitPumping([&] { return ran->load(); }, 5000);
    EXPECT_TRUE(ranInMenu);
    if (!ranInMenu) PostMessageW(hwnd, WM_CANCELMODE, 0, 0);  // ends the menu all the same
    // And the UI thread is free again afterwards.
    auto after = std::make_shared<std::atomic<bool>>(false);
    CefPostTask(TID_UI, CefCreateClosureTask([after] { *after = true; }));
    EXPECT_TRUE(EngineTest::WaitPumping([&] { return after->load(); }, 5000));
}

TEST(EngineBrowser, CallsInsideCallbacksWork) {
    std::wstring first = Page(L"first.html", "<html><head><title>First</title></head></html>");
    std::wstring second = Page(L"second.html", "<html><head><title>Second</title></head></html>");
    CefRefPtr<Recorder> client = new Recorder();
    auto urlSeen = std::make_shared<std::wstring>();
    // Set before the browser exists; run on the engine UI thread inside OnLoadEnd.
    client->onLoadEnd = [first, second, urlSeen](CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
        if (frame->GetURL() != CefString(first)) return;
        *urlSeen = browser->GetMainFrame()->GetURL().ToWString();
        browser->GetMainFrame()->ExecuteJavaScript(L"document.title = 'changed in callback';", L"", 0);
        browser->GetMainFrame()->LoadURL(second);
    };
    CefRefPtr<CefBrowser> b = EngineTest::CreateBrowser(client, first);
    ASSERT_TRUE(b);
    EXPECT_TRUE(client->WaitForKind(L"Title", L"changed in callback"));
    EXPECT_TRUE(client->WaitFor([&](const Event& e) { return e.kind == L"LoadEnd" && e.a == second; }));
    EXPECT_EQ(first, *urlSeen);
    client->onLoadEnd = nullptr;
    b->GetHost()->CloseBrowser(true);
    client->WaitForKind(L"Closed", L"", nullptr, 5000);
}
