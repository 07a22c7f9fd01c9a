// The "Cef" control in a skin window with real pages: every page-script
// function and its argument encoding, frames, loads, errors, titles, popups,
// script from both threads, the wheel filter, resizing and early destruction.
#include "TinyServer.h"  // winsock2.h before windows.h

#include <Harness.h>
#include <LogWriter.h>

#include <atomic>

#include "BridgeFixture.h"
#include "FakeBrowser.h"
#include "JsCallMessage.h"
#include "JsFunctionNameSet.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

const char kMainHtml[] = "<html><head><title>\xE4\xB8\xBB\xE9\xA1\xB5</title></head><body>main</body></html>";

std::wstring BrowserLog() {
    return harness::Widen(harness::LogText(LogWriter::GetInstance()->LogFolder(), L"cef3_browser_tests"));
}
std::string RendererLog() { return harness::LogText(LogWriter::GetInstance()->LogFolder(), L"bridge_render"); }

class PageScript : public BridgeTest {
protected:
    void SetUp() override {
        url_ = Page(L"main.html", kMainHtml);
        OpenHost(url_);
        ASSERT_TRUE(WaitLoadEnd(url_));
    }
    std::wstring url_;
};

TEST_F(PageScript, EveryFunctionReachesHandleJSCallWithItsControl) {
    std::wstring script;
    int i = 0;
    for (const wchar_t* name : JsFunctionNameSet::Names()) {
        script += L"window.external." + std::wstring(name) + L"(" + std::to_wstring(i++) + L", 'x');";
    }
    std::vector<SlotCall> calls = RunAndCollect(script, 21);
    ASSERT_EQ(calls.size(), 21u);
    i = 0;
    for (const wchar_t* name : JsFunctionNameSet::Names()) {
        const SlotCall& c = calls[static_cast<size_t>(i)];
        EXPECT_EQ(c.text, name);
        EXPECT_EQ(c.control, host_->cef);
        ASSERT_TRUE(c.arguments);
        ASSERT_EQ(c.arguments->GetSize(), 2u);
        EXPECT_EQ(c.arguments->GetType(0), VTYPE_INT);
        EXPECT_EQ(c.arguments->GetInt(0), i);
        EXPECT_EQ(c.arguments->GetString(1).ToWString(), L"x");
        ++i;
    }
    EXPECT_TRUE(host_->cef->GetScriptRunFlag());
}

TEST_F(PageScript, CallsReturnUndefinedAndUnknownNamesAreNotFunctions) {
    std::vector<SlotCall> calls = RunAndCollect(
        L"var r = window.external.startGame(1);"
        L"window.external.openUrl(typeof r, window.external === window, typeof window.external.notThere,"
        L"  typeof window.closeLogin);"
        L"try { window.external.notThere(1); window.external.openUrl('no error'); }"
        L"catch (e) { window.external.openUrl('error', e instanceof TypeError); }",
        3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].text, L"startGame");
    CefRefPtr<CefListValue> a = calls[1].arguments;
    EXPECT_EQ(a->GetString(0).ToWString(), L"undefined");
    EXPECT_TRUE(a->GetBool(1));
    EXPECT_EQ(a->GetString(2).ToWString(), L"undefined");
    EXPECT_EQ(a->GetString(3).ToWString(), L"function");
    EXPECT_EQ(calls[2].arguments->GetString(0).ToWString(), L"error");
    EXPECT_TRUE(calls[2].arguments->GetBool(1));
}

TEST_F(PageScript, ScalarArgumentsAreEncodedByType) {
    std::vector<SlotCall> calls = RunAndCollect(
        L"window.external.openUrl('a', 1, 'b');"
        L"window.external.startGame(12, true);"
        L"window.external.startGame(1.5);"
        L"window.external.startGame();"
        L"window.external.loadGameDetail(2147483647, -2147483648, 2147483648, null, undefined, NaN, false);"
        L"window.external.openUrl('\u4E2D\u6587\u53C2\u6570', '\u6E38\u620F');",
        6);
    ASSERT_EQ(calls.size(), 6u);
    CefRefPtr<CefListValue> a = calls[0].arguments;
    ASSERT_EQ(a->GetSize(), 3u);
    EXPECT_EQ(a->GetType(0), VTYPE_STRING);
    EXPECT_EQ(a->GetType(1), VTYPE_INT);
    EXPECT_EQ(a->GetInt(1), 1);
    EXPECT_EQ(a->GetString(2).ToWString(), L"b");
    a = calls[1].arguments;
    ASSERT_EQ(a->GetSize(), 2u);
    EXPECT_EQ(a->GetInt(0), 12);
    EXPECT_EQ(a->GetType(1), VTYPE_BOOL);
    EXPECT_TRUE(a->GetBool(1));
    ASSERT_EQ(calls[2].arguments->GetSize(), 1u);
    EXPECT_EQ(calls[2].arguments->GetType(0), VTYPE_NULL);
    EXPECT_EQ(calls[3].arguments->GetSize(), 0u);
    a = calls[4].arguments;
    ASSERT_EQ(a->GetSize(), 7u);
    EXPECT_EQ(a->GetInt(0), 2147483647);
    EXPECT_EQ(a->GetInt(1), -2147483647 - 1);
    for (int i = 2; i < 6; ++i) EXPECT_EQ(a->GetType(i), VTYPE_NULL) << i;
    EXPECT_EQ(a->GetType(6), VTYPE_BOOL);
    EXPECT_EQ(calls[5].arguments->GetString(0).ToWString(), L"\u4E2D\u6587\u53C2\u6570");
    EXPECT_EQ(calls[5].arguments->GetString(1).ToWString(), L"\u6E38\u620F");
}

TEST_F(PageScript, ObjectsBecomeAGameDictionaryOnlyForAddMyGame) {
    std::vector<SlotCall> calls = RunAndCollect(
        L"window.external.addMyGame({pkgid: 7, game_name: '\u6E38\u620F', game_type: 2, game_icon_url: 'http://i/x.png'});"
        L"window.external.addMyGame({pkgid: 7, game_name: 'n'});"
        L"window.external.addMyGame({pkgid: {a: 1}, game_name: ['x'], game_type: '3', game_icon_url: 5});"
        L"var o = {pkgid: 9, game_name: 'loop'}; o.self = o; window.external.addMyGame(o, o);"
        L"window.external.addMyGame(function () {});"
        L"window.external.downloadGame({pkgid: 7}, [1, 2], function () {}, o);",
        6);
    ASSERT_EQ(calls.size(), 6u);
    CefRefPtr<CefDictionaryValue> d = calls[0].arguments->GetDictionary(0);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->GetSize(), 4u);
    EXPECT_EQ(d->GetInt(L"pkgid"), 7);
    EXPECT_EQ(d->GetString(L"game_name").ToWString(), L"\u6E38\u620F");
    EXPECT_EQ(d->GetInt(L"game_type"), 2);
    EXPECT_EQ(d->GetString(L"game_icon_url").ToWString(), L"http://i/x.png");
    d = calls[1].arguments->GetDictionary(0);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->GetType(L"game_type"), VTYPE_INT);
    EXPECT_EQ(d->GetInt(L"game_type"), 0);
    EXPECT_EQ(d->GetString(L"game_icon_url").ToWString(), L"");
    d = calls[2].arguments->GetDictionary(0);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->GetInt(L"pkgid"), 0);
    EXPECT_EQ(d->GetString(L"game_name").ToWString(), L"");
    EXPECT_EQ(d->GetInt(L"game_type"), 0);
    EXPECT_EQ(d->GetString(L"game_icon_url").ToWString(), L"");
    ASSERT_EQ(calls[3].arguments->GetSize(), 2u);
    EXPECT_EQ(calls[3].arguments->GetDictionary(1)->GetInt(L"pkgid"), 9);
    ASSERT_TRUE(calls[4].arguments->GetDictionary(0));
    EXPECT_EQ(calls[4].arguments->GetDictionary(0)->GetInt(L"pkgid"), 0);
    EXPECT_EQ(calls[5].text, L"downloadGame");
    ASSERT_EQ(calls[5].arguments->GetSize(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(calls[5].arguments->GetType(i), VTYPE_NULL) << i;
    EXPECT_TRUE(harness::WaitUntil([] {
        return RendererLog().find("ClientV8Handler.Execute unknown Object") != std::string::npos;
    }, 5000)) << RendererLog().substr(0, 2000);
}

TEST_F(PageScript, HugeAndMalformedInputIsBoundedNeverFatal) {
    std::vector<SlotCall> calls = RunAndCollect(
        L"var s = new Array(1048577).join('a'); var z = new Array(1048577).join('\u6E38');"
        L"window.external.openUrl(s, z);"
        L"window.external.openUrl(s, s, s, s, s);"  // more text than one call may carry: dropped
        L"var many = []; for (var i = 0; i < 10000; ++i) many.push(i);"
        L"window.external.startGame.apply(window.external, many);"  // too many arguments: dropped
        L"window.external.openUrl('a\\ud800b', '\\udc00', '\\ud83d\\ude00');"
        L"window.external.openUrl('after');",
        3, 60000);
    ASSERT_EQ(calls.size(), 3u);
    CefRefPtr<CefListValue> a = calls[0].arguments;
    EXPECT_EQ(a->GetString(0).length(), 1048576u);
    EXPECT_EQ(a->GetString(1).length(), 1048576u);
    EXPECT_EQ(a->GetString(1).ToWString().substr(0, 2), L"\u6E38\u6E38");
    a = calls[1].arguments;
    ASSERT_EQ(a->GetSize(), 3u);
    // Whatever the engine made of the surrogates, the owner gets well-formed text.
    for (int i = 0; i < 3; ++i) {
        const std::wstring text = a->GetString(i).ToWString();
        EXPECT_FALSE(text.empty()) << i;
        EXPECT_EQ(WellFormedUtf16(text), text) << i;
    }
    EXPECT_EQ(a->GetString(0).ToWString().front(), L'a');
    EXPECT_EQ(a->GetString(0).ToWString().back(), L'b');
    EXPECT_EQ(calls[2].arguments->GetString(0).ToWString(), L"after");
    Pump(300);
    EXPECT_EQ(JsCalls().size(), 3u);
    const std::string log = RendererLog();
    EXPECT_NE(log.find("dropped: 10000 arguments"), std::string::npos);
    EXPECT_NE(log.find("characters of text"), std::string::npos);
}

namespace {
size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}
}  // namespace

TEST_F(PageScript, ThrowingPropertiesCountAsMissingAndTheCallIsStillSent) {
    const size_t logged = CountOf(RendererLog(), "ClientV8Handler.Execute out");
    std::vector<SlotCall> calls = RunAndCollect(
        L"window.external.addMyGame(1, {get pkgid() { throw 1; }, game_name: 'g', game_type: 2});"
        L"window.external.addMyGame(new Proxy({}, {get: function () { throw new Error('trap'); },"
        L"                                          has: function () { throw new Error('trap'); }}));"
        L"window.external.openUrl('after');",
        3);
    ASSERT_EQ(calls.size(), 3u);
    CefRefPtr<CefDictionaryValue> d = calls[0].arguments->GetDictionary(1);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->GetInt(L"pkgid"), 0);
    EXPECT_EQ(d->GetString(L"game_name").ToWString(), L"g");
    EXPECT_EQ(d->GetInt(L"game_type"), 2);
    d = calls[1].arguments->GetDictionary(0);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->GetInt(L"pkgid"), 0);
    EXPECT_EQ(d->GetString(L"game_name").ToWString(), L"");
    EXPECT_EQ(calls[2].arguments->GetString(0).ToWString(), L"after");
    EXPECT_TRUE(harness::WaitUntil([&] { return CountOf(RendererLog(), "ClientV8Handler.Execute out") >= logged + 3; },
                                   5000));
}

TEST_F(PageScript, ScriptRunsFromInsideACallback) {
    rec_->onJsCall = [](const std::wstring& name, CCefCommonUI* control) {
        if (name == L"switchWebWindow") control->RunJs(L"window.external.closeModal('from-callback')");
    };
    std::vector<SlotCall> calls = RunAndCollect(L"window.external.switchWebWindow(1)", 2);
    rec_->onJsCall = nullptr;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, L"switchWebWindow");
    EXPECT_EQ(calls[1].text, L"closeModal");
    EXPECT_EQ(calls[1].arguments->GetString(0).ToWString(), L"from-callback");
}

TEST_F(BridgeTest, EveryFrameReportsItsLoadEndAndHasTheFunctions) {
    const std::wstring frame = Page(L"frame.html",
        "<html><body><script>window.external.openUrl('from-frame', window.external === window,"
        " typeof window.external.smallAccountstartGame)</script></body></html>");
    const std::wstring main = Page(L"frames.html",
        "<html><head><title>frames</title></head><body><iframe src=\"frame.html\"></iframe></body></html>");
    OpenHost(main);
    EXPECT_TRUE(WaitLoadEnd(main));
    EXPECT_TRUE(WaitLoadEnd(frame));
    SlotCall call;
    ASSERT_TRUE(WaitCall([](const SlotCall& c) { return c.slot == L"HandleJSCall"; }, &call));
    EXPECT_EQ(call.arguments->GetString(0).ToWString(), L"from-frame");
    EXPECT_TRUE(call.arguments->GetBool(1));
    EXPECT_EQ(call.arguments->GetString(2).ToWString(), L"function");
    EXPECT_EQ(call.control, host_->cef);
}

TEST_F(BridgeTest, StartsOnAboutBlankAndNavigate2SkipsTheSamePage) {
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(L"");
    ASSERT_TRUE(WaitLoadEnd(L"about:blank"));
    size_t mark = rec_->Count();
    host_->cef->Navigate2(main.c_str(), false);
    ASSERT_TRUE(WaitLoadEnd(main, mark));
    Pump(300);
    mark = rec_->Count();
    host_->cef->Navigate2(main.c_str(), false);
    Pump(1500);
    EXPECT_EQ(rec_->Count(), mark);
    host_->cef->Navigate2(main.c_str(), true);
    EXPECT_TRUE(WaitLoadEnd(main, mark));
}

TEST_F(BridgeTest, LoadErrorsAreLoggedAndThe404PageEnds) {
    TinyServer server;
    ASSERT_TRUE(server.Start());
    OpenHost(L"");
    ASSERT_TRUE(WaitLoadEnd(L"about:blank"));
    const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(TinyServer::ClosedPort()) + L"/x.html";
    host_->cef->Navigate2(refused.c_str(), true);
    EXPECT_TRUE(harness::WaitUntil([] {
        Pump(0);
        return BrowserLog().find(L"OnLoadError ") != std::wstring::npos;
    }, 15000));
    const std::wstring missing = server.Url(L"/missing");
    size_t mark = rec_->Count();
    host_->cef->Navigate2(missing.c_str(), true);
    EXPECT_TRUE(WaitLoadEnd(missing, mark));
    EXPECT_NE(BrowserLog().find(L"httpStatusCode=404 URL=" + missing), std::wstring::npos);
}

TEST_F(BridgeTest, TitlesNameTheBrowserWindow) {
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(main);
    auto title = [this] {
        wchar_t text[64] = {};
        GetWindowTextW(host_->cef->GetBrowserWindow(), text, 64);
        return std::wstring(text);
    };
    EXPECT_TRUE(PumpUntil([&] { return title() == L"\u4E3B\u9875"; }, 15000)) << harness::Narrow(title());
    host_->cef->RunJs(L"document.title = '\u65B0\u6807\u9898'");
    EXPECT_TRUE(PumpUntil([&] { return title() == L"\u65B0\u6807\u9898"; }, 15000)) << harness::Narrow(title());
}

BOOL CALLBACK CountVisibleOwnWindow(HWND hwnd, LPARAM p) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd)) ++*reinterpret_cast<int*>(p);
    return TRUE;
}

int CountTopLevelWindows() {
    int count = 0;
    EnumWindows(CountVisibleOwnWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(BridgeTest, PopupsAreRefusedAndHandedToTheOwner) {
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(main);
    ASSERT_TRUE(WaitLoadEnd(main));
    const int windows = CountTopLevelWindows();
    host_->cef->RunJs(L"window.open('http://127.0.0.1:9/popup.html', 'pop')");
    SlotCall call;
    ASSERT_TRUE(WaitCall([](const SlotCall& c) { return c.slot == L"OpenNewPopupWnd"; }, &call));
    EXPECT_EQ(call.text, L"http://127.0.0.1:9/popup.html");
    EXPECT_TRUE(call.paramsNull);
    Pump(500);
    EXPECT_EQ(CountTopLevelWindows(), windows);
}

TEST_F(BridgeTest, TheBrowserWindowFollowsTheControl) {
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(main, 640, 480);
    auto placed = [this] {
        HWND hwnd = host_->cef->GetBrowserWindow();
        RECT rc;
        if (!hwnd || !GetWindowRect(hwnd, &rc)) return false;
        MapWindowPoints(nullptr, host_->GetHWND(), reinterpret_cast<POINT*>(&rc), 2);
        const RECT& pos = host_->cef->GetPos();
        return EqualRect(&rc, &pos) && pos.top == 30 && pos.right > pos.left;
    };
    ASSERT_TRUE(PumpUntil(placed, 15000));
    const int widthBefore = host_->cef->GetWidth();
    SetWindowPos(host_->GetHWND(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(PumpUntil([&] { return placed() && host_->cef->GetWidth() > widthBefore; }, 15000));

    host_->cef->SetVisible(false);
    EXPECT_TRUE(PumpUntil([this] { return !IsWindowVisible(host_->cef->GetBrowserWindow()); }, 5000));
    host_->cef->SetVisible(true);
    EXPECT_TRUE(PumpUntil([this] { return IsWindowVisible(host_->cef->GetBrowserWindow()) != FALSE; }, 5000));

    // A hidden view hides the browser windows of the controls inside it.
    auto* view = static_cast<DuiLib::CContainerUI*>(host_->cef->GetParent());
    view->SetVisible(false);
    Pump(300);
    EXPECT_FALSE(IsWindowVisible(host_->cef->GetBrowserWindow()));
    view->SetVisible(true);
    EXPECT_TRUE(PumpUntil([this] { return IsWindowVisible(host_->cef->GetBrowserWindow()) != FALSE; }, 5000));
}

namespace {
BOOL CALLBACK CountBrowserWindow(HWND child, LPARAM count) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (wcscmp(name, L"CefBrowserWindow") == 0) ++*reinterpret_cast<int*>(count);
    return TRUE;
}
int BrowserWindowsOf(HWND parent) {
    int n = 0;
    EnumChildWindows(parent, &CountBrowserWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}
}  // namespace

TEST_F(BridgeTest, BrowserMadeForAControlGoneDuringItsCreationIsClosed) {
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(main);
    ASSERT_TRUE(WaitLoadEnd(main));
    const HWND window = host_->GetHWND();
    ASSERT_EQ(1, BrowserWindowsOf(window));
    // Hold the engine's UI thread, so the next creation waits behind it.
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CefPostTask(TID_UI, CefCreateClosureTask([=] {
        SetEvent(held);
        WaitForSingleObject(release, 15000);
    }));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 15000));
    auto* view = static_cast<DuiLib::CContainerUI*>(host_->cef->GetParent());
    auto* doomed = new CCefCommonUI(host_->cef->GetManager(), host_);
    ASSERT_TRUE(view->Add(doomed));  // DoInit: the creation is posted and waits
    ASSERT_TRUE(view->Remove(doomed, true));
    delete doomed;
    // The creation runs once released; a task after it marks that it has.
    CefPostTask(TID_UI, CefCreateClosureTask([=] { SetEvent(created); }));
    SetEvent(release);
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(created, 0) == WAIT_OBJECT_0; }, 15000));
    EXPECT_TRUE(PumpUntil([&] { return BrowserWindowsOf(window) == 1; }, 10000))
        << "the browser made for the gone control was left open";
    for (HANDLE h : {held, release, created}) CloseHandle(h);
}

TEST_F(BridgeTest, WheelOverTheVisibleControlGoesToTheBrowser) {
    OpenHost(Page(L"main.html", kMainHtml));
    auto wheelAt = [this](int x, int y) {
        POINT pt = {x, y};
        ClientToScreen(host_->GetHWND(), &pt);
        bool handled = false;
        host_->cef->MessageHandler(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)),
                                   MAKELPARAM(pt.x, pt.y), handled);
        return handled;
    };
    PumpUntil([this] { return host_->cef->GetPos().bottom > 30; }, 5000);
    const RECT pos = host_->cef->GetPos();
    EXPECT_TRUE(wheelAt((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2));
    EXPECT_FALSE(wheelAt(pos.left + 5, 10));  // over the label above the control
    host_->cef->SetVisible(false);
    EXPECT_FALSE(wheelAt((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2));
    host_->cef->SetVisible(true);
}

TEST_F(BridgeTest, ControlRemovedWhileItsSlotSendsToTheWindowThread) {
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(main);
    ASSERT_TRUE(WaitLoadEnd(main));
    // A window of this (the window) thread that the busy slot sends to.
    HWND target = CreateWindowExW(0, L"STATIC", L"target", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, target);
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> answered{-1};
    rec_->onJsCall = [&](const std::wstring&, CCefCommonUI*) {
        SetEvent(entered);
        DWORD_PTR length = 0;
        answered = SendMessageTimeoutW(target, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 8000, &length) != 0 &&
                   length == 6;
    };
    host_->cef->RunJs(L"window.external.openUrl('busy')");
    // Not pumping: the slot's message waits for this thread.
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered, 15000));
    // The window removes the control while its slot is inside the owner.
    CCefCommonUI* control = host_->cef;
    host_->cef = nullptr;
    auto* layout = static_cast<DuiLib::CContainerUI*>(control->GetParent());
    ASSERT_TRUE(layout->Remove(control, true));
    const ULONGLONG start = GetTickCount64();
    delete control;
    EXPECT_LT(GetTickCount64() - start, 4000u) << "the window thread waited for the slot's time-out";
    EXPECT_EQ(1, answered.load()) << "the slot's message was not served";
    rec_->onJsCall = nullptr;
    CloseHandle(entered);
    DestroyWindow(target);
}

TEST_F(BridgeTest, ControlDestroyedWhileItsPageLoads) {
    TinyServer server;
    ASSERT_TRUE(server.Start());
    OpenHost(server.Url(L"/slow"));
    std::shared_ptr<RecordingOwner> rec = rec_;
    // What the engine reported while the control lived (its title, say) may
    // arrive until it is destroyed; only the calls after that count.
    CloseHost();
    const size_t mark = rec->Count();
    // The slow answer arrives after the control and its window are gone.
    Pump(3500);
    EXPECT_EQ(rec->Count(), mark);

    // Destroyed before its browser even exists.
    host_ = new TestHostWnd(Page(L"main.html", kMainHtml));
    rec_ = host_->rec;
    ASSERT_TRUE(host_->Open());
    CloseHost();
    Pump(1000);

    // The engine goes on serving new controls.
    const std::wstring main = Page(L"main.html", kMainHtml);
    OpenHost(main);
    EXPECT_TRUE(WaitLoadEnd(main));
}

}  // namespace

namespace {

// A control whose browser is a recording fake, on the host's paint manager.
class FakeBrowserControl : public CCefCommonUI {
public:
    explicit FakeBrowserControl(DuiLib::CPaintManagerUI* manager) : CCefCommonUI(manager, nullptr) {
        m_browser->Store(browser.get(), nullptr);
    }
    CefRefPtr<FakeBrowser> browser = new FakeBrowser();
};

void SetKeys(bool shift) {
    BYTE keys[256] = {};
    if (shift) keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys);
}

TEST_F(BridgeTest, WheelEventCarriesPositionModifiersAndDirection) {
    OpenHost(L"");
    FakeBrowserControl control(host_->GetPaintManager());
    control.SetPos(RECT{100, 50, 300, 250});
    POINT pt = {130, 90};
    ClientToScreen(host_->GetHWND(), &pt);
    const LPARAM where = MAKELPARAM(pt.x, pt.y);
    FakeHost* fake = control.browser->host.get();
    bool handled = false;

    SetKeys(false);
    control.MessageHandler(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL | MK_LBUTTON, 120), where, handled);
    EXPECT_TRUE(handled);
    SetKeys(true);
    handled = false;
    control.MessageHandler(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT | MK_RBUTTON, static_cast<WORD>(-240)), where, handled);
    EXPECT_TRUE(handled);
    SetKeys(false);
    ASSERT_EQ(fake->wheels.size(), 2u);
    EXPECT_EQ(fake->wheels[0].event.x, 30);
    EXPECT_EQ(fake->wheels[0].event.y, 40);
    EXPECT_EQ(fake->wheels[0].event.modifiers, static_cast<uint32_t>(EVENTFLAG_CONTROL_DOWN | EVENTFLAG_LEFT_MOUSE_BUTTON));
    EXPECT_EQ(fake->wheels[0].deltaX, 0);
    EXPECT_EQ(fake->wheels[0].deltaY, 120);
    EXPECT_EQ(fake->wheels[1].event.modifiers, static_cast<uint32_t>(EVENTFLAG_SHIFT_DOWN | EVENTFLAG_RIGHT_MOUSE_BUTTON));
    EXPECT_EQ(fake->wheels[1].deltaX, -240);
    EXPECT_EQ(fake->wheels[1].deltaY, 0);

    handled = false;
    control.MessageHandler(WM_CEF_OSR_INVALIDATE, 0, 0, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(fake->invalidations, 1);
    control.CloseBrowser(true);
    EXPECT_EQ(fake->closes, 1);
    EXPECT_FALSE(control.GetBrowser());
}

}  // namespace
