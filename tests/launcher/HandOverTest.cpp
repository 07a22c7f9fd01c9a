// The launcher handing web games to the real player, Corrinweb.exe, as the
// pages ask for it: no hand-over while logged out, the request files, the
// player started with the first request, requests made while it starts
// kept for its frame, later ones posted to it, each opened in a tab of the
// player with its parameter and the account token. And the end of the
// session: after a logout or a close nothing of it reaches a player, one
// that runs, one that is still starting or one started later.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "DialogTestSupport.h"
#include "HandOverProtocol.h"
#include "LauncherRun.h"
#include "UniqueHandle.h"
#include "WindowTool.h"

namespace {

using launcher::LauncherRun;

std::wstring Call(const std::wstring& function, const std::wstring& args) {
    return L"window.external." + function + L"(" + args + L"); 1";
}

bool WaitForNick(const LauncherRun& run, const std::wstring& nick) {
    return harness::WaitUntil(
        [&] {
            launcher::Control shown;
            return run.FindControl(L"user_nick", &shown) && shown.text == nick;
        },
        20000);
}

class HandOverTest : public launcher::LauncherTest {
protected:
    void TearDown() override {
        if (!dir_.empty()) harness::KillProcessesUnder(dir_);
    }

    std::vector<std::wstring> PlayerLog() const { return harness::ReadLogLines(dir_ + L"\\Log", L"corrinweb"); }
    size_t PlayerLogCount(const std::wstring& text) const {
        std::vector<std::wstring> lines = PlayerLog();
        return std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(text) != l.npos; });
    }
    bool WaitPlayerLog(const std::wstring& text, DWORD timeoutMs = 30000) const {
        return harness::WaitUntil([&] { return PlayerLogCount(text) > 0; }, timeoutMs);
    }
    std::string PlayerLogText() const { return harness::LogText(dir_ + L"\\Log", L"corrinweb"); }
    // Player log lines that end with text.
    size_t PlayerLogEndingCount(const std::wstring& text) const {
        std::vector<std::wstring> lines = PlayerLog();
        return std::count_if(lines.begin(), lines.end(), [&](const std::wstring& l) {
            return l.size() >= text.size() && l.compare(l.size() - text.size(), text.size(), text) == 0;
        });
    }
    // The engine's cookie store of the program folder, shared by both programs.
    std::string CookieStore() const { return harness::ReadFileBytes(dir_ + L"\\cookies\\Cookies"); }
    // No program of the folder runs any more (launcher, player, their renderers).
    bool WaitAllEnded(DWORD timeoutMs = 30000) const {
        return harness::WaitUntil([&] { return harness::ProcessesUnder(dir_).empty(); }, timeoutMs);
    }

    // A launcher with its remote control, logged in as alice by a free login
    // with the account site's cookie "tok-alice" set by one of its pages; the
    // browser id of that page (the lobby's view), 0 on failure.
    int StartLoggedIn(LauncherRun& run, const std::wstring& game) {
        dir_ = run.Dir();
        run.WriteIni();
        run.EnableRemoteControl();
        if (!run.Start() || !run.WaitForMainWindow()) return 0;
        int lobby = run.WaitForBrowser(L"/html/index.html");
        if (!lobby) return 0;
        run.Eval(lobby, L"window.external.userLoginByFree('alice', ''); 1");
        if (!WaitForNick(run, L"alice")) return 0;
        run.Eval(lobby, L"window.external.openUrl(3, '" + game + L"?cookie=1', 0); 1");
        int page = run.WaitForBrowser(L"/webgame/game.html?cookie=1");
        if (page != lobby) return 0;
        return run.EvalResult(page, L"document.cookie = '_bp_ff_=tok-alice; path=/'; document.cookie").empty() ? 0
                                                                                                             : page;
    }
    bool Exists(const std::wstring& name) const {
        return GetFileAttributesW((dir_ + L"\\Temp\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring dir_;
};

TEST_F(HandOverTest, PagesReachThePlayerStartedOnceAndOpenInItsTabs) {
    LauncherRun run;
    dir_ = run.Dir();
    run.WriteIni();
    run.EnableRemoteControl();
    ASSERT_TRUE(run.Start());
    ASSERT_NE(nullptr, run.WaitForMainWindow()) << run.LogText();
    int lobby = run.WaitForBrowser(L"/html/index.html");
    ASSERT_NE(0, lobby) << run.LogText();
    const std::wstring game = launcher::HttpsBase() + L"/webgame/game.html";

    // Logged out: the login dialog instead, nothing written. The small
    // account's call leaves no mark behind: the first request below keeps its parameter.
    run.Eval(lobby, L"window.external.smallAccountstartGame('" + game + L"?n=x', 'srv=1');" +
                        Call(L"startGame", L"'" + game + L"?n=x', 'srv=1'"));
    HWND login = harness::WaitForTopWindow(L"LoginDlg", nullptr, true, 20000);
    ASSERT_NE(nullptr, login) << run.LogText();
    PostMessageW(login, WM_CLOSE, 0, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(login); }, 10000));
    EXPECT_FALSE(Exists(L"0.txt"));
    EXPECT_FALSE(Exists(L"10001.txt"));

    // Logged in, with the account cookie of the account site set by one of its pages.
    run.Eval(lobby, Call(L"userLoginByFree", L"'alice', ''"));
    ASSERT_TRUE(WaitForNick(run, L"alice")) << run.LogText();
    run.Eval(lobby, Call(L"openUrl", L"3, '" + game + L"?cookie=1', 0"));
    int page = run.WaitForBrowser(L"/webgame/game.html?cookie=1");
    ASSERT_EQ(lobby, page) << "openUrl(3) loads the address in the calling view";
    ASSERT_NE(L"", run.EvalResult(page, L"document.cookie = '_bp_ff_=tok-alice; path=/'; document.cookie"));

    // A page address read from integers (loadGameLaunch) hands nothing over;
    // no game of key 0 is launched, and a game to add must be a dictionary.
    run.Eval(page, L"window.external.addMyGame(5); window.external.loadGameLaunch(0, 2, 0, 0, 0, 0);"
                   L"window.external.loadGameLaunch(7001, 2, 0, 0, 0, 0); 1");
    EXPECT_TRUE(run.WaitForLog(L"[Info]|HandleMsgOnJsLoadGameLaunch gamebtn pkgid=7001 not in gamelist"));
    EXPECT_FALSE(run.LogHas(L"HandleMsgOnJsLoadGameLaunch gamebtn pkgid=0 "));
    EXPECT_EQ(2u, run.CountLog(L"[Warning]|loadGameLaunch without a page address"));
    EXPECT_TRUE(run.LogHas(L"[Warning]|QXAddMyGame without a game"));

    // An "exiting" mark left by a player that is gone (crashed while closing)
    // refuses nothing.
    run.SetIniValue(L"WebGame", L"exit", L"1");
    // Two requests before the player exists: one start, both opened.
    ULONGLONG started = GetTickCount64();
    run.Eval(page, L"window.external.startGame('" + game + L"?n=0', 'srv=1');"
                   L"window.external.startGame('" + game + L"?n=1'); 1");
    ASSERT_TRUE(run.WaitForLog(L"Open WebGame page, ShellExecute=")) << run.LogText();
    EXPECT_EQ(1u, run.CountLog(L"[Warning]|WebGame exit mark left by a player that is gone: cleared"));
    HWND frame = harness::WaitForTopWindow(kGameFrameClassName, nullptr, true, 60000);
    ASSERT_NE(nullptr, frame) << run.LogText();
    std::cout << "benchmark: startGame -> player window up " << GetTickCount64() - started << " ms" << std::endl;
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=0, param=srv=1")) << PlayerLogText();
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=1, param=")) << PlayerLogText();
    EXPECT_TRUE(run.LogHas(L"Open WebGame page, the player is starting, id=1 waits for its window"));
    EXPECT_EQ(1u, run.CountLog(L"Open WebGame page, ShellExecute=")) << "one player start";
    EXPECT_TRUE(run.WaitForLog(L"Open WebGame page, post msg, id=1"));
    EXPECT_TRUE(WaitPlayerLog(L"set cookie rv=true key=_bp_ff_ v=tok-alice")) << PlayerLogText();

    // The player's frame is known now: a request is posted to it. A small
    // account's request carries its mark (the player takes no parameter from
    // it), the next one a parameter again; one without an address hands
    // nothing over and leaves no mark.
    run.Eval(page, Call(L"smallAccountstartGame", L"'" + game + L"?n=2', '一区(bob)'"));
    EXPECT_TRUE(run.WaitForLog(L"Open WebGame page, post msg, id=2")) << run.LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return PlayerLogEndingCount(L"new cef url=" + game + L"?n=2, param=") == 1; },
                                   30000))
        << PlayerLogText();
    run.Eval(page, L"window.external.smallAccountstartGame('', '一区(bob)');" +
                       Call(L"startGame", L"'" + game + L"?n=3', 'srv=3'"));
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|smallAccountstartGame without a page address: nothing handed over"));
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=3, param=srv=3")) << PlayerLogText();
    EXPECT_EQ(1u, run.CountLog(L"Open WebGame page, ShellExecute="));

    // While the player is ending nothing is handed over, and a refused small
    // account's request leaves no mark for the next one.
    run.SetIniValue(L"WebGame", L"exit", L"1");
    run.Eval(page, Call(L"smallAccountstartGame", L"'" + game + L"?n=4', 'srv=4'"));
    EXPECT_TRUE(run.WaitForLog(L"[Info]|WebGame is exiting, wait a moment"));
    run.SetIniValue(L"WebGame", L"exit", L"0");
    run.Eval(page, Call(L"startGame", L"'" + game + L"?n=5', 'srv=5'"));
    EXPECT_TRUE(run.WaitForLog(L"Open WebGame page, post msg, id=4")) << "the refused request used no number";
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=5, param=srv=5")) << PlayerLogText();
    EXPECT_EQ(0u, PlayerLogCount(L"?n=4"));
    Sleep(2000);  // the last tab is drawn and its page shown
    EXPECT_TRUE(harness::SaveWindowScreenshot(frame, L"launcher_handover_player_tabs"));

    // Logging out from the drag-down menu, shown since the login, ends the
    // launcher and logs the player out: both end, and the session's files go.
    ASSERT_TRUE(dialogs::PickFromDragDownMenu(run, L"user_logout")) << run.LogText();
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(run.LogHas(L"[Debug]|CMainWnd on menu clicked : user_logout"));
    EXPECT_TRUE(run.LogHas(L"[Debug]|CMainWnd.UserLogout done"));
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(frame); }, 30000)) << PlayerLogText();
    EXPECT_TRUE(WaitPlayerLog(L"CMainWnd WM_NOTIFY_USER_LOGOUT"));
    EXPECT_FALSE(Exists(L"10001.txt"));
    EXPECT_FALSE(Exists(L"10002.txt"));
    ASSERT_TRUE(WaitAllEnded()) << PlayerLogText();
    EXPECT_EQ(std::string::npos, CookieStore().find("tok-alice"));

    // A player started later on its own finds no token to put back.
    const size_t setCookies = PlayerLogCount(L"set cookie rv=");
    harness::ChildProcess bare;
    ASSERT_TRUE(bare.Start(dir_ + L"\\Corrinweb.exe", L""));
    HWND bareFrame = harness::WaitForTopWindow(kGameFrameClassName, nullptr, true, 60000);
    ASSERT_NE(nullptr, bareFrame) << PlayerLogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return PlayerLogCount(L"set cookie rv=") > setCookies; }, 30000))
        << PlayerLogText();
    EXPECT_EQ(1u, PlayerLogEndingCount(L"set cookie rv=true key=_bp_ff_ v=")) << PlayerLogText();
    EXPECT_EQ(std::string::npos, CookieStore().find("tok-alice"));
    PostMessageW(bareFrame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(bare.Wait(30000, &code)) << PlayerLogText();
}

// Closing the launcher a moment after it started the player, before the
// player's frame is up: the player comes up with nothing of the session -
// no token in the cookie store, no game - or, when its frame came up first
// after all, it is told to log out.
TEST_F(HandOverTest, CloseWhileThePlayerStartsLeavesItNothingOfTheSession) {
    LauncherRun run;
    const std::wstring game = launcher::HttpsBase() + L"/webgame/game.html";
    int page = StartLoggedIn(run, game);
    ASSERT_NE(0, page) << run.LogText();

    run.Eval(page, Call(L"startGame", L"'" + game + L"?n=0', 'srv=1'"));
    ASSERT_TRUE(run.WaitForLog(L"Open WebGame page, ShellExecute=")) << run.LogText();
    ASSERT_TRUE(run.Click(L"closebtn"));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(Exists(L"10001.txt"));
    EXPECT_FALSE(Exists(L"10002.txt"));
    EXPECT_FALSE(Exists(L"0.txt"));

    // The player either finds no request to open, or was told to log out.
    const std::wstring noRequest = L"fopen failed: " + dir_ + L"\\Temp\\0.txt";
    const std::wstring loggedOut = L"CMainWnd WM_NOTIFY_USER_LOGOUT";
    ASSERT_TRUE(harness::WaitUntil([&] { return PlayerLogCount(noRequest) + PlayerLogCount(loggedOut) > 0; }, 60000))
        << PlayerLogText();
    if (PlayerLogCount(loggedOut) == 0) {
        std::cout << "the player came up after the launcher's close" << std::endl;
        EXPECT_EQ(0u, PlayerLogCount(L"new cef url=")) << "no game shown";
        EXPECT_EQ(0u, PlayerLogCount(L"v=tok-alice")) << PlayerLogText();
        EXPECT_EQ(1u, PlayerLogEndingCount(L"set cookie rv=true key=_bp_ff_ v=")) << PlayerLogText();
        EXPECT_EQ(std::string::npos, CookieStore().find("tok-alice"));
        HWND frame = harness::WaitForTopWindow(kGameFrameClassName, nullptr, true, 30000);
        ASSERT_NE(nullptr, frame);
        PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        std::cout << "the player's frame was up at the launcher's close" << std::endl;
    }
    ASSERT_TRUE(WaitAllEnded()) << PlayerLogText();
    EXPECT_EQ(std::string::npos, CookieStore().find("tok-alice"));
}

// Logging out (the launcher stays) while the player it started has not
// reported its frame yet: the requests it was given go, the one on its
// command line and those waiting for its frame, with the token. Here the
// started player cannot take the instance (the test holds it) and gives up;
// a player started later reports its frame and gets none of them.
TEST_F(HandOverTest, LogoutWhileThePlayerStartsDropsWhatWasHandedToIt) {
    LauncherRun run;
    const std::wstring game = launcher::HttpsBase() + L"/webgame/game.html";
    int page = StartLoggedIn(run, game);
    ASSERT_NE(0, page) << run.LogText();
    UniqueHandle instance(CreateMutexW(nullptr, FALSE, L"QXVanta_WebGame_main"));  // the player's instance
    ASSERT_TRUE(instance);
    ASSERT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError()) << "no player may run";

    run.Eval(page, L"window.external.startGame('" + game + L"?n=0', 'srv=1');" +
                       Call(L"startGame", L"'" + game + L"?n=1', 'srv=1'"));
    ASSERT_TRUE(run.WaitForLog(L"Open WebGame page, the player is starting, id=1 waits for its window"))
        << run.LogText();
    ASSERT_TRUE(Exists(L"1.txt"));
    ASSERT_TRUE(dialogs::PickFromDragDownMenu(run, L"menu_loginout")) << run.LogText();
    ASSERT_TRUE(WaitForNick(run, L"登录")) << run.LogText();
    EXPECT_TRUE(run.LogHas(L"[Info]|CMainWnd request 0 not opened by the starting player: dropped"));
    EXPECT_TRUE(run.LogHas(L"[Info]|CMainWnd request 1 not opened by the starting player: dropped"));
    for (const wchar_t* name : {L"0.txt", L"1.txt", L"10001.txt", L"10002.txt"}) EXPECT_FALSE(Exists(name)) << name;

    // The started player finds its request gone and gives up; then one starts.
    ASSERT_TRUE(WaitPlayerLog(L"request 0 not handed over: its file is gone", 30000)) << PlayerLogText();
    instance.reset();
    harness::ChildProcess later;
    ASSERT_TRUE(later.Start(dir_ + L"\\Corrinweb.exe", L""));
    HWND frame = harness::WaitForTopWindow(kGameFrameClassName, nullptr, true, 60000);
    ASSERT_NE(nullptr, frame) << PlayerLogText();
    EXPECT_TRUE(run.WaitForLog(L"by msg")) << "its frame reported";
    EXPECT_TRUE(WaitPlayerLog(L"set cookie rv=")) << PlayerLogText();
    EXPECT_EQ(1u, PlayerLogEndingCount(L"set cookie rv=true key=_bp_ff_ v=")) << PlayerLogText();
    EXPECT_EQ(std::string::npos, CookieStore().find("tok-alice"));
    // Barriers: a menu click naming no menu, logged by each window, comes
    // after what the launcher did on the frame's report and after what it
    // posted to the frame then.
    const std::wstring ignored = L"[Warning]|CMainWnd menu click (1145): 0x5A5A is no record of a menu, ignored";
    PostMessageW(run.MainWindow(), UIMSG_MENUCLICK, 0x5a5a, 0);
    ASSERT_TRUE(run.WaitForLog(ignored)) << run.LogText();
    PostMessageW(frame, UIMSG_MENUCLICK, 0x5a5a, 0);
    ASSERT_TRUE(WaitPlayerLog(ignored)) << PlayerLogText();
    EXPECT_FALSE(run.LogHas(L"Open WebGame page, post msg")) << run.LogText();
    EXPECT_EQ(0u, PlayerLogCount(L"be notify new a cef")) << PlayerLogText();
    EXPECT_EQ(0u, PlayerLogCount(L"new cef url=")) << PlayerLogText();

    PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1;
    EXPECT_TRUE(later.Wait(30000, &code)) << PlayerLogText();
    EXPECT_TRUE(run.CloseAndExitCleanly());
}

}  // namespace
