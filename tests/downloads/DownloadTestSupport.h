#pragma once
// What the launcher's download tests share: their own download server
// (port, package sources), the game disk (a
// drive letter of the test session mapped to a test folder), the back-end
// routes of downloads, the launcher's local game table, and launcher runs
// set up for downloads.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "LauncherRun.h"
#include "RawDb.h"

namespace downloads {

// --- The download server of these tests (CTest fixture "downloads_pkgserver").
int PackageServerPort();
// The source folder a package was made from (make_packages.py).
std::wstring PackageSource(const std::wstring& name);

// --- The game disk: G: of the test session, mapped once per test program.
constexpr wchar_t kGameDisk = L'G';
bool GameDiskReady();
// "G:\Game_<id>" without a trailing backslash.
std::wstring GameFolder(int gameId);
// Empty when target holds exactly the files of source with equal bytes; else what differs.
std::string CompareTrees(const std::wstring& source, const std::wstring& target);

// --- The back-end routes of downloads (downloads_routes.json beside the test program).
bool LoadDownloadRoutes();

// --- The launcher's local game table.
// The table as the launcher creates it, in the run's program folder.
bool CreateGameTable(const launcher::LauncherRun& run);
std::string TablePath(const launcher::LauncherRun& run);
// Text in the ANSI code page, as the launcher stores it.
std::string AnsiOf(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);
// A column of a game's row as text, read from a copy of the table file;
// "<no row>" when the game has none.
std::string GameColumn(const launcher::LauncherRun& run, int gameId, const char* column);

// --- Launcher runs
// qxtarrow.ini for downloads: the test back-end, this download server, the
// game disk, and any further [download] keys given as "key=value".
void WriteDownloadIni(launcher::LauncherRun& run, const std::vector<std::wstring>& downloadKeys = {});
// gamebtn.dat with client games (type 3) of these home ids and names, in order.
bool WriteGameList(const launcher::LauncherRun& run, const std::vector<std::pair<int, std::wstring>>& games);

// The download panel's rows: the controls of "game_download_<n>" in order.
struct PanelRow {
    std::wstring group;      // "game_download_<n>"
    std::wstring name;       // text of "text_game_name"
    std::wstring percent;    // first "text_progress"
    std::wstring remain;     // second "text_progress"
    std::wstring pauseButton;
    bool pauseEnabled = false;
};
std::vector<PanelRow> PanelRows(const launcher::LauncherRun& run);
// The rows as text, for failure messages.
std::string Describe(const std::vector<PanelRow>& rows);
// The text of a control of the main window; "" when it is not there.
std::wstring ControlText(const launcher::LauncherRun& run, const std::wstring& name);

// The panel refresh's log lines of a game ("gameId=%d progress=%.1f%% ..."):
// the time of day in ms and the progress in per mille, in order.
struct ProgressSample {
    long timeMs = 0;
    int perMille = 0;
};
std::vector<ProgressSample> ProgressSamples(const launcher::LauncherRun& run, int gameId);
// The library's reports of a game since a time of day
// ("[Download] OnDumpPkgDownInfo pkgId=%u need blocks=%u speed=%u B/s"), in order.
struct DumpSample {
    long timeMs = 0;
    unsigned needBlocks = 0;
    unsigned speed = 0;
};
std::vector<DumpSample> DumpSamples(const launcher::LauncherRun& run, int gameId, long sinceMs);
// Bytes per second the samples' blocks were fetched at: the least-squares
// slope of the blocks still needed over time (-1 with fewer than 3 samples).
// Coarse: blocks are counted when a whole request is checked.
double FetchRate(const std::vector<DumpSample>& samples);
// The mean of the speeds the library measured on its sockets (-1 without samples).
double ReceiveRate(const std::vector<DumpSample>& samples);
// The time of day (ms) of a log line.
long LineTimeMs(const std::wstring& line);
// Bytes of every file below a folder.
unsigned long long FolderBytes(const std::wstring& dir);

// Control names of the windows the tests find.
constexpr wchar_t kFullScreenClass[] = L"DownloadsFullScreen";

// Messages a page or another program posts to the launcher's main window.
constexpr UINT kUpdateGameMessage = 5041;       // wParam game id, lParam 1 = from a page
constexpr UINT kOtherFullScreenMessage = 5030;  // wParam 2, lParam 1 = full screen

// The running test's name.
std::wstring TestName();

// A test of the launcher's downloads: the back-end, the download server and
// the game disk are there, the launcher runs under the Chinese code page.
class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Installed games in the run's local table (before it starts): folder
    // G:\Game_<id>\, the name, local version 1, auto update on, complete.
    static bool InsertGames(const launcher::LauncherRun& run,
                            const std::vector<std::pair<int, std::wstring>>& games);
    // What a page's updateGame(id) posts to the window.
    static bool RequestUpdate(const launcher::LauncherRun& run, int gameId);
    static bool StartRun(launcher::LauncherRun& run);
    // Waits until the game's table row has the column's value.
    static bool WaitForColumn(const launcher::LauncherRun& run, int gameId, const char* column,
                              const std::string& value, DWORD timeoutMs = 60000);
};

}  // namespace downloads
