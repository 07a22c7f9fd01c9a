// The boss key pressed on the real keyboard (Alt+D through SendInput): the
// launcher and the player's frame hide, and show again on the next press.
#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "FakeGameFrame.h"
#include "LauncherRun.h"
#include "MainWndMessages.h"
#include "WindowTool.h"

namespace {

using launcher::LauncherRun;
using Message = FakeGameFrame::Message;

void PressAltD() {
    INPUT keys[4] = {};
    const WORD order[4][2] = {{VK_MENU, 0}, {'D', 0}, {'D', KEYEVENTF_KEYUP}, {VK_MENU, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i][0];
        keys[i].ki.dwFlags = order[i][1];
    }
    SendInput(4, keys, sizeof(INPUT));
}

class BossKeyInputTest : public launcher::LauncherTest {};

TEST_F(BossKeyInputTest, AltDHidesAndShowsTheLauncherAndThePlayer) {
    FakeGameFrame player;
    LauncherRun run;
    run.WriteIni();
    HWND window = dialogs::StartWithBossKey(run);
    ASSERT_NE(nullptr, window) << run.LogText();

    PressAltD();
    ASSERT_TRUE(harness::WaitUntilHidden(window, 10000)) << run.LogText();
    ASSERT_TRUE(dialogs::WaitUntilResponsive(window));
    PressAltD();
    ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 10000));
    ASSERT_TRUE(player.WaitForCount(2, 5000));
    EXPECT_EQ((std::vector<Message>{{WM_NOTIFY_SHOW_GAMEFRAME, 1}, {WM_NOTIFY_SHOW_GAMEFRAME, 0}}),
              player.Received());

    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
