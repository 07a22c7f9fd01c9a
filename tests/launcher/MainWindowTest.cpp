// The launcher's main window started as a user would, against the local
// back-end, under the Chinese code page: start-up and reports, channels,
// the cached game list, a café machine, the close rule and the settings.
#include <gtest/gtest.h>

#include <regex>

#include "LauncherRun.h"
#include "WindowTool.h"

namespace {

using launcher::Control;
using launcher::LauncherRun;
using launcher::QueryValue;
using launcher::RequestsOf;

std::wstring TestName() {
    return harness::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

bool IsVisible(const Control& c) { return c.visible; }
bool IsHidden(const Control& c) { return !c.visible; }

bool WaitForRequests(const std::wstring& path, size_t count, DWORD timeoutMs = 30000) {
    return harness::WaitUntil([&] { return RequestsOf(harness::Narrow(path)).size() >= count; }, timeoutMs);
}

// The game buttons of "my_game_left_list" in list order.
std::vector<Control> GameButtons(const LauncherRun& run) {
    std::vector<Control> buttons;
    for (const Control& c : run.Tree()) {
        if (c.className == L"OrvGameBtn") buttons.push_back(c);
    }
    return buttons;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(936u, GetACP()) << "the launcher runs under the Chinese code page";
        ASSERT_TRUE(launcher::Backend().Connect()) << "the back-end fixture is not running";
    }
};

TEST_F(MainWindowTest, AppearsOnlyAfterTheChannelAnswerAndReportsStartAndInstall) {
    LauncherRun run(L"launcher_" + TestName());
    run.WriteIni(L"/launcher/channels-slow");
    ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    ULONGLONG shownAfter = GetTickCount64() - start;
    EXPECT_GE(shownAfter, 3000u) << "the window must wait for the delayed channel answer";
    EXPECT_LT(run.LogIndex(L"[Info]|CMainWnd.RequestChannelInfo done"), run.LogIndex(L"CMainWnd::InitWindow() out"));

    // Created at 0,0, then centred by the entry.
    int left = (GetSystemMetrics(SM_CXSCREEN) - 1280) / 2;
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowRect(window).left == left; }, 5000));
    RECT rect = harness::WindowRect(window);
    EXPECT_EQ(1280, rect.right - rect.left);
    EXPECT_EQ(800, rect.bottom - rect.top);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 800) / 2, rect.top);
    EXPECT_TRUE(harness::GlobalAtomExists(L"HotKey_boss"));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|RegisterHotKey success!"));

    ASSERT_TRUE(WaitForRequests(run.ReportPath(), 1)) << run.LogText();
    ASSERT_TRUE(WaitForRequests(run.InstallReportPath(), 1)) << run.LogText();
    std::string report = RequestsOf(harness::Narrow(run.ReportPath()))[0].query;
    EXPECT_FALSE(QueryValue(report, "ip").empty()) << report;
    EXPECT_FALSE(QueryValue(report, "mac").empty()) << report;
    EXPECT_EQ("1.0.0.1", QueryValue(report, "ver")) << report;
    EXPECT_NE(std::string::npos, report.find("&agent=&")) << report;
    EXPECT_EQ("2", QueryValue(report, "type")) << "no café client: type 2";
    std::string install = RequestsOf(harness::Narrow(run.InstallReportPath()))[0].query;
    std::string guid = QueryValue(install, "guid");
    EXPECT_TRUE(std::regex_match(guid, std::regex("[0-9a-f]{32}"))) << install;
    EXPECT_EQ("2", QueryValue(install, "bar")) << install;
    EXPECT_EQ("1", QueryValue(install, "type")) << install;
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|report qxtarrow_install, data:IP="));

    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code)) << run.LogText();
    EXPECT_EQ(0u, code);

    LauncherRun second(L"launcher_" + TestName() + L"_again");
    second.WriteIni();
    ASSERT_TRUE(second.Start());
    ASSERT_NE(nullptr, second.WaitForMainWindow()) << second.LogText();
    ASSERT_TRUE(WaitForRequests(second.InstallReportPath(), 1)) << second.LogText();
    std::string secondGuid = QueryValue(RequestsOf(harness::Narrow(second.InstallReportPath()))[0].query, "guid");
    EXPECT_TRUE(std::regex_match(secondGuid, std::regex("[0-9a-f]{32}")));
    EXPECT_NE(guid, secondGuid) << "every run reports a new guid";
    ASSERT_TRUE(second.CloseAndWait(&code));
}

TEST_F(MainWindowTest, AppearsWhenTheBackendIsDown) {
    LauncherRun run(L"launcher_" + TestName());
    run.WriteIni(L"http://127.0.0.1:9/launcher/channels");
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow(30000);
    ASSERT_NE(nullptr, window) << run.LogText();
    EXPECT_FALSE(run.LogHas(L"CMainWnd.RequestChannelInfo done"));
    Control bar;
    ASSERT_TRUE(run.FindControl(L"main_tabbar", &bar));
    EXPECT_FALSE(run.FindControl(L"channel_btn_0", &bar)) << "no channel without an answer";
    Control gamelib;
    ASSERT_TRUE(run.FindControl(L"gamelib_btn", &gamelib));
    EXPECT_TRUE(gamelib.selected);
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
