// The launcher's messages to the real player: a Corrinweb.exe that runs a
// game page hides and shows with the boss key and ends when the launcher is
// ended from its tray menu.
#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "FakeLauncher.h"
#include "HandOverProtocol.h"
#include "LauncherRun.h"
#include "WindowTool.h"

namespace {

using launcher::LauncherRun;

constexpr DWORD kPlayerStartMs = 60000;

class RealPlayerTest : public launcher::LauncherTest {
protected:
    void TearDown() override {
        if (player_) CloseHandle(player_);
        if (!dir_.empty()) harness::KillProcessesUnder(dir_);
    }

    // Starts Corrinweb.exe in the run's folder on a game page, the way the
    // launcher hands a page over; its frame window.
    HWND StartPlayer(const LauncherRun& run) {
        dir_ = run.Dir();
        FakeLauncher handOver(dir_);
        if (handOver.HandOver(launcher::HttpsBase() + L"/webgame/game.html", L"") < 0) return nullptr;
        HWND frame = harness::WaitForWindow(kGameFrameClassName, L"QuillexTarrow", kPlayerStartMs);
        if (!frame || !harness::WaitUntil([&] { return handOver.ReportCount() > 0; }, kPlayerStartMs)) return nullptr;
        DWORD pid = 0;
        GetWindowThreadProcessId(frame, &pid);
        player_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        return player_ ? frame : nullptr;
    }

    HANDLE player_ = nullptr;
    std::wstring dir_;
};

TEST_F(RealPlayerTest, BossKeyHidesThePlayerAndExitEndsIt) {
    LauncherRun run;
    run.WriteIni();
    HWND frame = StartPlayer(run);
    ASSERT_NE(nullptr, frame) << "the player did not start";
    ASSERT_TRUE(IsWindowVisible(frame));
    HWND window = dialogs::StartWithBossKey(run);
    ASSERT_NE(nullptr, window) << run.LogText();
    ATOM atom = GlobalFindAtomW(L"HotKey_boss");
    ASSERT_NE(0, atom);
    const WPARAM bossKey = atom - 0xC000;

    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    EXPECT_TRUE(harness::WaitUntilHidden(frame, 10000)) << "the player hides with the launcher";
    ASSERT_TRUE(harness::WaitUntilHidden(window, 10000));
    ASSERT_TRUE(dialogs::WaitUntilResponsive(window));
    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(frame) != FALSE; }, 10000))
        << "and shows again with it";
    // The player brings itself to the front after it shows; a menu opened
    // before that would close when it loses the activation.
    EXPECT_TRUE(harness::WaitUntil([&] { return GetForegroundWindow() == frame; }, 10000))
        << "the player comes to the front";

    // "exit_main": the launcher ends and tells the player to close.
    HWND menu = dialogs::OpenTrayMenu(run);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(run.Click(L"exit_main", menu));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(player_, 30000)) << "the player ended";
    EXPECT_TRUE(GetExitCodeProcess(player_, &code));
    EXPECT_EQ(0u, code);
}

}  // namespace
