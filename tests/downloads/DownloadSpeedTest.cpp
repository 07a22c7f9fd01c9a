// The launcher's download speed: the user's limit, and the minimal speed
// while another program shows a full-screen window. The foreground window
// belongs to the whole display, so this program runs alone.
#include <gtest/gtest.h>

#include <iostream>

#include "DownloadTestSupport.h"
#include "WindowTool.h"

namespace {

using downloads::TestName;
using launcher::LauncherRun;

class DownloadSpeedTest : public downloads::DownloadTest {};

TEST_F(DownloadSpeedTest, UserLimitHoldsAndAFullScreenGameSlowsTheDownloadToMinimal) {
    LauncherRun run(L"downloads_" + TestName());
    downloads::WriteDownloadIni(run, {L"NetLimit=1", L"LimitSpeed=200"});
    harness::RemoveTree(downloads::GameFolder(102));
    ASSERT_TRUE(InsertGames(run, {{102, L"大游戏"}}));
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    ASSERT_TRUE(RequestUpdate(run, 102));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Game download limit(init), set speed 204800 B/s")) << run.LogText();
    // Measured once the task has passed its start.
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            std::vector<downloads::ProgressSample> samples = downloads::ProgressSamples(run, 102);
            return samples.size() >= 3 && samples[samples.size() - 2].perMille > 0;
        },
        30000))
        << run.LogText();
    harness::ResponsivenessProbe probe;
    probe.Start(run.MainWindow());

    // The rate over ten seconds of the library's reports: the bytes its
    // sockets read, within 10 % of the limit; the checked blocks, which
    // land a whole request at a time, roughly at the same pace.
    auto expectRate = [&](const char* when) {
        long since = launcher::NowMs();
        Sleep(10000);
        std::vector<downloads::DumpSample> reports = downloads::DumpSamples(run, 102, since);
        double received = downloads::ReceiveRate(reports), fetched = downloads::FetchRate(reports);
        std::cout << "benchmark: NetLimit 200 KB/s, " << when << ": received " << received / 1024
                  << " KB/s, blocks checked at " << fetched / 1024 << " KB/s" << std::endl;
        EXPECT_NEAR(204800.0, received, 20480.0) << when;
        EXPECT_NEAR(204800.0, fetched, 61440.0) << when;
    };
    expectRate("limited");

    // A full-screen game in front: the library drops to the minimal speed.
    harness::ChildProcess game;
    ASSERT_TRUE(game.Start(harness::TestDir() + L"\\fullscreen_window.exe", L"90"));
    ASSERT_NE(nullptr, harness::WaitForTopWindow(downloads::kFullScreenClass, nullptr, true, 10000));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|一个窗口全屏了", 15000)) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Game download limit, smart mode, minimal speed", 5000)) << run.LogText();
    Sleep(4000);  // what was granted at the old rate is read first
    long since = launcher::NowMs();
    Sleep(4000);
    std::vector<downloads::DumpSample> reports = downloads::DumpSamples(run, 102, since);
    ASSERT_FALSE(reports.empty()) << run.LogText();
    double average = 0;
    for (const downloads::DumpSample& report : reports) average += report.speed;
    average /= static_cast<double>(reports.size());
    std::cout << "benchmark: full-screen game in front, library speed " << average << " B/s" << std::endl;
    EXPECT_LE(average, 4096.0) << "about 1 KB/s";

    // The game leaves: the user's limit again.
    game.Kill();
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|一个窗口取消全屏了", 15000)) << run.LogText();
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|Game download limit, smart mode, restore speed 204800 B/s", 5000));
    Sleep(3000);
    expectRate("after the full-screen game");

    // The same by message: only wParam 2 counts, and the poll sets it right again.
    size_t minimal = run.CountLog(L"Game download limit, smart mode, minimal speed");
    size_t restores = run.CountLog(L"Game download limit, smart mode, restore speed 204800 B/s");
    ASSERT_TRUE(harness::PostToWindow(run.MainWindow(), downloads::kOtherFullScreenMessage, 3, 1));
    ASSERT_TRUE(harness::PostToWindow(run.MainWindow(), downloads::kOtherFullScreenMessage, 2, 1));
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return run.CountLog(L"Game download limit, smart mode, minimal speed") == minimal + 1; }, 5000));
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return run.CountLog(L"Game download limit, smart mode, restore speed 204800 B/s") == restores + 1; },
        8000))
        << "no full-screen window is in front";

    probe.Stop();
    std::cout << "benchmark: window thread answered within " << probe.MaxLatencyMs() << " ms during the download ("
              << probe.Samples() << " probes, worst at " << probe.WorstAtMs() << ")" << std::endl;
    EXPECT_LE(probe.MaxLatencyMs(), 250u) << "the window thread waited (goal 50 ms; the margin is for a loaded machine)";
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

// Not a test: the launcher's half of tools/bench-downloads.sh, which serves
// a large package on a download server of its own (CORRIN_BENCH_PORT,
// CORRIN_BENCH_PKG) and times the library alone against it as well.
class DownloadBenchmark : public downloads::DownloadTest {
protected:
    void SetUp() override { ASSERT_TRUE(downloads::GameDiskReady()) << "no game disk"; }
};

TEST_F(DownloadBenchmark, DISABLED_LauncherDownloadsALargePackage) {
    wchar_t port[16] = {}, package[16] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"CORRIN_BENCH_PORT", port, _countof(port)), 0u);
    ASSERT_GT(GetEnvironmentVariableW(L"CORRIN_BENCH_PKG", package, _countof(package)), 0u);
    int id = _wtoi(package);
    LauncherRun run(L"downloads_benchmark");
    run.WriteIni();
    run.SetIniValue(L"main", L"GameDisk", std::wstring(1, downloads::kGameDisk));
    run.SetIniValue(L"download", L"address", L"127.0.0.1");
    run.SetIniValue(L"download", L"port", port);
    harness::RemoveTree(downloads::GameFolder(id));
    ASSERT_TRUE(InsertGames(run, {{id, L"bench"}}));
    ASSERT_TRUE(StartRun(run)) << run.LogText();
    // The window's own start is over before the download begins.
    ASSERT_TRUE(run.WaitForLog(L"CMainWnd::OnWindowInit out"));
    Sleep(2000);
    // The window thread's longest answer at the start (until the task knows
    // its package) and over the whole download.
    harness::ResponsivenessProbe probe;
    probe.Start(run.MainWindow());
    ASSERT_TRUE(RequestUpdate(run, id));
    std::wstring sized = L"OnCalcPkgDownInfo pkgId=" + std::to_wstring(id) + L" blocks=";
    ASSERT_TRUE(run.WaitForLog(sized, 60000)) << run.LogText();
    DWORD startAnswer = probe.MaxLatencyMs();
    std::wstring success = L"[Download] OnTaskSuccess pkgId=" + std::to_wstring(id);
    ASSERT_TRUE(run.WaitForLog(success, 600000)) << run.LogText();
    probe.Stop();
    long started = run.LogTimeMs(L"Update game, path=");
    long ended = run.LogTimeMs(success);
    unsigned long long bytes = 0;
    for (const std::wstring& line : run.Log()) {
        size_t at = line.find(sized);
        size_t field = line.find(L"bytes=");
        if (at != std::wstring::npos && field != std::wstring::npos) bytes = wcstoull(line.c_str() + field + 6, nullptr, 10);
    }
    ASSERT_GT(ended, started);
    printf("launcher %llu %.3f\n", bytes, (ended - started) / 1000.0);
    printf("window-thread %lu %ld\n", static_cast<unsigned long>(probe.MaxLatencyMs()), probe.WorstAtMs());
    printf("window-thread-start %lu\n", static_cast<unsigned long>(startAnswer));
    fflush(stdout);
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
}

}  // namespace
