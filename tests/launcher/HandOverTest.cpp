// The launcher handing web games to the real player, Corrinweb.exe, as the
// pages ask for it: no hand-over while logged out, the request files, the
// player started with the first request, requests made while it starts
// kept for its frame, later ones posted to it, each opened in a tab of the
// player with its parameter and the account token.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "HandOverProtocol.h"
#include "LauncherRun.h"
#include "WindowTool.h"

namespace {

using launcher::LauncherRun;

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
    bool Exists(const std::wstring& name) const {
        return GetFileAttributesW((dir_ + L"\\Temp\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring dir_;
};

std::wstring Call(const std::wstring& function, const std::wstring& args) {
    return L"window.external." + function + L"(" + args + L"); 1";
}

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

    // Logged out: the login dialog instead, nothing written.
    run.Eval(lobby, Call(L"startGame", L"'" + game + L"?n=x', 'srv=1'"));
    HWND login = harness::WaitForTopWindow(L"LoginDlg", nullptr, true, 20000);
    ASSERT_NE(nullptr, login) << run.LogText();
    PostMessageW(login, WM_CLOSE, 0, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(login); }, 10000));
    EXPECT_FALSE(Exists(L"0.txt"));
    EXPECT_FALSE(Exists(L"10001.txt"));

    // Logged in, with the account cookie of the account site set by one of its pages.
    run.Eval(lobby, Call(L"userLoginByFree", L"'alice', ''"));
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            launcher::Control nick;
            return run.FindControl(L"user_nick", &nick) && nick.text == L"alice";
        },
        20000))
        << run.LogText();
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
    // account's request carries its mark, the next one a parameter again.
    run.Eval(page, Call(L"smallAccountstartGame", L"'" + game + L"?n=2', '一区(bob)'"));
    EXPECT_TRUE(run.WaitForLog(L"Open WebGame page, post msg, id=2")) << run.LogText();
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=2")) << PlayerLogText();
    run.Eval(page, Call(L"startGame", L"'" + game + L"?n=3', 'srv=3'"));
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=3, param=srv=3")) << PlayerLogText();
    EXPECT_EQ(1u, run.CountLog(L"Open WebGame page, ShellExecute="));

    // While the player is ending nothing is handed over.
    run.SetIniValue(L"WebGame", L"exit", L"1");
    run.Eval(page, Call(L"startGame", L"'" + game + L"?n=4', 'srv=4'"));
    EXPECT_TRUE(run.WaitForLog(L"[Info]|WebGame is exiting, wait a moment"));
    run.SetIniValue(L"WebGame", L"exit", L"0");
    run.Eval(page, Call(L"startGame", L"'" + game + L"?n=5', 'srv=5'"));
    EXPECT_TRUE(run.WaitForLog(L"Open WebGame page, post msg, id=4")) << "the refused request used no number";
    EXPECT_TRUE(WaitPlayerLog(L"new cef url=" + game + L"?n=5, param=srv=5")) << PlayerLogText();
    EXPECT_EQ(0u, PlayerLogCount(L"?n=4"));
    Sleep(2000);  // the last tab is drawn and its page shown
    EXPECT_TRUE(harness::SaveWindowScreenshot(frame, L"launcher_handover_player_tabs"));

    // Closing the launcher logs the player out: both end.
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(frame); }, 30000)) << PlayerLogText();
}

}  // namespace
