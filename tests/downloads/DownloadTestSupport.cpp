#include "DownloadTestSupport.h"

#include <algorithm>
#include <cstdlib>

#include "MappedDrive.h"

namespace downloads {

namespace {

std::wstring StateDir() {
    std::wstring bin = harness::ProgramDir();
    return bin.substr(0, bin.rfind(L'\\')) + L"\\pkgserver-downloads";
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Every file below dir, relative, '\' separated, sorted.
void ListFiles(const std::wstring& dir, const std::wstring& prefix, std::vector<std::wstring>* files) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(dir + L"\\" + name, prefix + name + L"\\", files);
        else
            files->push_back(prefix + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// The files of a game folder but the download library's own (OrvDown_<id>.*).
std::vector<std::wstring> SortedFiles(const std::wstring& dir) {
    std::vector<std::wstring> files;
    ListFiles(dir, L"", &files);
    files.erase(std::remove_if(files.begin(), files.end(),
                               [](const std::wstring& f) { return f.compare(0, 8, L"OrvDown_") == 0; }),
                files.end());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// --- Download server

int PackageServerPort() {
    static const int port = atoi(harness::ReadFileBytes(StateDir() + L"\\port").c_str());
    return port;
}

std::wstring PackageSource(const std::wstring& name) { return StateDir() + L"\\src\\" + name; }

// --- Game disk

bool GameDiskReady() {
    static std::wstring folder = harness::MakeScratchDir(L"downloads_game_disk");
    static harness::MappedDrive drive(kGameDisk, folder);
    return drive.Ready();
}

std::wstring GameFolder(int gameId) {
    return std::wstring(1, kGameDisk) + L":\\Game_" + std::to_wstring(gameId);
}

std::string CompareTrees(const std::wstring& source, const std::wstring& target) {
    std::vector<std::wstring> want = SortedFiles(source);
    std::vector<std::wstring> have = SortedFiles(target);
    if (want != have)
        return "files differ: " + std::to_string(want.size()) + " in the package, " + std::to_string(have.size()) +
               " in the folder";
    for (const std::wstring& file : want) {
        if (harness::ReadFileBytes(source + L"\\" + file) != harness::ReadFileBytes(target + L"\\" + file))
            return "bytes differ: " + harness::Narrow(file);
    }
    return std::string();
}

// --- Routes

bool LoadDownloadRoutes() {
    static const bool loaded = [] {
        backend::BackendClient& client = launcher::Backend();
        std::string routes = harness::ReadFileBytes(harness::TestDir() + L"\\downloads_routes.json");
        ReplaceAll(routes, "${http}", harness::Narrow(client.HttpUrl(L"")));
        return !routes.empty() && client.AddRoutes(routes);
    }();
    return loaded;
}

// --- Local game table

std::string TablePath(const launcher::LauncherRun& run) { return harness::Narrow(run.Dir() + L"\\orv2_1data"); }

bool CreateGameTable(const launcher::LauncherRun& run) {
    harness::RawDb db(TablePath(run));
    return db.Exec(
               "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, Download "
               "INTEGER not null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe VARCHAR(128), "
               "LocalVersion VARCHAR(16), IdcVersion VARCHAR(16), GameName VARCHAR(32), GameSize INTEGER not null "
               "default 0, AutoUpdate INTEGER not null default 0, Status INTEGER not null default 1);") == SQLITE_OK;
}

std::string AnsiOf(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &bytes[0], n, nullptr, nullptr);
    return bytes;
}

std::wstring FromAnsi(const std::string& bytes) {
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, nullptr, 0);
    std::wstring text(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, &text[0], n);
    return text;
}

std::string GameColumn(const launcher::LauncherRun& run, int gameId, const char* column) {
    // A copy is read: the launcher writes without waiting for other readers
    // of its file, so a reader of the file itself could make its writes fail.
    // What the launcher committed may still be in the file's write-ahead log
    // (orv2_1data-wal, folded into the file at checkpoints): the log is copied
    // first, then the file, so a commit made before the copy began is in one
    // of the two even when a checkpoint moves it meanwhile.
    std::wstring file = run.Dir() + L"\\orv2_1data", copy = run.Dir() + L"\\orv2_1data.read";
    if (!CopyFileW((file + L"-wal").c_str(), (copy + L"-wal").c_str(), FALSE)) DeleteFileW((copy + L"-wal").c_str());
    if (!CopyFileW(file.c_str(), copy.c_str(), FALSE)) return "<no copy>";
    harness::RawDb db(harness::Narrow(copy));
    return db.Cell(std::string("SELECT ") + column + " FROM GameInfo2_1 WHERE GameId=" + std::to_string(gameId) +
                   ";");
}

// --- Runs

void WriteDownloadIni(launcher::LauncherRun& run, const std::vector<std::wstring>& downloadKeys) {
    run.WriteIni();
    run.SetIniValue(L"main", L"GameDisk", std::wstring(1, kGameDisk));
    run.SetIniValue(L"download", L"address", L"127.0.0.1");
    run.SetIniValue(L"download", L"port", std::to_wstring(PackageServerPort()));
    for (const std::wstring& pair : downloadKeys) {
        size_t eq = pair.find(L'=');
        run.SetIniValue(L"download", pair.substr(0, eq).c_str(), pair.substr(eq + 1));
    }
}

bool WriteGameList(const launcher::LauncherRun& run, const std::vector<std::pair<int, std::wstring>>& games) {
    std::wstring json = L"{\"code\":0,\"gamelist\":[";
    int index = 0;
    for (const auto& [id, name] : games) {
        if (index > 0) json += L",";
        json += L"{\"id\":0,\"pkgid\":0,\"jt_game_id\":" + std::to_wstring(id) + L",\"game_name\":\"" + name +
                L"\",\"game_type\":3,\"list_index\":" + std::to_wstring(index++) + L"}";
    }
    return run.WriteGameBtnFile(json + L"]}");
}

std::vector<PanelRow> PanelRows(const launcher::LauncherRun& run) {
    std::vector<PanelRow> rows;
    int groupDepth = 0;
    int labels = 0;
    bool inGroup = false;
    for (const launcher::Control& c : run.Tree()) {
        if (c.name.compare(0, 14, L"game_download_") == 0 && c.name.size() > 14 && iswdigit(c.name[14])) {
            rows.emplace_back();
            rows.back().group = c.name;
            groupDepth = c.depth;
            labels = 0;
            inGroup = true;
            continue;
        }
        if (inGroup && c.depth <= groupDepth) inGroup = false;
        if (!inGroup) continue;
        PanelRow& row = rows.back();
        if (c.name == L"text_game_name") {
            row.name = c.text;
        } else if (c.name == L"text_progress") {
            (labels++ == 0 ? row.percent : row.remain) = c.text;
        } else if (c.name.compare(0, 10, L"pause_btn_") == 0) {
            row.pauseButton = c.name;
            row.pauseEnabled = c.enabled;
        }
    }
    return rows;
}

std::string Describe(const std::vector<PanelRow>& rows) {
    std::string text = std::to_string(rows.size()) + " rows:";
    for (const PanelRow& r : rows)
        text += " [" + harness::Narrow(r.group + L"|" + r.name + L"|" + r.percent + L"|" + r.remain + L"|" +
                                       r.pauseButton) +
                (r.pauseEnabled ? "|enabled]" : "|disabled]");
    return text;
}

long LineTimeMs(const std::wstring& line) {
    unsigned h = 0, m = 0, sec = 0, ms = 0;
    if (swscanf(line.c_str(), L"[%u:%u:%u.%u]", &h, &m, &sec, &ms) != 4) return -1;
    return static_cast<long>(((h * 60 + m) * 60 + sec) * 1000 + ms);
}

std::vector<ProgressSample> ProgressSamples(const launcher::LauncherRun& run, int gameId) {
    std::vector<ProgressSample> samples;
    std::wstring key = L"|gameId=" + std::to_wstring(gameId) + L" progress=";
    for (const std::wstring& line : run.Log()) {
        size_t at = line.find(key);
        if (at == std::wstring::npos) continue;
        ProgressSample sample;
        sample.timeMs = LineTimeMs(line);
        sample.perMille = static_cast<int>(wcstod(line.c_str() + at + key.size(), nullptr) * 10 + 0.5);
        samples.push_back(sample);
    }
    return samples;
}

std::vector<DumpSample> DumpSamples(const launcher::LauncherRun& run, int gameId, long sinceMs) {
    std::vector<DumpSample> samples;
    std::wstring key = L"OnDumpPkgDownInfo pkgId=" + std::to_wstring(gameId) + L" need blocks=";
    for (const std::wstring& line : run.Log()) {
        size_t at = line.find(key);
        size_t speed = line.find(L"speed=");
        if (at == std::wstring::npos || speed == std::wstring::npos) continue;
        DumpSample sample;
        sample.timeMs = LineTimeMs(line);
        if (sample.timeMs < sinceMs) continue;
        sample.needBlocks = static_cast<unsigned>(wcstoul(line.c_str() + at + key.size(), nullptr, 10));
        sample.speed = static_cast<unsigned>(wcstoul(line.c_str() + speed + 6, nullptr, 10));
        samples.push_back(sample);
    }
    return samples;
}

double FetchRate(const std::vector<DumpSample>& samples) {
    if (samples.size() < 3) return -1;
    double n = static_cast<double>(samples.size()), sumT = 0, sumB = 0, sumTT = 0, sumTB = 0;
    for (const DumpSample& s : samples) {
        double t = (s.timeMs - samples.front().timeMs) / 1000.0;
        double b = static_cast<double>(s.needBlocks) * 32768.0;
        sumT += t;
        sumB += b;
        sumTT += t * t;
        sumTB += t * b;
    }
    double denominator = n * sumTT - sumT * sumT;
    return denominator <= 0 ? -1 : -(n * sumTB - sumT * sumB) / denominator;
}

double ReceiveRate(const std::vector<DumpSample>& samples) {
    if (samples.empty()) return -1;
    double sum = 0;
    for (const DumpSample& s : samples) sum += s.speed;
    return sum / static_cast<double>(samples.size());
}

unsigned long long FolderBytes(const std::wstring& dir) {
    unsigned long long bytes = 0;
    std::vector<std::wstring> files;
    ListFiles(dir, L"", &files);
    for (const std::wstring& file : files) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW((dir + L"\\" + file).c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return bytes;
}

std::wstring ControlText(const launcher::LauncherRun& run, const std::wstring& name) {
    launcher::Control control;
    return run.FindControl(name, &control) ? control.text : std::wstring();
}

std::wstring TestName() {
    return harness::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

void DownloadTest::SetUp() {
    ASSERT_EQ(936u, GetACP()) << "the launcher runs under the Chinese code page";
    ASSERT_TRUE(launcher::Backend().Connect()) << "the back-end fixture is not running";
    ASSERT_TRUE(LoadDownloadRoutes());
    ASSERT_GT(PackageServerPort(), 0) << "the download server fixture is not running";
    ASSERT_TRUE(GameDiskReady()) << "no game disk";
}

bool DownloadTest::InsertGames(const launcher::LauncherRun& run,
                               const std::vector<std::pair<int, std::wstring>>& games) {
    if (!CreateGameTable(run)) return false;
    harness::RawDb db(TablePath(run));
    for (const auto& [id, name] : games) {
        std::string row = std::to_string(id);
        std::string sql =
            "INSERT INTO GameInfo2_1(GameId, PkgId, LocalPath, StartExe, GameExe, LocalVersion, IdcVersion, GameName, "
            "AutoUpdate, Status) VALUES(" + row + ", " + row + ", 'G:\\Game_" + row +
            "\\', 'game.exe', 'game.exe', '1', '1', '" + AnsiOf(name) + "', 1, 0);";
        if (db.Exec(sql) != SQLITE_OK) return false;
    }
    return true;
}

bool DownloadTest::RequestUpdate(const launcher::LauncherRun& run, int gameId) {
    return harness::PostToWindow(run.MainWindow(), kUpdateGameMessage, static_cast<WPARAM>(gameId), 1);
}

bool DownloadTest::StartRun(launcher::LauncherRun& run) { return run.Start() && run.WaitForMainWindow() != nullptr; }

bool DownloadTest::WaitForColumn(const launcher::LauncherRun& run, int gameId, const char* column,
                                 const std::string& value, DWORD timeoutMs) {
    return harness::WaitUntil([&] { return GameColumn(run, gameId, column) == value; }, timeoutMs);
}

}  // namespace downloads
