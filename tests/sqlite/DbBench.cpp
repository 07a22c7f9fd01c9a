// Times row updates through CLocalDB as the download-progress thread makes
// them: one progress write per running game, round after round.
//   db_bench.exe FOLDER [UPDATES] [GAMES]
#include "sqlite_helper.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

const char kCreateTable[] =
    "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, Download INTEGER not "
    "null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe VARCHAR(128), LocalVersion VARCHAR(16), "
    "IdcVersion VARCHAR(16), GameName VARCHAR(32), GameSize INTEGER not null default 0, AutoUpdate INTEGER not null "
    "default 0, Status INTEGER not null default 1);";

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: db_bench FOLDER [UPDATES] [GAMES]\n");
        return 2;
    }
    std::wstring file = std::wstring(argv[1]) + L"\\orv2_1data";
    int updates = argc > 2 ? _wtoi(argv[2]) : 10000;
    int games = argc > 3 ? _wtoi(argv[3]) : 10;
    if (updates <= 0 || games <= 0) return 2;
    DeleteFileW(file.c_str());

    std::string utf8;
    UnicodeToUtf8(file.c_str(), utf8);
    CLocalDB db;
    db.SetDbPath(utf8);
    if (db.ExecuteSQL(kCreateTable) != 0) return 1;
    for (int id = 1; id <= games; ++id) {
        if (!db.SaveGameInfo(id, id, L"D:\\games\\x\\", L"start.exe", L"game.exe", L"1", L"Game")) return 1;
    }

    LARGE_INTEGER frequency, begin, end, last, now;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> each;
    each.reserve(static_cast<size_t>(updates));
    int failures = 0;
    QueryPerformanceCounter(&begin);
    last = begin;
    for (int i = 0; i < updates; ++i) {
        int id = 1 + i % games;
        int perMille = (i / games) % 1001;
        if (!db.SetGameDownloadProgress(id, perMille)) ++failures;
        QueryPerformanceCounter(&now);
        each.push_back(Ms(last, now, frequency));
        last = now;
    }
    end = last;
    std::sort(each.begin(), each.end());
    double total = Ms(begin, end, frequency);
    double mean = total / updates;
    printf("updates=%d games=%d failures=%d total_ms=%.1f mean_ms=%.4f p50_ms=%.4f p99_ms=%.4f max_ms=%.4f\n",
           updates, games, failures, total, mean, each[each.size() / 2], each[each.size() * 99 / 100], each.back());
    printf("goal mean < 1 ms: %s\n", mean < 1.0 ? "met" : "NOT met");
    return failures == 0 ? 0 : 1;
}
