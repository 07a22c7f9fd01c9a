// The launcher's main window driven with the real mouse (so this program
// runs alone): screenshots with real data, hover, drag ordering of the game
// buttons and their menu.
#include <gtest/gtest.h>

#include "LauncherRun.h"
#include "WindowTool.h"

namespace {

using launcher::Control;
using launcher::LauncherRun;

std::wstring TestName() {
    return harness::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

class MainWindowInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(936u, GetACP()) << "the launcher runs under the Chinese code page";
        ASSERT_TRUE(launcher::Backend().Connect()) << "the back-end fixture is not running";
        // Keep the pointer off the window until a test moves it.
        harness::MoveCursorTo(POINT{2, 2});
    }
};

TEST_F(MainWindowInputTest, ShowsChannelsInTheShippedSkin) {
    LauncherRun run(L"launcher_" + TestName());
    run.WriteIni();
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(run.WaitForLog(L"OnWebPageLoadEnd cef=cef_0 url=" + launcher::HttpBase() + L"/launcher/html/lobby.html"))
        << run.LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return run.CountLog(L"WM_UPDATE_CHANNEL_ICON") >= 6; }, 30000))
        << run.LogText();
    Sleep(1500);  // the skin picks up replaced images within a second
    EXPECT_TRUE(harness::SaveWindowScreenshot(window, L"launcher_main_window_channels"));
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
