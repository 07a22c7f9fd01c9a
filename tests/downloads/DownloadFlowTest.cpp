// The launcher's game downloads run as a user would: Corrin against the
// local back-end and its own download server, games installed on a game
// disk mapped to a test folder, under the Chinese code page.
#include <gtest/gtest.h>

#include <iostream>

#include "DownloadTestSupport.h"
#include "WindowTool.h"

namespace {

using downloads::GameColumn;
using launcher::LauncherRun;
using launcher::RequestsOf;

std::wstring TestName() {
    return harness::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

class DownloadFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(936u, GetACP()) << "the launcher runs under the Chinese code page";
        ASSERT_TRUE(launcher::Backend().Connect()) << "the back-end fixture is not running";
        ASSERT_TRUE(downloads::LoadDownloadRoutes());
        ASSERT_GT(downloads::PackageServerPort(), 0) << "the download server fixture is not running";
        ASSERT_TRUE(downloads::GameDiskReady()) << "no game disk";
    }

    // Waits until the game's table row has the column's value.
    static bool WaitForColumn(const LauncherRun& run, int gameId, const char* column, const std::string& value,
                              DWORD timeoutMs = 60000) {
        return harness::WaitUntil([&] { return GameColumn(run, gameId, column) == value; }, timeoutMs);
    }
};

TEST_F(DownloadFlowTest, InstalledGamesAreCheckedAtStartAndUpdated) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run);
    harness::RemoveTree(downloads::GameFolder(101));
    ASSERT_TRUE(downloads::CreateGameTable(run));
    {
        harness::RawDb db(downloads::TablePath(run));
        std::string insert =
            "INSERT INTO GameInfo2_1(GameId, PkgId, LocalPath, StartExe, GameExe, LocalVersion, IdcVersion, GameName, "
            "AutoUpdate, Status) VALUES";
        ASSERT_EQ(SQLITE_OK, db.Exec(insert + "(101, 101, 'G:\\Game_101\\', 'game.exe', 'game.exe', '1', '1', '" +
                                     downloads::AnsiOf(L"测试游戏") + "', 1, 0);"));
        ASSERT_EQ(SQLITE_OK, db.Exec(insert + "(121, 121, 'G:\\Game_121\\', 'b.exe', 'b.exe', '1', '1', 'b', 1, 0);"));
    }
    ASSERT_TRUE(downloads::WriteGameList(run, {{101, L"测试游戏"}, {121, L"无版本"}}));
    ASSERT_TRUE(run.Start());
    ASSERT_NE(nullptr, run.WaitForMainWindow()) << run.LogText();

    // The check at start asks for both games with their local versions.
    ASSERT_TRUE(harness::WaitUntil(
        [] { return !RequestsOf("/orv2/api/getFrontData.do", "type=gameUpdate&version=1&gameId=101&idType=2").empty(); },
        30000))
        << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Game(101) new version = 2")) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|Game(121) need update but without version")) << run.LogText();
    EXPECT_EQ("1", GameColumn(run, 121, "IdcVersion")) << "an answer without a version changes nothing";
    EXPECT_EQ("0", GameColumn(run, 121, "Status"));

    // Game 101 updates in a row of its own: status 2 while it runs, then 0.
    EXPECT_TRUE(run.WaitForLog(L"CMainWnd om msg updateGame id=101")) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"ExecuteSQL done:UPDATE GameInfo2_1 SET Status=2 WHERE GameId=101;")) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"Update game, path=G:\\Game_101\\")) << run.LogText();
    ASSERT_TRUE(WaitForColumn(run, 101, "Status", "0")) << run.LogText();
    EXPECT_EQ("2", GameColumn(run, 101, "LocalVersion"));
    EXPECT_EQ("2", GameColumn(run, 101, "IdcVersion"));
    EXPECT_EQ("1000", GameColumn(run, 101, "Download"));
    EXPECT_EQ("", downloads::CompareTrees(downloads::PackageSource(L"game"), downloads::GameFolder(101)));
    EXPECT_TRUE(run.WaitForLog(L"[Info]|[Download] OnTaskSuccess pkgId=101 pkgVer=2"));

    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            std::vector<downloads::PanelRow> rows = downloads::PanelRows(run);
            return rows.size() == 1 && rows[0].percent == L"100%";
        },
        10000))
        << downloads::Describe(downloads::PanelRows(run));
    downloads::PanelRow row = downloads::PanelRows(run)[0];
    EXPECT_EQ(L"测试游戏  3MB", row.name);
    EXPECT_FALSE(row.pauseEnabled) << "a finished row cannot be paused";

    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
