// The launcher's game downloads run as a user would: Corrin against the
// local back-end and its own download server, games installed on a game
// disk mapped to a test folder, under the Chinese code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "DownloadTestSupport.h"
#include "SilentServer.h"
#include "WindowTool.h"

namespace {

using downloads::GameColumn;
using downloads::TestName;
using launcher::LauncherRun;
using launcher::RequestsOf;

class DownloadFlowTest : public downloads::DownloadTest {};

constexpr size_t npos = std::wstring::npos;

// The thread field and the text of a log line ("[time]|[process]|[thread]|[level]|text").
struct LogLine {
    std::wstring thread;
    std::wstring text;
};
LogLine SplitLogLine(const std::wstring& line) {
    LogLine parts;
    size_t at = 0;
    for (int field = 0; field < 4; ++field) {
        size_t bar = line.find(L'|', at);
        if (bar == npos) return parts;
        if (field == 2) parts.thread = line.substr(at, bar - at);
        at = bar + 1;
    }
    parts.text = line.substr(at);
    return parts;
}

// The text that the thread of the first line holding text logged just before
// it; "" when there is none.
std::wstring SameThreadLineBefore(const LauncherRun& run, const std::wstring& text) {
    std::vector<std::wstring> log = run.Log();
    auto found = std::find_if(log.begin(), log.end(), [&](const std::wstring& l) { return l.find(text) != npos; });
    if (found == log.end()) return std::wstring();
    std::wstring thread = SplitLogLine(*found).thread;
    while (found != log.begin()) {
        LogLine line = SplitLogLine(*--found);
        if (line.thread == thread) return line.text;
    }
    return std::wstring();
}

// The package size in KB the library first told of for a game ("... totalSize=%u KB").
std::string PackageKB(const LauncherRun& run, int gameId) {
    std::wstring key = L"[Download] OnCalcPkgDownInfo pkgId=" + std::to_wstring(gameId) + L" ";
    for (const std::wstring& line : run.Log()) {
        size_t at = line.find(L"totalSize=");
        if (line.find(key) != npos && at != npos) return std::to_string(wcstoul(line.c_str() + at + 10, nullptr, 10));
    }
    return "<none>";
}

// Log lines from index from on that hold text.
size_t CountLogSince(const LauncherRun& run, size_t from, const std::wstring& text) {
    std::vector<std::wstring> log = run.Log();
    size_t count = 0;
    for (size_t i = from; i < log.size(); ++i) count += log[i].find(text) != npos;
    return count;
}

bool WaitForLogSince(const LauncherRun& run, size_t from, const std::wstring& text, DWORD timeoutMs = 30000) {
    return harness::WaitUntil([&] { return CountLogSince(run, from, text) > 0; }, timeoutMs);
}

// The calls the lobby page received, as "name(args)" joined by ";".
std::wstring PageCalls(const LauncherRun& run, int page) {
    return run.EvalResult(page, L"launcherCalls.map(function (c) { return c.name + '(' + c.args + ')'; }).join(';')");
}

// The back-end's install information of a test game; extra holds route
// members that make it late or silent.
std::string InstallInfoRoute(int gameId, const std::string& extra, const std::string& version) {
    std::string id = std::to_string(gameId);
    return "{\"path\":\"/orv2/api/getFrontData.do\",\"params\":{\"type\":\"gameInstallInfo\",\"gameId\":\"" + id +
           "\",\"idType\":\"2\"}," + extra + "\"body_json\":{\"code\":0,\"pkgId\":" + id + ",\"jtGameId\":" + id +
           ",\"startExe\":\"game.exe\",\"gameExe\":\"bin\\\\game.exe\",\"version\":\"" + version + "\"}}";
}

// The longest the launcher's window thread may take to answer while it
// starts, pauses, resumes or cancels downloads. The goal is 50 ms on a quiet
// machine; the margin is for a loaded test machine, while a thread that
// waits for the network or for the library's threads takes seconds.
constexpr DWORD kWindowAnswerBoundMs = 250;

// The window's own start is over: what the window thread does from then on
// is the downloads' doing.
bool WaitForWindowStart(const LauncherRun& run) {
    return run.WaitForLog(L"CMainWnd::OnWindowInit out") &&
           run.WaitForLog(L"CMainWnd::OnWebPageLoadEnd cef=Cef_Game_lobby url=file:");
}

// The times (ms) of the table's progress writes of a game, in order.
std::vector<long> ProgressWriteTimes(const LauncherRun& run, int gameId) {
    std::vector<long> times;
    std::wstring key = L" WHERE GameId=" + std::to_wstring(gameId) + L";";
    for (const std::wstring& line : run.Log()) {
        if (line.find(L"ExecuteSQL done:UPDATE GameInfo2_1 SET Download=") != std::wstring::npos &&
            line.find(key) != std::wstring::npos)
            times.push_back(downloads::LineTimeMs(line));
    }
    return times;
}

TEST_F(DownloadFlowTest, APageDownloadsAGameThatPausesResumesAndEndsInstalled) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run, {L"NetLimit=1", L"LimitSpeed=150"});
    harness::RemoveTree(downloads::GameFolder(101));
    ASSERT_TRUE(downloads::CreateGameTable(run));
    run.EnableRemoteControl();
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    int lobby = run.WaitForBrowser(L"/html/index.html");
    ASSERT_NE(0, lobby) << run.LogText();
    auto pageDownload = [&] { run.Eval(lobby, L"window.external.downloadGame(101, '测试游戏'); 1"); };

    // The page's request: the download panel with one row, the install
    // information asked for and the download reported.
    pageDownload();
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run).size() == 1; }, 20000)) << run.LogText();
    launcher::Control box;
    EXPECT_TRUE(run.FindControl(L"game_download_box", &box) && box.visible) << "the download panel shows";
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Download game=101, path=G:\\Game_101\\")) << run.LogText();
    // The launcher logs the end of each request: by then the back-end has it.
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|pkgId = 101")) << "the install information came\n" << run.LogText();
    EXPECT_FALSE(RequestsOf("/orv2/api/getFrontData.do", "type=gameInstallInfo&gameId=101").empty())
        << "the install information was asked for";
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|report game(101) download done")) << "the download was reported\n"
                                                                             << run.LogText();
    EXPECT_FALSE(RequestsOf(harness::Narrow(run.ReportPath()), "type=3").empty()) << "the download report";
    EXPECT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run)[0].name == L"测试游戏  3MB"; }, 30000))
        << downloads::Describe(downloads::PanelRows(run));
    EXPECT_TRUE(run.WaitForLog(L"update game download pic=temp\\download_101.png")) << "the row's picture came";

    // Asked again while it runs: a warning and no second row.
    ASSERT_TRUE(harness::WaitUntil([&] { return atoi(GameColumn(run, 101, "Download").c_str()) > 0; }, 30000))
        << run.LogText();
    pageDownload();
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|CMainWnd WM_ON_JS_DOWNLOAD_GAME game=101 is downloading")) << run.LogText();
    EXPECT_EQ(1u, downloads::PanelRows(run).size());

    // Paused: the table keeps the per mille reached, the row shows no time left.
    ASSERT_TRUE(run.Click(L"game_download_btn"));
    ASSERT_TRUE(run.Click(L"pause_btn_0"));
    ASSERT_TRUE(run.WaitForLog(L"[Info]|CMainWnd pause game download, gameId=101")) << run.LogText();
    Sleep(1000);
    downloads::PanelRow row = downloads::PanelRows(run)[0];
    int paused = atoi(GameColumn(run, 101, "Download").c_str());
    EXPECT_GT(paused, 0);
    EXPECT_LT(paused, 1000);
    EXPECT_EQ(L"剩余 00:00:00", row.remain);
    wchar_t percent[16];
    swprintf(percent, 16, L"%.1f%%", paused / 10.0);
    EXPECT_EQ(percent, row.percent) << "the row shows what the table keeps";
    EXPECT_EQ(L"ExecuteSQL done:UPDATE GameInfo2_1 SET Download=" + std::to_wstring(paused) + L" WHERE GameId=101;",
              SameThreadLineBefore(run, L"CMainWnd pause game download, gameId=101"))
        << "the pause itself keeps the progress in the table";

    // Asked again while paused: the row resumes and runs on from there.
    pageDownload();
    EXPECT_TRUE(run.WaitForLog(L"[Info]|CMainWnd WM_ON_JS_DOWNLOAD_GAME game=101 already in download task list"));
    ASSERT_TRUE(run.WaitForLog(L"[Info]|CMainWnd restore game download, gameId=101")) << run.LogText();
    long resumedAt = run.LogTimeMs(L"CMainWnd restore game download, gameId=101");

    // Installed: the package's files, a finished row, the table complete.
    ASSERT_TRUE(WaitForColumn(run, 101, "Status", "0")) << run.LogText();
    EXPECT_EQ("", downloads::CompareTrees(downloads::PackageSource(L"game"), downloads::GameFolder(101)));
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run)[0].percent == L"100%"; }, 10000))
        << downloads::Describe(downloads::PanelRows(run));
    EXPECT_FALSE(downloads::PanelRows(run)[0].pauseEnabled);
    EXPECT_EQ("101", GameColumn(run, 101, "PkgId"));
    EXPECT_EQ("G:\\Game_101\\", GameColumn(run, 101, "LocalPath"));
    EXPECT_EQ("game.exe", GameColumn(run, 101, "StartExe"));
    EXPECT_EQ("bin\\game.exe", GameColumn(run, 101, "GameExe"));
    EXPECT_EQ(downloads::AnsiOf(L"测试游戏"), GameColumn(run, 101, "GameName"));
    EXPECT_EQ("1000", GameColumn(run, 101, "Download"));
    EXPECT_EQ("2", GameColumn(run, 101, "LocalVersion"));
    EXPECT_EQ(PackageKB(run, 101), GameColumn(run, 101, "GameSize")) << "the package size is kept";
    size_t resumedSamples = 0;
    for (const downloads::ProgressSample& sample : downloads::ProgressSamples(run, 101)) {
        if (sample.timeMs <= resumedAt) continue;
        ++resumedSamples;
        EXPECT_GE(sample.perMille, paused) << "the resumed task runs on";
    }
    EXPECT_GE(resumedSamples, 2u) << "the resumed row shows its progress";
    std::vector<long> writes = ProgressWriteTimes(run, 101);
    std::vector<long> gaps;
    for (size_t i = 1; i < writes.size(); ++i) gaps.push_back(writes[i] - writes[i - 1]);
    ASSERT_GE(gaps.size(), 3u) << run.LogText();
    std::sort(gaps.begin(), gaps.end());
    std::cout << "benchmark: table progress written every " << gaps[gaps.size() / 2] << " ms (median)" << std::endl;
    EXPECT_NEAR(1800, gaps[gaps.size() / 2], 600) << "written about every 1.8 s";

    // The page asks whether the game is installed: it is.
    run.Eval(lobby, L"window.external.isGameIntalled(101); 1");
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            return run.EvalResult(lobby, L"launcherCalls.map(function (c) { return c.name + '(' + c.args + ')'; })"
                                         L".join(';')")
                       .find(L"gameIsLoad(1,101)") != std::wstring::npos;
        },
        20000))
        << run.LogText();

    // A file goes bad and the page asks for an update: the finished row runs
    // again as an update, from nothing, and ends finished again.
    std::wstring broken = downloads::GameFolder(101) + L"\\data\\level1.pak";
    std::string bytes = harness::ReadFileBytes(broken);
    ASSERT_GT(bytes.size(), 1000000u);
    for (size_t at = 0; at < 1000000; at += 32768) bytes[at] = static_cast<char>(~bytes[at]);
    ASSERT_TRUE(harness::WriteFileBytes(broken, bytes));
    long updatedAt = launcher::NowMs();
    run.Eval(lobby, L"window.external.updateGame(101); 1");
    EXPECT_TRUE(run.WaitForLog(L"ExecuteSQL done:UPDATE GameInfo2_1 SET Status=2 WHERE GameId=101;")) << run.LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return run.CountLog(L"[Download] OnTaskSuccess pkgId=101") == 2; }, 60000))
        << run.LogText();
    ASSERT_TRUE(WaitForColumn(run, 101, "Status", "0")) << run.LogText();
    EXPECT_EQ("", downloads::CompareTrees(downloads::PackageSource(L"game"), downloads::GameFolder(101)));
    std::vector<downloads::ProgressSample> updating;
    for (const downloads::ProgressSample& sample : downloads::ProgressSamples(run, 101)) {
        if (sample.timeMs > updatedAt) updating.push_back(sample);
    }
    ASSERT_FALSE(updating.empty()) << "the update's progress is shown";
    EXPECT_LT(updating.front().perMille, 1000) << "from nothing, not from the finished download";
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run)[0].percent == L"100%"; }, 10000))
        << downloads::Describe(downloads::PanelRows(run));
    EXPECT_EQ(1u, downloads::PanelRows(run).size());
    EXPECT_FALSE(downloads::PanelRows(run)[0].pauseEnabled);
    EXPECT_TRUE(run.CloseAndExitCleanly());
}

TEST_F(DownloadFlowTest, InstalledGamesAreCheckedAtStartAndUpdated) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run);
    harness::RemoveTree(downloads::GameFolder(101));
    ASSERT_TRUE(InsertGames(run, {{101, L"测试游戏"}, {121, L"无版本"}}));
    ASSERT_TRUE(downloads::WriteGameList(run, {{101, L"测试游戏"}, {121, L"无版本"}}));
    std::wstring shellRecord = run.Dir() + L"\\shell_record.txt";
    harness::SetUrlRecordFile(shellRecord);
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

    // The row's folder button opens the game folder in the shell.
    ASSERT_TRUE(run.Click(L"game_download_btn"));
    ASSERT_TRUE(run.Click(L"folder_btn_0"));
    ASSERT_TRUE(harness::WaitUntil([&] { return !harness::RecordedUrls(shellRecord).empty(); }, 15000))
        << run.LogText();
    EXPECT_NE(std::wstring::npos, harness::RecordedUrls(shellRecord)[0].find(L"G:\\Game_101"))
        << harness::Narrow(harness::RecordedUrls(shellRecord)[0]);

    // Killed now, the launcher loses nothing it committed: the table's last
    // commits wait in its write-ahead log, and the next start reads them
    // there - it asks for updates of version 2.
    run.Process().Kill();
    std::wstring table = harness::Widen(downloads::TablePath(run));
    EXPECT_TRUE(harness::FileExists(table + L"-wal")) << "the commits wait in the log";
    harness::ChildProcess again;
    ASSERT_TRUE(again.Start(run.ExePath(), L""));
    ASSERT_NE(nullptr, run.WaitForMainWindow()) << run.LogText();
    EXPECT_TRUE(harness::WaitUntil(
        [] { return !RequestsOf("/orv2/api/getFrontData.do", "type=gameUpdate&version=2&gameId=101&idType=2").empty(); },
        30000))
        << run.LogText();
    EXPECT_EQ("0", GameColumn(run, 101, "Status"));

    // A clean end folds the log back: one plain SQLite 3 file, with the table
    // as it was created, holds the installed game.
    ASSERT_TRUE(harness::PostToWindow(run.MainWindow(), WM_CLOSE, 0, 0));
    DWORD code = 1;
    ASSERT_TRUE(again.Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(harness::FileExists(table + L"-wal"));
    EXPECT_EQ(std::string("SQLite format 3\0", 16), harness::ReadFileBytes(table).substr(0, 16));
    harness::RawDb db(downloads::TablePath(run));
    EXPECT_EQ((std::vector<std::string>{"0", "1000", "2", "2"}),
              db.Row("SELECT Status, Download, LocalVersion, IdcVersion FROM GameInfo2_1 WHERE GameId=101;"));
    EXPECT_EQ(0u, db.Cell("SELECT sql FROM sqlite_master WHERE name='GameInfo2_1';").find("CREATE TABLE GameInfo2_1("));
}

TEST_F(DownloadFlowTest, AnUpdateCutOffByClosingKeepsTheOldVersionAndTheNextStartFindsIt) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run, {L"NetLimit=1", L"LimitSpeed=800"});
    harness::RemoveTree(downloads::GameFolder(102));
    ASSERT_TRUE(InsertGames(run, {{102, L"大游戏"}}));
    {
        // Version 0 is installed and no newer one is known yet.
        harness::RawDb db(downloads::TablePath(run));
        ASSERT_EQ(SQLITE_OK, db.Exec("UPDATE GameInfo2_1 SET LocalVersion='0', IdcVersion='0' WHERE GameId=102;"));
    }
    ASSERT_TRUE(downloads::WriteGameList(run, {{102, L"大游戏"}}));
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    ASSERT_TRUE(RequestUpdate(run, 102));
    ASSERT_TRUE(harness::WaitUntil([&] { return atoi(GameColumn(run, 102, "Download").c_str()) > 0; }, 30000))
        << run.LogText();
    // The package is known: the version it brings and its size. The
    // installed version stays until the update is complete.
    EXPECT_EQ("1", GameColumn(run, 102, "IdcVersion"));
    EXPECT_EQ(PackageKB(run, 102), GameColumn(run, 102, "GameSize"));
    EXPECT_EQ("0", GameColumn(run, 102, "LocalVersion"));
    EXPECT_EQ("2", GameColumn(run, 102, "Status"));

    // Paused and resumed, it goes on as an update of the game's folder.
    ASSERT_TRUE(run.Click(L"pause_btn_0"));
    ASSERT_TRUE(run.WaitForLog(L"[Info]|CMainWnd pause game download, gameId=102")) << run.LogText();
    ASSERT_TRUE(run.Click(L"pause_btn_0"));
    ASSERT_TRUE(run.WaitForLog(L"[Info]|CMainWnd restore game download, gameId=102")) << run.LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return run.CountLog(L"[Debug]|Update game, path=G:\\Game_102\\") == 2; },
                                   10000))
        << run.LogText();
    size_t shown = downloads::ProgressSamples(run, 102).size();
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::ProgressSamples(run, 102).size() >= shown + 2; }, 30000))
        << run.LogText();

    // Closed while it runs: the task stops, the table keeps its progress.
    ASSERT_TRUE(run.Click(L"closebtn"));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    size_t closing = run.LogIndex(L"CMainWnd::OnCloseMainWnd enter");
    size_t cancelled = run.LogIndex(L"[Info]|[Download] OnTaskCancel pkgId=102");
    size_t left = run.LogIndex(L"[Debug]|Update game download progress to DB thread leave");
    size_t gone = run.LogIndex(L"~CMainWnd() out");
    ASSERT_NE(npos, closing) << run.LogText();
    EXPECT_NE(npos, cancelled) << "the running task was stopped";
    EXPECT_LT(closing, cancelled);
    EXPECT_NE(npos, left) << run.LogText();
    EXPECT_LT(left, gone) << "the progress thread ended before the window";
    std::string library = harness::ReadFileBytes(run.Dir() + L"\\Log\\OrvDown.log");
    EXPECT_NE(std::string::npos, library.find("StopTask pkgId=102")) << library;
    std::vector<downloads::ProgressSample> samples = downloads::ProgressSamples(run, 102);
    ASSERT_FALSE(samples.empty());
    EXPECT_GT(samples.back().perMille, 0);
    EXPECT_LT(samples.back().perMille, 1000);
    EXPECT_EQ(std::to_string(samples.back().perMille), GameColumn(run, 102, "Download"))
        << "the table keeps the last progress shown";
    EXPECT_EQ("2", GameColumn(run, 102, "Status"));
    EXPECT_EQ("0", GameColumn(run, 102, "LocalVersion")) << "the old version is still the installed one";
    EXPECT_EQ("1", GameColumn(run, 102, "IdcVersion"));

    // The next start finds the update again, and the page's download
    // request goes on with it (never as a new download).
    size_t firstRun = run.Log().size();
    run.SetIniValue(L"download", L"NetLimit", L"0");
    run.EnableRemoteControl();
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    EXPECT_TRUE(WaitForLogSince(run, firstRun, L"[Debug]|Check game update find homeId=102 need update, status=2"))
        << run.LogText();
    int lobby = run.WaitForBrowser(L"/html/index.html");
    ASSERT_NE(0, lobby) << run.LogText();
    run.Eval(lobby, L"window.external.downloadGame(102, '大游戏'); 1");
    EXPECT_TRUE(WaitForLogSince(run, firstRun, L"[Info]|CMainWnd WM_ON_JS_DOWNLOAD_GAME game=102 is being updated"))
        << run.LogText();
    EXPECT_TRUE(WaitForLogSince(run, firstRun, L"[Debug]|Update game, path=G:\\Game_102\\")) << run.LogText();
    ASSERT_TRUE(WaitForColumn(run, 102, "Status", "0")) << run.LogText();
    EXPECT_EQ("1", GameColumn(run, 102, "LocalVersion"));
    EXPECT_EQ("1000", GameColumn(run, 102, "Download"));
    EXPECT_EQ("", downloads::CompareTrees(downloads::PackageSource(L"big"), downloads::GameFolder(102)));
    EXPECT_FALSE(run.LogHas(L"SET Status=1 WHERE GameId=102;")) << "the game was never taken for a new download";
    EXPECT_TRUE(run.CloseAndExitCleanly());
}

// New downloads whose package is already in place end at once, before the
// back-end tells the install information (late, or never); a game that is
// installed is asked for again while its package is on no server. Every row
// is right after the launcher's restart.
TEST_F(DownloadFlowTest, RecordsOfDownloadsHoldWithoutTheBackEndAndAfterARestart) {
    const int late = 140, silent = 141, installed = 150;
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run);
    for (int id : {late, silent}) {
        harness::RemoveTree(downloads::GameFolder(id));
        ASSERT_TRUE(harness::CopyTree(downloads::PackageSource(L"game"), downloads::GameFolder(id)));
    }
    ASSERT_TRUE(InsertGames(run, {{installed, L"已装游戏"}}));
    ASSERT_TRUE(launcher::Backend().AddRoutes("[" + InstallInfoRoute(late, "\"delay_ms\":8000,", "2") + "," +
                                              InstallInfoRoute(silent, "\"no_answer\":true,\"hold_ms\":3000,", "2") +
                                              "]"));
    run.EnableRemoteControl();
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    int lobby = run.WaitForBrowser(L"/html/index.html");
    ASSERT_NE(0, lobby) << run.LogText();
    run.Eval(lobby, L"window.external.downloadGame(140, '迟到游戏'); window.external.downloadGame(141, '无应答游戏');"
                    L"window.external.downloadGame(150, '已装游戏'); 1");

    // Both downloads end complete, each in its row of the start.
    const std::vector<std::pair<int, std::wstring>> downloadsRun = {{late, L"迟到游戏"}, {silent, L"无应答游戏"}};
    for (const auto& [id, name] : downloadsRun) {
        std::wstring game = std::to_wstring(id);
        ASSERT_TRUE(run.WaitForLog(L"[Info]|[Download] OnTaskSuccess pkgId=" + game + L" pkgVer=2", 60000))
            << run.LogText();
        ASSERT_TRUE(WaitForColumn(run, id, "Status", "0")) << id << "\n" << run.LogText();
        EXPECT_EQ("1000", GameColumn(run, id, "Download")) << id;
        EXPECT_EQ("2", GameColumn(run, id, "LocalVersion")) << id;
        EXPECT_EQ("G:\\Game_" + std::to_string(id) + "\\", GameColumn(run, id, "LocalPath")) << id;
        EXPECT_EQ(downloads::AnsiOf(name), GameColumn(run, id, "GameName")) << id;
        EXPECT_FALSE(run.LogHas(L"ExecuteSQL changed no row:UPDATE GameInfo2_1 SET Download=1000, LocalVersion=2, "
                                L"Status=0 WHERE GameId=" + game + L";"))
            << "the success found the row";
    }

    // The installed game: no new task, its row stays complete, the page hears it is installed.
    EXPECT_TRUE(run.WaitForLog(L"[Info]|CMainWnd WM_ON_JS_DOWNLOAD_GAME game=150 is installed")) << run.LogText();
    EXPECT_TRUE(harness::WaitUntil([&] { return PageCalls(run, lobby).find(L"gameIsLoad(1,150)") != npos; }, 20000))
        << harness::Narrow(PageCalls(run, lobby));
    EXPECT_EQ("0", GameColumn(run, installed, "Status"));
    EXPECT_EQ(2u, downloads::PanelRows(run).size()) << downloads::Describe(downloads::PanelRows(run));

    // The late answer fills the rest of its row; the silent one gives up.
    ASSERT_TRUE(run.WaitForLog(L"[Debug]|pkgId = 140")) << run.LogText();
    EXPECT_LT(run.LogIndex(L"OnTaskSuccess pkgId=140"), run.LogIndex(L"[Debug]|pkgId = 140"))
        << "the download ended before the back-end answered";
    ASSERT_TRUE(WaitForColumn(run, late, "PkgId", "140")) << run.LogText();
    EXPECT_EQ("game.exe", GameColumn(run, late, "StartExe"));
    EXPECT_EQ("bin\\game.exe", GameColumn(run, late, "GameExe"));
    EXPECT_EQ("0", GameColumn(run, late, "Status"));
    ASSERT_TRUE(run.WaitForLog(L"[Error]|Request game config info HttpGet failed")) << run.LogText();
    EXPECT_EQ("0", GameColumn(run, silent, "PkgId"));
    EXPECT_EQ("", GameColumn(run, silent, "StartExe"));
    EXPECT_TRUE(run.CloseAndExitCleanly());
    std::string library = harness::ReadFileBytes(run.Dir() + L"\\Log\\OrvDown.log");
    EXPECT_EQ(std::string::npos, library.find("pkgId=150")) << library;

    // Restarted with the back-end answering: only the game whose answer
    // never came is asked again; it gets its ids and programs, and keeps the
    // version it installed.
    ASSERT_TRUE(launcher::Backend().AddRoutes(InstallInfoRoute(silent, "", "3")));
    size_t firstRun = run.Log().size();
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    EXPECT_TRUE(WaitForLogSince(run, firstRun, L"[Debug]|pkgId = 141")) << run.LogText();
    ASSERT_TRUE(WaitForColumn(run, silent, "PkgId", "141")) << run.LogText();
    EXPECT_EQ(2u, RequestsOf("/orv2/api/getFrontData.do", "type=gameInstallInfo&gameId=141&").size());
    EXPECT_EQ(1u, RequestsOf("/orv2/api/getFrontData.do", "type=gameInstallInfo&gameId=140&").size());
    EXPECT_EQ("game.exe", GameColumn(run, silent, "StartExe"));
    EXPECT_EQ("bin\\game.exe", GameColumn(run, silent, "GameExe"));
    EXPECT_EQ("2", GameColumn(run, silent, "LocalVersion"));
    EXPECT_EQ("G:\\Game_141\\", GameColumn(run, silent, "LocalPath"));
    EXPECT_EQ(downloads::AnsiOf(L"无应答游戏"), GameColumn(run, silent, "GameName"));
    EXPECT_EQ(0u, CountLogSince(run, firstRun, L"DownloadGamePicImage")) << "no row shows a picture";
    lobby = run.WaitForBrowser(L"/html/index.html");
    ASSERT_NE(0, lobby) << run.LogText();
    run.Eval(lobby, L"window.external.isGameIntalled(140); window.external.isGameIntalled(141);"
                    L"window.external.isGameIntalled(150); 1");
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            std::wstring calls = PageCalls(run, lobby);
            return calls.find(L"gameIsLoad(1,140)") != npos && calls.find(L"gameIsLoad(1,141)") != npos &&
                   calls.find(L"gameIsLoad(1,150)") != npos;
        },
        20000))
        << harness::Narrow(PageCalls(run, lobby));
    for (int id : {late, silent, installed}) EXPECT_EQ("0", GameColumn(run, id, "Status")) << id;
    EXPECT_TRUE(run.CloseAndExitCleanly());
}

TEST_F(DownloadFlowTest, ElevenTasksShareTenSlotsPauseKeepsTheSlotAndCancelAllClears) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run, {L"NetLimit=1", L"LimitSpeed=1500"});
    std::vector<std::pair<int, std::wstring>> games = {{101, L"测试游戏"}};
    for (int id = 103; id <= 113; ++id) games.push_back({id, L"游戏" + std::to_wstring(id)});
    for (const auto& game : games) harness::RemoveTree(downloads::GameFolder(game.first));
    ASSERT_TRUE(InsertGames(run, games));
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    ASSERT_TRUE(WaitForWindowStart(run)) << run.LogText();

    // A finished row first, then eleven downloads at once. The window thread
    // answers at once while they start: the first start brings the library
    // up on the thread that makes the library's calls.
    harness::ResponsivenessProbe probe;
    probe.Start(run.MainWindow());
    ASSERT_TRUE(RequestUpdate(run, 101));
    ASSERT_TRUE(run.WaitForLog(L"[Download] OnCalcPkgDownInfo pkgId=101")) << run.LogText();
    probe.Stop();
    DWORD startAnswer = probe.MaxLatencyMs();
    std::cout << "benchmark: window thread answered within " << startAnswer << " ms (worst at " << probe.WorstAtMs()
              << ") while the first download started" << std::endl;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            std::vector<downloads::PanelRow> rows = downloads::PanelRows(run);
            return rows.size() == 1 && rows[0].percent == L"100%";
        },
        60000))
        << run.LogText();
    probe.Start(run.MainWindow());
    for (int id = 103; id <= 113; ++id) ASSERT_TRUE(RequestUpdate(run, id));
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run).size() == 12; }, 20000))
        << downloads::Describe(downloads::PanelRows(run));
    ASSERT_TRUE(run.WaitForLog(L"[Download] OnCalcPkgDownInfo pkgId=113")) << run.LogText();
    probe.Stop();
    std::cout << "benchmark: window thread answered within " << probe.MaxLatencyMs() << " ms (worst at "
              << probe.WorstAtMs() << ") while eleven more downloads started" << std::endl;
    startAnswer = std::max(startAnswer, probe.MaxLatencyMs());
    EXPECT_LE(startAnswer, kWindowAnswerBoundMs);
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|InitProgressTask failed, gameId=113")) << run.LogText();
    EXPECT_EQ(1u, run.CountLog(L"InitProgressTask failed")) << "only the eleventh task goes without a slot";

    // Ten rows refresh every second: what one refresh costs, from its log lines.
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::ProgressSamples(run, 112).size() >= 2; }, 30000));
    probe.Start(run.MainWindow());
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::ProgressSamples(run, 112).size() >= 6; }, 30000));
    probe.Stop();
    std::cout << "benchmark: window thread answered within " << probe.MaxLatencyMs() << " ms while eleven tasks ran ("
              << probe.Samples() << " probes)" << std::endl;
    EXPECT_LE(probe.MaxLatencyMs(), kWindowAnswerBoundMs);
    long worst = -1;
    int ticks = 0;
    std::vector<long> tick;
    for (const std::wstring& line : run.Log()) {
        if (line.find(L"|gameId=") == std::wstring::npos || line.find(L" progress=") == std::wstring::npos) continue;
        long at = downloads::LineTimeMs(line);
        if (!tick.empty() && at - tick.back() > 300) {
            if (tick.size() == 10) {
                worst = std::max(worst, tick.back() - tick.front());
                ++ticks;
            }
            tick.clear();
        }
        tick.push_back(at);
    }
    std::cout << "benchmark: panel refresh with 10 running rows: at most " << worst << " ms over " << ticks
              << " ticks (log clock, ms resolution)" << std::endl;
    EXPECT_GT(ticks, 0);
    ASSERT_TRUE(run.Click(L"game_download_btn"));
    Sleep(500);
    EXPECT_TRUE(harness::SaveWindowScreenshot(run.MainWindow(), L"downloads_panel"));

    // Twelve pauses and resumes of one task: it keeps its slot and its progress shows on.
    std::vector<downloads::PanelRow> rows = downloads::PanelRows(run);
    ASSERT_EQ(L"pause_btn_1", rows[1].pauseButton);
    probe.Start(run.MainWindow());
    for (size_t cycle = 1; cycle <= 12; ++cycle) {
        ASSERT_TRUE(run.Click(L"pause_btn_1"));
        ASSERT_TRUE(harness::WaitUntil(
            [&] { return run.CountLog(L"CMainWnd pause game download, gameId=103") == cycle; }, 10000));
        ASSERT_TRUE(run.Click(L"pause_btn_1"));
        ASSERT_TRUE(harness::WaitUntil(
            [&] { return run.CountLog(L"CMainWnd restore game download, gameId=103") == cycle; }, 10000));
    }
    probe.Stop();
    DWORD pauseAnswer = probe.MaxLatencyMs();
    std::cout << "benchmark: window thread answered within " << pauseAnswer << " ms over twelve pauses and resumes"
              << std::endl;
    EXPECT_LE(pauseAnswer, kWindowAnswerBoundMs);
    EXPECT_EQ(1u, run.CountLog(L"InitProgressTask failed")) << "a resumed task takes its own slot again";
    size_t shown = downloads::ProgressSamples(run, 103).size();
    EXPECT_TRUE(harness::WaitUntil([&] { return downloads::ProgressSamples(run, 103).size() >= shown + 2; }, 20000))
        << "the resumed task's progress is shown";

    // Cancel all: every row goes, unfinished tasks stop, the finished one is only removed.
    probe.Start(run.MainWindow());
    ASSERT_TRUE(run.Click(L"cancel_all_btn"));
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run).empty(); }, 10000))
        << downloads::Describe(downloads::PanelRows(run));
    for (int id = 103; id <= 113; ++id) {
        EXPECT_TRUE(run.WaitForLog(L"[Download] OnTaskCancel pkgId=" + std::to_wstring(id), 10000))
            << id << " was stopped";
    }
    for (int id = 103; id <= 113; ++id) EXPECT_EQ("3", GameColumn(run, id, "Status")) << id;
    EXPECT_EQ("0", GameColumn(run, 101, "Status")) << "a finished row keeps its game installed";
    EXPECT_EQ(L"总 G / 剩余 G", downloads::ControlText(run, L"remain_size"));
    EXPECT_EQ(L"总速度 0.0MB/s", downloads::ControlText(run, L"total_speed"));
    EXPECT_EQ(L"剩余  0分0秒", downloads::ControlText(run, L"remain_time"));
    std::string library = harness::ReadFileBytes(run.Dir() + L"\\Log\\OrvDown.log");
    EXPECT_NE(std::string::npos, library.find("StopTask pkgId=103"));
    EXPECT_EQ(std::string::npos, library.find("StopTask pkgId=101")) << "no stop for a finished row";
    // Nothing writes a removed task's progress any more.
    size_t writes = run.CountLog(L"SET Download=");
    Sleep(4000);
    EXPECT_EQ(writes, run.CountLog(L"SET Download="));

    probe.Stop();
    DWORD cancelAnswer = probe.MaxLatencyMs();
    std::cout << "benchmark: window thread answered within " << cancelAnswer << " ms while eleven tasks were cancelled"
              << std::endl;
    EXPECT_LE(cancelAnswer, kWindowAnswerBoundMs);
    std::cout << "benchmark: window thread's longest answer (goal 50 ms): starts " << startAnswer
              << " ms, pauses and resumes " << pauseAnswer << " ms, cancel all " << cancelAnswer << " ms" << std::endl;
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(DownloadFlowTest, AFailedStartLeavesARowPausedAndAnswersWithoutIdsSaveNothing) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run);
    run.SetIniValue(L"download", L"address", L"");
    ASSERT_TRUE(InsertGames(run, {{101, L"测试游戏"}}));
    ASSERT_TRUE(StartRun(run)) << run.LogText();

    ASSERT_TRUE(RequestUpdate(run, 101));
    EXPECT_TRUE(run.WaitForLog(L"[Error]|Game download init failed, server address is null")) << run.LogText();
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run).size() == 1; }, 10000));
    // The row shows no running task: its button resumes (and fails again) instead of pausing.
    ASSERT_TRUE(run.Click(L"pause_btn_0"));
    EXPECT_TRUE(run.WaitForLog(L"[Info]|CMainWnd restore game download, gameId=101", 10000)) << run.LogText();
    EXPECT_EQ(2u, run.CountLog(L"Game download init failed, server address is null"));
    EXPECT_FALSE(run.LogHas(L"CMainWnd pause game download"));

    // An install answer without "pkgId" saves nothing.
    ASSERT_TRUE(RequestUpdate(run, 130));
    EXPECT_TRUE(run.WaitForLog(L"[Error]|Request game config info(homeId=130) without pkgId or jtGameId"))
        << run.LogText();
    EXPECT_EQ("<no row>", GameColumn(run, 130, "GameId"));
    EXPECT_TRUE(run.WaitForLog(L"[Warning]|gameId=130 get name from local db failed"));

    // Full screen without the library up: only the state is kept.
    ASSERT_TRUE(harness::PostToWindow(run.MainWindow(), downloads::kOtherFullScreenMessage, 2, 1));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|一个窗口全屏了", 5000));
    EXPECT_FALSE(run.LogHas(L"smart mode"));
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

// Lines of the download library's log that hold text.
size_t CountLibraryLines(const LauncherRun& run, const std::string& text) {
    std::string log = harness::ReadFileBytes(run.Dir() + L"\\Log\\OrvDown.log");
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, log.find('\n', at))) ++n;
    return n;
}

TEST_F(DownloadFlowTest, ASilentDownloadServerHoldsNoWindowAndIsTriedAgainAtTheNextStart) {
    SilentServer silent;
    ASSERT_NE(0, silent.Port());
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run);
    run.SetIniValue(L"download", L"port", std::to_wstring(silent.Port()));
    ASSERT_TRUE(InsertGames(run, {{101, L"测试游戏"}, {103, L"游戏103"}}));
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    ASSERT_TRUE(WaitForWindowStart(run)) << run.LogText();

    // Two updates while the library's server says nothing for seconds: the
    // window thread goes on answering, both rows wait for one bring-up.
    harness::ResponsivenessProbe probe;
    probe.Start(run.MainWindow());
    ASSERT_TRUE(RequestUpdate(run, 101));
    ASSERT_TRUE(RequestUpdate(run, 103));
    ASSERT_TRUE(harness::WaitUntil([&] { return downloads::PanelRows(run).size() == 2; }, 10000));
    ASSERT_TRUE(run.WaitForLog(L"[Error]|ConnectSSS(127.0.0.1) failed", 30000)) << run.LogText();
    probe.Stop();
    std::cout << "benchmark: window thread answered within " << probe.MaxLatencyMs()
              << " ms while the library waited for a silent server" << std::endl;
    EXPECT_LE(probe.MaxLatencyMs(), kWindowAnswerBoundMs) << "the window thread waited for the server";
    EXPECT_EQ(1u, CountLibraryLines(run, "|Info|DownInit")) << "one bring-up for both";
    EXPECT_EQ(0u, CountLibraryLines(run, "|Info|SetTotalSpeedLimit") + CountLibraryLines(run, "|Info|CreateTask"))
        << "no call after the failure";
    EXPECT_FALSE(run.LogHas(L"Update game, path=")) << "no update was started";
    EXPECT_EQ("0", GameColumn(run, 101, "Status")) << "the table is left as it was";

    // The rows stay with no task behind them: a click on one resumes it, and
    // the library is brought up again, from DownInit.
    ASSERT_TRUE(run.Click(L"game_download_btn"));
    ASSERT_TRUE(run.Click(L"pause_btn_0"));
    EXPECT_TRUE(run.WaitForLog(L"[Info]|CMainWnd restore game download, gameId=101", 10000)) << run.LogText();
    EXPECT_FALSE(run.LogHas(L"CMainWnd pause game download"));
    EXPECT_TRUE(harness::WaitUntil([&] { return CountLibraryLines(run, "|Info|DownInit") == 2; }, 10000))
        << harness::ReadFileBytes(run.Dir() + L"\\Log\\OrvDown.log");

    // Closed meanwhile, the launcher still ends cleanly.
    EXPECT_TRUE(run.CloseAndExitCleanly()) << run.LogText();
}

// Opens a game button's menu as a click on its corner does, with posted
// mouse messages: the shared pointer stays where it is.
HWND OpenGameButtonMenu(const LauncherRun& run, const launcher::Control& button) {
    LPARAM corner = MAKELPARAM(button.pos.right - 13, button.pos.top + 13);
    harness::PostToWindow(run.MainWindow(), WM_MOUSEMOVE, 0, corner);
    harness::PostToWindow(run.MainWindow(), WM_LBUTTONDOWN, MK_LBUTTON, corner);
    harness::PostToWindow(run.MainWindow(), WM_LBUTTONUP, 0, corner);
    return harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
}

bool FindGameButton(const LauncherRun& run, launcher::Control* button) {
    for (const launcher::Control& c : run.Tree()) {
        if (c.className == L"OrvGameBtn" && c.visible && c.pos.right > c.pos.left) {
            *button = c;
            return true;
        }
    }
    return false;
}

TEST_F(DownloadFlowTest, RepairRestoresABrokenFileAndUninstallRemovesTheGame) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run);
    std::wstring folder = downloads::GameFolder(101);
    harness::RemoveTree(folder);
    ASSERT_TRUE(harness::CopyTree(downloads::PackageSource(L"game"), folder));
    ASSERT_TRUE(InsertGames(run, {{101, L"测试游戏"}}));
    {
        harness::RawDb db(downloads::TablePath(run));
        ASSERT_EQ(SQLITE_OK, db.Exec("UPDATE GameInfo2_1 SET LocalVersion='2', IdcVersion='2', Download=1000;"));
    }
    ASSERT_TRUE(downloads::WriteGameList(run, {{101, L"测试游戏"}}));
    std::wstring broken = folder + L"\\data\\level1.pak";
    std::string bytes = harness::ReadFileBytes(broken);
    ASSERT_GT(bytes.size(), 100000u);
    for (size_t at = 70000; at < 70100; ++at) bytes[at] = static_cast<char>(~bytes[at]);
    ASSERT_TRUE(harness::WriteFileBytes(broken, bytes));
    ASSERT_NE("", downloads::CompareTrees(downloads::PackageSource(L"game"), folder));

    ASSERT_TRUE(StartRun(run)) << run.LogText();
    ASSERT_TRUE(run.Click(L"my_game_btn"));
    launcher::Control button;
    ASSERT_TRUE(harness::WaitUntil([&] { return FindGameButton(run, &button); }, 20000)) << run.LogText();

    // Repair: the broken blocks come again, no row is made.
    HWND menu = OpenGameButtonMenu(run, button);
    ASSERT_NE(nullptr, menu) << run.LogText();
    ASSERT_TRUE(run.Click(L"repair_game", menu));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Repair game=101")) << run.LogText();
    ASSERT_TRUE(run.WaitForLog(L"[Info]|[Download] OnTaskSuccess pkgId=101", 60000)) << run.LogText();
    EXPECT_EQ("", downloads::CompareTrees(downloads::PackageSource(L"game"), folder));
    EXPECT_TRUE(downloads::PanelRows(run).empty()) << "a repair shows no row";
    EXPECT_EQ("0", GameColumn(run, 101, "Status"));

    // Uninstall: the folder, the table row and the button go.
    menu = OpenGameButtonMenu(run, button);
    ASSERT_NE(nullptr, menu) << run.LogText();
    ASSERT_TRUE(run.Click(L"uninstall_game", menu));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Uninstall game=101 enter")) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|HandleMsgGameUninstalled gameId=101")) << run.LogText();
    EXPECT_LT(run.LogIndex(L"Uninstall game=101 leave"), run.LogIndex(L"HandleMsgGameUninstalled gameId=101"));
    EXPECT_TRUE(harness::WaitUntil([&] { return !FindGameButton(run, &button); }, 10000)) << "the button is removed";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str())) << "the game folder is gone";
    EXPECT_EQ("<no row>", GameColumn(run, 101, "Status"));
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
