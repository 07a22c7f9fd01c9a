// Corrinweb.exe as the launcher runs it, under Wine + Xvfb against the local
// back-end over https: hand-over intake, tabs, titles, the account cookie,
// show, hide and close, one instance, popups and the page surface.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include <DuiLib/UIDefine.h>

#include "GameFrameMessages.h"
#include "HandOverFile.h"
#include "HandOverProtocol.h"
#include "Harness.h"
#include "PlayerFixture.h"
#include "WindowTool.h"

namespace {

const wchar_t kGame[] = L"/webgame/game.html";
const wchar_t kServerParam[] = L"&serverName=一区&serverIdx=1&gid=7";

bool AllWidths(const std::vector<PlayerTab>& tabs, size_t count, int width) {
    return tabs.size() == count &&
           std::all_of(tabs.begin(), tabs.end(), [&](const PlayerTab& t) { return t.pos.right - t.pos.left == width; });
}

int SelectedIndex(const std::vector<PlayerTab>& tabs) {
    for (size_t i = 0; i < tabs.size(); ++i)
        if (tabs[i].selected) return static_cast<int>(i);
    return -1;
}

struct TitleSearch {
    std::wstring title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<TitleSearch*>(data);
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    if (search->title == text) search->found = child;
    return search->found == nullptr;
}

// The child window of the frame whose text (the page title) is title.
HWND BrowserWindowTitled(HWND frame, const std::wstring& title) {
    TitleSearch search = {title, nullptr};
    EnumChildWindows(frame, &MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A process watched from before it may end (an ended process cannot be opened any more).
class WatchedProcess {
public:
    explicit WatchedProcess(DWORD pid) : handle_(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {}
    ~WatchedProcess() {
        if (handle_) CloseHandle(handle_);
    }
    WatchedProcess(const WatchedProcess&) = delete;
    WatchedProcess& operator=(const WatchedProcess&) = delete;
    bool Exited(DWORD timeoutMs, DWORD* exitCode) const {
        return handle_ && WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(handle_, exitCode);
    }

private:
    HANDLE handle_;
};

bool ProcessRunning(const wchar_t* exeName) {
    bool found = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return found;
}

void KeepScreenshot(HWND frame, const std::wstring& name) {
    SetForegroundWindow(frame);
    Sleep(300);
    EXPECT_TRUE(harness::SaveWindowScreenshot(frame, name));
}

// 1. Cold start by command line: one frame, the request, token and user
// files taken as the launcher wrote them, the account cookie on the tab's
// first request.
TEST_F(PlayerTest, ColdStartTakesTheHandOverFiles) {
    const std::wstring missingHead = dir_ + L"\\no-such-head.png";
    ASSERT_TRUE(launcher_->WriteUserFile(L"一上业", &missingHead));
    launcher_->SetToken(L"tok-A");
    HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();

    // The report comes once the window is up, centred.
    ASSERT_TRUE(harness::WaitUntil([&] { return launcher_->ReportedFrame() == frame; }, kWaitMs));
    EXPECT_EQ(1, launcher_->ReportCount());
    RECT rect = {};
    GetWindowRect(frame, &rect);
    EXPECT_EQ(990, rect.right - rect.left);
    EXPECT_EQ(690, rect.bottom - rect.top);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(frame, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_NEAR((monitor.rcWork.left + monitor.rcWork.right) / 2, (rect.left + rect.right) / 2, 2);
    EXPECT_NEAR((monitor.rcWork.top + monitor.rcWork.bottom) / 2, (rect.top + rect.bottom) / 2, 2);

    // The page loaded with the token as its account cookie.
    ASSERT_TRUE(harness::WaitUntil([&] { return !Gets("/webgame/game.html").empty(); }, kWaitMs)) << LogText();
    EXPECT_EQ("_bp_ff_=tok-A", Gets("/webgame/game.html")[0].Header("Cookie"));
    ASSERT_TRUE(WaitLog(L"OnTitleChange, browser=1, title=星海征途")) << LogText();
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 1 && t[0].text == L"一区"; }))
        << LogText();
    // Request and token files are gone, the user file stays.
    EXPECT_FALSE(harness::FileExists(Temp(L"0.txt")));
    EXPECT_FALSE(harness::FileExists(Temp(L"10001.txt")));
    EXPECT_TRUE(harness::FileExists(Temp(L"10002.txt")));
    // "业" (U+4E1A) holds a 0x1A byte and "上" (U+4E0A) a 0x0A byte.
    auto tree = Tree(frame);
    const DuiLib::SkinSeamControl* nick = FindControl(tree, L"user_nick");
    ASSERT_NE(nullptr, nick);
    EXPECT_EQ(L"一上业", nick->text);
    EXPECT_TRUE(LogHas(L"UserImage=" + missingHead));
    // No parameter-less tab: the small-account buttons are enabled.
    EXPECT_TRUE(FindControl(tree, L"small_account")->enabled);
    Sleep(300);
    EXPECT_EQ(L"一区", Tabs(frame)[0].text) << "the server name stays whatever the page says";
    KeepScreenshot(frame, L"webgame_frame_one_tab");

    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(WaitPlayerExit(kWaitMs, &code)) << LogText();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    EXPECT_EQ(L"0", IniValue(L"WebGame", L"exit"));
}

// 2. A second request by 6026: its tab is selected and follows the page's
// title; clicking the first tab shows its browser and hides the second's.
TEST_F(PlayerTest, NewRequestOpensASelectedTabThatFollowsThePageTitle) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(L"/webgame/game.html?one"), kServerParam);
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(WaitBrowserCount(1));
    // A request brings a minimised frame back.
    PostMessageW(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsIconic(frame) != FALSE; }, kWaitMs));
    ASSERT_EQ(1, launcher_->HandOver(GameUrl(L"/webgame/game.html?two"), L""));
    EXPECT_TRUE(harness::WaitUntil([&] { return IsIconic(frame) == FALSE; }, kWaitMs));
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) {
        return t.size() == 2 && t[1].selected && !t[0].selected && t[1].text == L"星海征途";
    })) << LogText();
    EXPECT_FALSE(harness::FileExists(Temp(L"1.txt")));
    ASSERT_TRUE(WaitBrowserCount(2));
    std::vector<RemoteBrowser> browsers = Browsers();
    EXPECT_EQ(L"tab two", Eval(browsers[1].id, L"document.title = 'tab two'"));
    EXPECT_EQ(L"tab one", Eval(browsers[0].id, L"document.title = 'tab one'"));
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) {
        return t.size() == 2 && t[1].text == L"tab two" && t[0].text == L"一区";
    })) << LogText();
    // A title is only text: quotes and attribute-like parts stay as they are.
    const std::wstring quoted = L"say \"hi\" text=\"x\" name=\"closebtn\"";
    Eval(browsers[1].id, L"document.title = 'say \"hi\" text=\"x\" name=\"closebtn\"'");
    ASSERT_TRUE(WaitTabs(frame, [&](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[1].text == quoted; }))
        << LogText();
    Eval(browsers[1].id, L"document.title = 'tab two'");
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[1].text == L"tab two"; }));
    auto tree = Tree(frame);
    EXPECT_FALSE(FindControl(tree, L"small_account")->enabled);
    EXPECT_FALSE(FindControl(tree, L"manage_account")->enabled);
    HWND one = BrowserWindowTitled(frame, L"tab one");
    HWND two = BrowserWindowTitled(frame, L"tab two");
    ASSERT_TRUE(one && two);
    EXPECT_FALSE(IsWindowVisible(one));
    EXPECT_TRUE(IsWindowVisible(two));
    KeepScreenshot(frame, L"webgame_frame_two_tabs");

    ClickAt(frame, Tabs(frame)[0].pos);
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[0].selected; }));
    ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(one) && !IsWindowVisible(two); }, kWaitMs));
    {
        const auto tree = Tree(frame);
        const DuiLib::SkinSeamControl* button = FindControl(tree, L"small_account");
        ASSERT_NE(nullptr, button) << LogText();
        EXPECT_TRUE(button->enabled);
    }
}

// 3. Widths: 190 up to three tabs, 150 with four, 60 with twelve, and 190
// again once closing brings them back to three.
TEST_F(PlayerTest, TabWidthsFollowTheTabCount) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    for (int n = 2; n <= 12; ++n) {
        ASSERT_EQ(n - 1, launcher_->HandOver(GameUrl(kGame), L""));
        ASSERT_TRUE(WaitTabs(frame, [&](const std::vector<PlayerTab>& t) { return t.size() == static_cast<size_t>(n); }))
            << n << " tabs\n" << LogText();
        if (n == 3) {
            EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return AllWidths(t, 3, 190); }));
        } else if (n == 4) {
            EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return AllWidths(t, 4, 150); }));
        }
    }
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return AllWidths(t, 12, 60); }));
    EXPECT_EQ(11, SelectedIndex(Tabs(frame)));
    KeepScreenshot(frame, L"webgame_frame_twelve_tabs");
    // The first tab's close button (twelve tabs of 60 are wider than the strip).
    for (size_t n = 12; n > 3; --n) {
        ClickAt(frame, Tabs(frame).front().closePos);
        // Rebuilt headers have their places once the frame has laid them out.
        ASSERT_TRUE(WaitTabs(frame, [&](const std::vector<PlayerTab>& t) {
            return t.size() == n - 1 && t.front().closePos.right > t.front().closePos.left;
        })) << n - 1 << " tabs\n" << LogText();
    }
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return AllWidths(t, 3, 190); }));
    EXPECT_TRUE(WaitBrowserCount(3));
}

// 4. Closing: the selected middle tab gives way to the one before it, its
// renderer ends with exit code 0 and the others still run; closing a hidden
// tab leaves the shown one running.
TEST_F(PlayerTest, ClosingATabEndsItsOwnRendererOnly) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(L"/webgame/game.html?a"), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_EQ(1, launcher_->HandOver(GameUrl(L"/webgame/game.html?b"), L""));
    ASSERT_EQ(2, launcher_->HandOver(GameUrl(L"/webgame/game.html?c"), L""));
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 3; }));
    std::vector<RemoteBrowser> browsers;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            browsers = Browsers();
            return browsers.size() == 3 && std::all_of(browsers.begin(), browsers.end(),
                                                       [](const RemoteBrowser& b) { return b.rendererPid != 0; });
        },
        kWaitMs));
    ASSERT_TRUE(browsers[0].rendererPid != browsers[1].rendererPid && browsers[1].rendererPid != browsers[2].rendererPid)
        << "every tab has a renderer of its own";
    WatchedProcess rendererA(browsers[0].rendererPid), rendererB(browsers[1].rendererPid),
        rendererC(browsers[2].rendererPid);

    ClickAt(frame, Tabs(frame)[1].pos);
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return SelectedIndex(t) == 1; }));
    ClickAt(frame, Tabs(frame)[1].closePos);
    DWORD code = 1;
    ASSERT_TRUE(rendererB.Exited(kWaitMs, &code)) << LogText();
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[0].selected; }));
    EXPECT_EQ(L"2", Eval(browsers[0].id, L"1 + 1"));
    EXPECT_EQ(L"2", Eval(browsers[2].id, L"1 + 1"));

    // Tab a is shown; closing the hidden tab c ends c's renderer, not a's.
    ClickAt(frame, Tabs(frame)[1].closePos);
    ASSERT_TRUE(rendererC.Exited(kWaitMs, &code)) << LogText();
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 1 && t[0].selected; }));
    EXPECT_EQ(L"2", Eval(browsers[0].id, L"1 + 1"));
    EXPECT_FALSE(rendererA.Exited(0, &code));
    EXPECT_TRUE(WaitBrowserCount(1));
}

// 5. Another account's hand-over: the new tab's first request carries the
// new token; with the same account the token file stays where it was.
TEST_F(PlayerTest, AccountChangeGivesTheNextTabTheNewToken) {
    ASSERT_TRUE(launcher_->WriteUserFile(L"甲"));
    launcher_->SetToken(L"tok-A");
    HWND frame = HandOverAndWaitForFrame(GameUrl(L"/webgame/game.html?first"), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return Gets("/webgame/game.html").size() == 1; }, kWaitMs));

    // The same account: the player leaves the token file alone.
    ASSERT_EQ(1, launcher_->HandOver(GameUrl(L"/webgame/game.html?same"), L""));
    ASSERT_TRUE(harness::WaitUntil([&] { return Gets("/webgame/game.html").size() == 2; }, kWaitMs));
    EXPECT_TRUE(harness::FileExists(Temp(L"10001.txt")));
    EXPECT_EQ("_bp_ff_=tok-A", Gets("/webgame/game.html")[1].Header("Cookie"));

    ASSERT_TRUE(launcher_->WriteUserFile(L"乙"));
    launcher_->SetToken(L"tok-B");
    ASSERT_EQ(2, launcher_->HandOver(GameUrl(L"/webgame/game.html?second"), L""));
    ASSERT_TRUE(harness::WaitUntil([&] { return Gets("/webgame/game.html").size() == 3; }, kWaitMs)) << LogText();
    backend::RecordedRequest third = Gets("/webgame/game.html")[2];
    EXPECT_EQ("second", third.query);
    EXPECT_EQ("_bp_ff_=tok-B", third.Header("Cookie"));
    EXPECT_FALSE(harness::FileExists(Temp(L"10001.txt")));
    {
        const auto tree = Tree(frame);
        const DuiLib::SkinSeamControl* nick = FindControl(tree, L"user_nick");
        ASSERT_NE(nullptr, nick) << LogText();
        EXPECT_EQ(L"乙", nick->text);
    }
}

// The Cookie header of the GET whose query is query; false without such a GET.
bool CookieOfGet(const std::vector<backend::RecordedRequest>& gets, const std::string& query, std::string* cookie) {
    for (const backend::RecordedRequest& get : gets) {
        if (get.query != query) continue;
        *cookie = get.Header("Cookie");
        return true;
    }
    return false;
}

// A window of the test's own thread that notes a WM_CLOSE (its messages are
// pumped while the test waits).
LRESULT CALLBACK NoteClose(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        SetPropW(window, L"closed", reinterpret_cast<HANDLE>(1));
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

bool PumpUntilClosed(HWND window) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return GetPropW(window, L"closed") != nullptr;
}

// The account cookie outlives a player only when the launcher says so
// ("QXOrvCookie=" on the command line); without it a start drops it before
// the window exists. Message 5026 drops it and closes the window it names,
// when that is a window of the player: another program's window is left alone.
TEST_F(PlayerTest, AccountCookieStaysOnlyWithTheLaunchersWord) {
    launcher_->SetToken(L"tok-A");
    HWND frame = HandOverAndWaitForFrame(GameUrl(L"/webgame/game.html?first"), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return CookieStoreHasAccountCookie(); }, kWaitMs));
    // Each start below takes no token file; ending a player without its
    // close sequence leaves the cookie in the store.
    harness::ChildProcess kept, dropped;
    auto restart = [&](harness::ChildProcess& player, const std::string& query, const std::wstring& extra,
                       std::string* sentCookie) -> HWND {
        harness::KillProcessesUnder(dir_);
        if (!harness::WaitUntil([] { return FakeLauncher::FindPlayer() == nullptr; }, kWaitMs)) return nullptr;
        EXPECT_TRUE(CookieStoreHasAccountCookie());
        const unsigned request =
            launcher_->WriteRequest(GameUrl(L"/webgame/game.html?" + harness::Widen(query)) + kParamMarker);
        if (!player.Start(dir_ + L"\\Corrinweb.exe", L"--url=" + std::to_wstring(request) + extra)) return nullptr;
        HWND started = WaitForFrame();
        if (started) TrackPlayer(started);
        std::string cookie;
        if (!harness::WaitUntil([&] { return CookieOfGet(Gets("/webgame/game.html"), query, &cookie); }, kWaitMs))
            return nullptr;
        *sentCookie = cookie;
        return started;
    };

    std::string cookie;
    frame = restart(kept, "kept", L" QXOrvCookie=tok-A", &cookie);
    ASSERT_NE(nullptr, frame) << LogText();
    EXPECT_EQ("_bp_ff_=tok-A", cookie);

    frame = restart(dropped, "dropped", L"", &cookie);
    ASSERT_NE(nullptr, frame) << LogText();
    EXPECT_EQ(std::string::npos, cookie.find("tok-A")) << cookie;
    // Without a token file the cookie is set empty.
    const std::wstring setEmpty = L"set cookie rv=true key=_bp_ff_ v=";
    std::vector<std::wstring> log = PlayerLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::wstring& line) {
        return line.size() >= setEmpty.size() && line.compare(line.size() - setEmpty.size(), setEmpty.size(), setEmpty) == 0;
    })) << LogText();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = &NoteClose;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PlayerTestCloseTarget";
    RegisterClassW(&wc);
    HWND target = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(nullptr, target);
    PostMessageW(frame, WM_CLOSE_CEF_WND, reinterpret_cast<WPARAM>(target), 0);
    ASSERT_TRUE(WaitLog(L"[Warning]|CMainWnd WM_CLOSE_CEF_WND (5026): 0x")) << LogText();
    EXPECT_TRUE(LogHas(L"is no window of the player, ignored"));
    EXPECT_FALSE(PumpUntilClosed(target)) << "a window of another program is not closed";
    EXPECT_TRUE(CookieStoreHasAccountCookie());
    // The frame is a window of the player; its WM_CLOSE of wParam 0 closes nothing.
    PostMessageW(frame, WM_CLOSE_CEF_WND, reinterpret_cast<WPARAM>(frame), 0);
    EXPECT_TRUE(WaitLog(L"CMainWnd::OnClose 0")) << LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return !CookieStoreHasAccountCookie(); }, kWaitMs));
    EXPECT_TRUE(IsWindow(frame));
    DestroyWindow(target);
}

// Another program posting the frame's own message numbers with numbers of
// its own: nothing is taken for a pointer, each is logged as naming nothing,
// the player goes on and its own pages, titles and menus still work.
TEST_F(PlayerTest, MessagesOfOtherProgramsNamingNothingAreLoggedAndIgnored) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(WaitBrowserCount(1));
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) {
        return t.size() == 1 && t[0].text == L"星海征途";
    })) << LogText();
    // A window handle prints with the width of a pointer.
    wchar_t noWindow[96];
    swprintf(noWindow, _countof(noWindow), L"[Warning]|CMainWnd WM_CLOSE_CEF_WND (5026): 0x%p is no window of the player",
             reinterpret_cast<void*>(0x1234));
    const struct {
        UINT message;
        WPARAM wParam;
        const wchar_t* warning;
    } posts[] = {
        {WM_OPEN_PENDING_PAGE, 1, L"[Warning]|CMainWnd WM_OPEN_PENDING_PAGE (5025): no payload waiting, ignored"},
        {WM_OPEN_PENDING_PAGE, 0x1234, L"[Warning]|CMainWnd WM_OPEN_PENDING_PAGE (5025): no payload waiting, ignored"},
        {WM_CEF_TITLE_CHANGED, 0x1234,
         L"[Warning]|CMainWnd WM_CEF_TITLE_CHANGED (5027): unknown payload key 0x1234, ignored"},
        {UIMSG_MENUCLICK, 0x1234, L"[Warning]|CMainWnd menu click (1145): 0x1234 is no record of a menu, ignored"},
        {WM_CLOSE_CEF_WND, 0x1234, noWindow},
    };
    auto count = [&](const std::wstring& text) {
        std::vector<std::wstring> log = PlayerLog();
        return std::count_if(log.begin(), log.end(),
                             [&](const std::wstring& line) { return line.find(text) != std::wstring::npos; });
    };
    for (const auto& post : posts) {
        SCOPED_TRACE(post.warning);
        const auto before = count(post.warning);
        ASSERT_TRUE(PostMessageW(frame, post.message, post.wParam, 0));
        EXPECT_TRUE(harness::WaitUntil([&] { return count(post.warning) == before + 1; }, kWaitMs)) << LogText();
        EXPECT_TRUE(harness::WindowAnswers(frame, 5000)) << "the frame's thread goes on";
    }
    DWORD code = 0;
    EXPECT_FALSE(WaitPlayerExit(0, &code)) << "the player still runs";
    EXPECT_FALSE(harness::FileExists(dir_ + L"\\Dump")) << "no crash dump";
    EXPECT_EQ(1u, Tabs(frame).size()) << "no page was opened";

    // The player's own messages still carry their payloads.
    Eval(Browsers()[0].id, L"document.title = 'still here'");
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) {
        return t.size() == 1 && t[0].text == L"still here";
    })) << LogText();
    ClickControl(frame, L"Customer_service");
    ASSERT_TRUE(harness::WaitUntil([&] { return !Gets("/front/sso/vanta/faq").empty(); }, kWaitMs)) << LogText();
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[1].selected; }));
}

// 6. Show and hide; a foreign WM_CLOSE changes nothing; 6027, the system
// close, the close button and a close inside a move loop end the player
// cleanly, also while pages keep changing their titles.
TEST_F(PlayerTest, ShowHideAndEveryCloseEndCleanly) {
    struct Close {
        const wchar_t* name;
        const wchar_t* page;
        void (*send)(HWND);
    };
    const Close closes[] = {
        {L"logout", kGame, [](HWND f) { PostMessageW(f, WM_NOTIFY_USER_LOGOUT, 0, 0); }},
        {L"system close", kGame, [](HWND f) { PostMessageW(f, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {L"close button", kGame, [](HWND f) { DuiLib::SkinSeamClick(f, L"closebtn", 10000); }},
        {L"logout while titles change", L"/webgame/busy.html",
         [](HWND f) { PostMessageW(f, WM_NOTIFY_USER_LOGOUT, 0, 0); }},
        {L"logout inside a move loop", kGame,
         [](HWND f) {
             PostMessageW(f, WM_SYSCOMMAND, SC_MOVE, 0);
             Sleep(500);
             PostMessageW(f, WM_NOTIFY_USER_LOGOUT, 0, 0);
         }},
    };
    int round = 0;
    for (const Close& close : closes) {
        SCOPED_TRACE(close.name);
        WriteIni("SCreenID=" + std::to_string(7 + round) + "\r\n");
        launcher_->SetToken(L"tok-" + std::to_wstring(round));
        HWND frame = HandOverAndWaitForFrame(GameUrl(close.page), L"");
        ASSERT_NE(nullptr, frame) << LogText();
        ASSERT_TRUE(WaitBrowserCount(1));
        ASSERT_TRUE(harness::WaitUntil([&] { return CookieStoreHasAccountCookie(); }, kWaitMs));
        if (round == 0) {
            PostMessageW(frame, WM_NOTIFY_SHOW_GAMEFRAME, 1, 0);
            ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindowVisible(frame); }, kWaitMs));
            PostMessageW(frame, WM_NOTIFY_SHOW_GAMEFRAME, 2, 0);
            PostMessageW(frame, WM_CLOSE, 0, 0);
            Sleep(500);
            EXPECT_FALSE(IsWindowVisible(frame));
            PostMessageW(frame, WM_NOTIFY_SHOW_GAMEFRAME, 0, 0);
            ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(frame) != FALSE; }, kWaitMs));
            EXPECT_TRUE(IsWindow(frame)) << "a WM_CLOSE of another program does not close the frame";
            EXPECT_TRUE(WaitLog(L"CMainWnd::OnClose 0"));
        }
        close.send(frame);
        DWORD code = 1;
        ASSERT_TRUE(WaitPlayerExit(kWaitMs, &code)) << LogText();
        EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
        EXPECT_FALSE(CookieStoreHasAccountCookie());
        EXPECT_EQ(std::to_wstring(7 + round), IniValue(L"WebGame", L"SCreenID"));
        EXPECT_EQ(L"0", IniValue(L"WebGame", L"exit"));
        EXPECT_FALSE(harness::FileExists(dir_ + L"\\Dump")) << "no crash dump";
        EXPECT_TRUE(LogHas(L"[Debug]|CMainWnd::OnFinalMessage() out"));
        ++round;
    }
    EXPECT_TRUE(LogHas(L"during a modal run: ending the run first")) << LogText();
}

// The window thread of another process held still until the object goes
// (or Release): its windows exist and take posts, but nothing is handled.
class HeldThread {
public:
    explicit HeldThread(HWND window)
        : thread_(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr))) {
        held_ = thread_ && SuspendThread(thread_) != static_cast<DWORD>(-1);
    }
    ~HeldThread() {
        Release();
        if (thread_) CloseHandle(thread_);
    }
    HeldThread(const HeldThread&) = delete;
    HeldThread& operator=(const HeldThread&) = delete;
    bool Held() const { return held_; }
    void Release() {
        if (held_) ResumeThread(thread_);
        held_ = false;
    }

private:
    HANDLE thread_;
    bool held_ = false;
};

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// 7. One player: a second start hands its request to the running one and
// exits -1. Requests that come while the player closes: the closing frame
// opens no tab for them and leaves their files; a player started meanwhile,
// whose request the frame refused, waits for the closing one to end and
// opens its request itself. Two hand-overs during a cold start end as two
// tabs of one player.
TEST_F(PlayerTest, SecondPlayerHandsItsRequestToTheRunningOne) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(WriteHandOverFile(Temp(L"5.txt"), GameUrl(L"/webgame/game.html?five") + kParamMarker));
    harness::ChildProcess second;
    ASSERT_TRUE(second.Start(dir_ + L"\\Corrinweb.exe", L"--url=5"));
    DWORD code = 0;
    ASSERT_TRUE(second.Wait(kWaitMs, &code));
    EXPECT_EQ(static_cast<DWORD>(-1), code) << harness::DescribeExitCode(code);
    EXPECT_TRUE(LogHas(L"[Warning]|QXVanta_WebGame is running, so exit this time."));
    EXPECT_TRUE(LogHas(L"[Error]|cef_main_init failed"));
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2 && t[1].selected; }))
        << LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return !harness::FileExists(Temp(L"5.txt")); }, kWaitMs));

    // While the frame's thread is held: the launcher's log-out, then its
    // request 1 (it read [WebGame] exit just before), and a player started
    // with request 2, which finds the frame and posts its request.
    const unsigned late = launcher_->WriteRequest(GameUrl(L"/webgame/game.html?late") + kParamMarker);
    const unsigned next = launcher_->WriteRequest(GameUrl(L"/webgame/game.html?next") + kParamMarker);
    ASSERT_EQ(1u, late);
    harness::ChildProcess nextPlayer;
    {
        HeldThread held(frame);
        ASSERT_TRUE(held.Held());
        PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
        PostMessageW(frame, WM_NOTIFY_NEW_CEF, late, 0);
        ASSERT_TRUE(nextPlayer.Start(dir_ + L"\\Corrinweb.exe", L"--url=" + std::to_wstring(next)));
        // It finds the frame and posts its request, and must not give up on it.
        DWORD nextCode = 0;
        ASSERT_TRUE(harness::WaitUntil(
            [&] { return LogHas(L"request 2 posted to the running player's frame") || nextPlayer.Wait(0, &nextCode); },
            kWaitMs))
            << LogText();
        ASSERT_FALSE(nextPlayer.Wait(0, &nextCode))
            << "the player started meanwhile ended (" << harness::DescribeExitCode(nextCode) << ") with its request";
    }
    ASSERT_TRUE(WaitPlayerExit(kWaitMs, &code)) << LogText();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(LogHas(L"[Warning]|CMainWnd: closing, request 1 is left for the next player")) << LogText();
    EXPECT_TRUE(LogHas(L"[Warning]|CMainWnd: closing, request 2 is left for the next player"));
    EXPECT_TRUE(harness::FileExists(Temp(L"1.txt"))) << "the refused request's file stays";
    // The player started meanwhile takes over with its own request.
    ASSERT_TRUE(WaitLog(L"the running player ended: request 2 opens here")) << LogText();
    frame = WaitForFrame();
    ASSERT_NE(nullptr, frame) << LogText();
    EXPECT_EQ(nextPlayer.Pid(), ProcessOf(frame));
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 1; })) << LogText();
    auto loaded = [&](const std::string& query) {
        const std::vector<backend::RecordedRequest> gets = Gets("/webgame/game.html");
        return std::any_of(gets.begin(), gets.end(),
                           [&](const backend::RecordedRequest& r) { return r.query == query; });
    };
    EXPECT_TRUE(harness::WaitUntil([&] { return loaded("next"); }, kWaitMs)) << LogText();
    EXPECT_FALSE(loaded("late"));
    EXPECT_FALSE(harness::FileExists(Temp(L"2.txt")));
    PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    ASSERT_TRUE(nextPlayer.Wait(kWaitMs, &code)) << LogText();
    EXPECT_EQ(0u, code) << harness::DescribeExitCode(code);
    ASSERT_TRUE(harness::WaitUntil([] { return FakeLauncher::FindPlayer() == nullptr; }, kWaitMs));

    // Cold start: the second hand-over finds no frame yet and starts another player.
    ASSERT_EQ(3, launcher_->HandOver(GameUrl(L"/webgame/game.html?cold1"), L""));
    Sleep(200);
    ASSERT_EQ(4, launcher_->HandOver(GameUrl(L"/webgame/game.html?cold2"), L""));
    frame = WaitForFrame();
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 2; })) << LogText();
    EXPECT_TRUE(WaitBrowserCount(2));
    EXPECT_TRUE(WaitLog(L"handed to the running player"));
}

// 8. Popups go to the user's browser (the URL recorder), never to a new
// engine window; a file address starts nothing. Refresh reloads the shown
// tab; the page sees the player's page-callable functions.
TEST_F(PlayerTest, PopupsRefreshAndThePageSurface) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(WaitBrowserCount(1));
    const int id = Browsers()[0].id;
    ASSERT_TRUE(harness::WaitUntil([&] { return Gets("/webgame/game.html").size() == 1; }, kWaitMs));

    EXPECT_EQ(L"function", Eval(id, L"typeof loginSmallAccount"));
    EXPECT_EQ(L"function", Eval(id, L"typeof window.external.closeModal"));
    EXPECT_EQ(L"undefined", Eval(id, L"typeof smallAccountstartGame"));
    EXPECT_EQ(L"undefined", Eval(id, L"typeof NavigateGameLobby"));

    const std::wstring help = GameUrl(L"/webgame/help.html");
    Eval(id, L"window.open('" + help + L"'); 0");
    ASSERT_TRUE(harness::WaitUntil([&] { return !harness::RecordedUrls(urlRecord_).empty(); }, kWaitMs)) << LogText();
    EXPECT_NE(std::wstring::npos, harness::RecordedUrls(urlRecord_)[0].find(help));
    Eval(id, L"window.open('file:///C:/windows/notepad.exe'); 0");
    ASSERT_TRUE(WaitLog(L"not opened outside the program (not a web address): file:///C:/windows/notepad.exe"))
        << LogText();
    Sleep(500);
    EXPECT_EQ(1u, harness::RecordedUrls(urlRecord_).size());
    EXPECT_FALSE(ProcessRunning(L"notepad.exe"));
    EXPECT_EQ(1u, Browsers().size()) << "no engine window of its own for a popup";
    EXPECT_EQ(1u, Tabs(frame).size());

    ClickControl(frame, L"freshbtn");
    ASSERT_TRUE(harness::WaitUntil([&] { return Gets("/webgame/game.html").size() == 2; }, kWaitMs)) << LogText();

    // The title bar's account and help links open in tabs of the player.
    ClickControl(frame, L"header_btn");
    ASSERT_TRUE(harness::WaitUntil([&] { return !Gets("/front/member/securityCenter_index.htm").empty(); }, kWaitMs))
        << LogText();
    ClickControl(frame, L"Customer_service");
    ASSERT_TRUE(harness::WaitUntil([&] { return !Gets("/front/sso/vanta/faq").empty(); }, kWaitMs)) << LogText();
    EXPECT_EQ("https", Gets("/front/sso/vanta/faq")[0].scheme);
    EXPECT_TRUE(WaitTabs(frame, [](const std::vector<PlayerTab>& t) { return t.size() == 3 && t[2].selected; }));
    EXPECT_EQ(1u, harness::RecordedUrls(urlRecord_).size());
}

// The title-bar buttons take the last 480 pixels of the window's width,
// whether the window is maximised by a button or by a caption double-click,
// or resized otherwise. (Without a window manager, Wine may size a maximised
// window back to its restored rectangle a moment later: the buttons follow
// that too, so each check compares with the width of the moment.)
TEST_F(PlayerTest, TitleBarButtonsFollowTheWindowWidth) {
    HWND frame = HandOverAndWaitForFrame(GameUrl(kGame), L"");
    ASSERT_NE(nullptr, frame) << LogText();
    auto width = [&] {
        RECT rect = {};
        GetWindowRect(frame, &rect);
        return static_cast<int>(rect.right - rect.left);
    };
    int headerLeft = 0;
    int widthSeen = 0;
    auto headerFollowsWidth = [&] {
        return harness::WaitUntil(
            [&] {
                const auto tree = Tree(frame);
                const DuiLib::SkinSeamControl* head = FindControl(tree, L"header_btn");
                headerLeft = head ? head->pos.left : -1;
                widthSeen = width();
                return headerLeft == widthSeen - 480 + 86;
            },
            kWaitMs);
    };
    auto buttonsShow = [&](bool maximised) {
        const auto tree = Tree(frame);
        const DuiLib::SkinSeamControl* maxbtn = FindControl(tree, L"maxbtn");
        const DuiLib::SkinSeamControl* restorebtn = FindControl(tree, L"restorebtn");
        return maxbtn && restorebtn && maxbtn->visible == !maximised && restorebtn->visible == maximised;
    };
    ASSERT_TRUE(harness::WaitUntil([&] { return launcher_->ReportCount() == 1; }, kWaitMs));
    ASSERT_EQ(990, width());
    EXPECT_TRUE(headerFollowsWidth()) << headerLeft << " at width " << widthSeen;

    RECT rect = {};
    GetWindowRect(frame, &rect);
    PostMessageW(frame, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(rect.left + 300, rect.top + 20));
    ASSERT_TRUE(harness::WaitUntil([&] { return IsZoomed(frame) != FALSE; }, kWaitMs)) << LogText();
    EXPECT_TRUE(headerFollowsWidth()) << headerLeft << " at width " << widthSeen;

    ClickControl(frame, L"restorebtn");
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsZoomed(frame) && width() == 990; }, kWaitMs)) << LogText();
    EXPECT_TRUE(headerFollowsWidth()) << headerLeft << " at width " << widthSeen;
    EXPECT_TRUE(buttonsShow(false));

    ClickControl(frame, L"fullscreenbtn");
    ASSERT_TRUE(harness::WaitUntil([&] { return IsZoomed(frame) != FALSE; }, kWaitMs)) << LogText();
    EXPECT_TRUE(headerFollowsWidth()) << headerLeft << " at width " << widthSeen;
    EXPECT_TRUE(buttonsShow(true));
    ClickControl(frame, L"fullscreenbtn");
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsZoomed(frame) && width() == 990; }, kWaitMs)) << LogText();
    EXPECT_TRUE(headerFollowsWidth()) << headerLeft << " at width " << widthSeen;

    // A size the buttons did not make (the size box's drag ends like this).
    SetWindowPos(frame, nullptr, 0, 0, 1200, 690, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(harness::WaitUntil([&] { return width() == 1200; }, kWaitMs)) << LogText();
    EXPECT_TRUE(headerFollowsWidth()) << headerLeft << " at width " << widthSeen;
}

// A switch that names no request, an empty request file, one of garbage
// and a missing one open no tab; no file is taken for the first, the empty
// and the garbage ones are deleted.
TEST_F(PlayerTest, RequestsThatNameNoPageOpenNoTab) {
    ASSERT_TRUE(WriteHandOverFile(Temp(L"0.txt"), GameUrl(kGame) + kParamMarker));
    harness::ChildProcess player;
    ASSERT_TRUE(player.Start(dir_ + L"\\Corrinweb.exe", L"--url=abc"));
    HWND frame = WaitForFrame();
    ASSERT_NE(nullptr, frame) << LogText();
    ASSERT_TRUE(WaitLog(L"[Error]|CMainWnd: the switch url=abc names no request")) << LogText();
    EXPECT_TRUE(harness::FileExists(Temp(L"0.txt"))) << "no request is taken for \"abc\"";
    EXPECT_TRUE(Tabs(frame).empty());
    ASSERT_EQ(0u, launcher_->WriteRequest(L""));
    ASSERT_EQ(1u, launcher_->WriteRequest(L"\tparam=x"));
    // Seen in the field: a request file of these five bytes (a tab "正在加载..." for ever).
    ASSERT_TRUE(harness::WriteFileBytes(Temp(L"2.txt"), std::string("\xFF\xFE\x01\xD8\x41", 5)));
    ASSERT_TRUE(WriteHandOverFile(Temp(L"3.txt"), L"file:///C:/windows/win.ini\tparam=x"));
    for (unsigned request : {0u, 1u, 2u, 3u, 99u}) PostMessageW(frame, WM_NOTIFY_NEW_CEF, request, 0);
    ASSERT_TRUE(WaitLog(L"[Error]|fopen failed: " + Temp(L"99.txt"))) << LogText();
    for (unsigned request : {0u, 1u, 2u, 3u}) {
        EXPECT_TRUE(LogHas(L"[Error]|CMainWnd::CreateCefUI request " + std::to_wstring(request) + L" names no page"))
            << request;
        EXPECT_FALSE(harness::FileExists(Temp(std::to_wstring(request) + L".txt"))) << request;
    }
    EXPECT_TRUE(Tabs(frame).empty());
    EXPECT_TRUE(Browsers().empty());
}

}  // namespace
