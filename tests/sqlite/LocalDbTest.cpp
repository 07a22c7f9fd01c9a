#include "sqlite_helper.h"

#include "Harness.h"
#include "RawDb.h"
#include "LogWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

const char kCreateTable[] =
    "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, Download INTEGER not "
    "null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe VARCHAR(128), LocalVersion VARCHAR(16), "
    "IdcVersion VARCHAR(16), GameName VARCHAR(32), GameSize INTEGER not null default 0, AutoUpdate INTEGER not null "
    "default 0, Status INTEGER not null default 1);";

using harness::RawDb;

// Lines of this program's log files that contain the text.
int CountLogLines(const std::wstring& text) {
    int n = 0;
    for (const std::wstring& line : harness::ReadLogLines(LogWriter::GetInstance()->LogFolder(), L"sqlite_tests")) {
        if (line.find(text) != std::wstring::npos) ++n;
    }
    return n;
}

std::string AcpBytes(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &bytes[0], n, nullptr, nullptr);
    return bytes;
}

class LocalDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Several copies of this program may run at once (one per code page).
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = harness::MakeScratchDir(harness::Widen(std::string("db_") + info->name() + "_" +
                                                      std::to_string(GetCurrentProcessId())));
        path_ = harness::Narrow(dir_ + L"\\orv2_1data");
        db_.SetDbPath(path_);
    }
    void TearDown() override { harness::RemoveTree(dir_); }
    void CreateTable() { ASSERT_EQ(SQLITE_OK, db_.ExecuteSQL(kCreateTable)); }
    void CreateTableWithGame(int gameId) {
        CreateTable();
        ASSERT_TRUE(db_.SaveGameInfo(3, gameId, L"D:\\games\\a\\", L"start.exe", L"game.exe", L"7", L"Alpha"));
    }
    std::string Cell(const std::string& sql) { return RawDb(path_).Cell(sql); }

    std::wstring dir_;
    std::string path_;
    CLocalDB db_;
};

TEST_F(LocalDbTest, SaveThenReadEveryColumnWithStoredTypes) {
    CreateTable();
    ASSERT_TRUE(db_.SaveGameInfo(42, 1001, L"D:\\games\\1001\\", L"launch.exe", L"game.exe", L"12", L"Alpha"));

    std::string pathBytes;
    CStringW widePath, name;
    std::string version;
    EXPECT_TRUE(db_.GetGamePath(1001, pathBytes));
    EXPECT_EQ("D:\\games\\1001\\", pathBytes);
    EXPECT_TRUE(db_.GetGamePath(1001, widePath));
    EXPECT_EQ(L"D:\\games\\1001\\", widePath);
    EXPECT_TRUE(db_.GetGameName(1001, name));
    EXPECT_EQ(L"Alpha", name);
    EXPECT_TRUE(db_.GetGameLocalVersionById(1001, version));
    EXPECT_EQ("12", version);
    EXPECT_EQ(1, db_.GetGameStatus(1001));  // the column default
    EXPECT_EQ(0, db_.GetGameAutoUpdateValue(1001));
    EXPECT_FALSE(db_.IsGameNeedUpdate(1001));

    // The stored form is the one older files have: numbers as integers, texts as text.
    RawDb raw(path_);
    std::vector<std::string> row = raw.Row(
        "SELECT GameId, PkgId, Download, LocalPath, StartExe, GameExe, LocalVersion, IdcVersion, GameName, GameSize, "
        "AutoUpdate, Status FROM GameInfo2_1;");
    std::vector<std::string> expected = {"1001",  "42", "0",     "D:\\games\\1001\\", "launch.exe", "game.exe",
                                         "12",    "12", "Alpha", "0",                 "0",          "1"};
    EXPECT_EQ(expected, row);
    EXPECT_EQ((std::vector<std::string>{"integer", "integer", "text", "text", "text", "text"}),
              raw.Row("SELECT typeof(GameId), typeof(PkgId), typeof(LocalPath), typeof(LocalVersion), "
                      "typeof(IdcVersion), typeof(GameName) FROM GameInfo2_1;"));
}

TEST_F(LocalDbTest, EveryWriterChangesItsColumns) {
    CreateTableWithGame(5);
    EXPECT_TRUE(db_.SetGameExe(5, L"s2.exe", L"g2.exe"));
    EXPECT_TRUE(db_.SetGameVersionAndSize(5, 31, 2048));
    EXPECT_TRUE(db_.SetGameIdcVersion(5, "32"));
    EXPECT_TRUE(db_.SetGameDownloadProgress(5, 640));
    EXPECT_TRUE(db_.SetGameAutoUpdateValue(5, true));
    EXPECT_TRUE(db_.SetGameStatus(5, 2));
    RawDb raw(path_);
    // The installed version is the one of the last complete download; the
    // server's and the size are what an update or download is fetching.
    EXPECT_EQ((std::vector<std::string>{"s2.exe", "g2.exe", "7", "text", "32", "2048", "640", "1", "2"}),
              raw.Row("SELECT StartExe, GameExe, LocalVersion, typeof(LocalVersion), IdcVersion, GameSize, Download, "
                      "AutoUpdate, Status FROM GameInfo2_1 WHERE GameId=5;"));
    EXPECT_EQ(1, db_.GetGameAutoUpdateValue(5));
    EXPECT_TRUE(db_.SetGameAutoUpdateValue(5, false));
    EXPECT_EQ(0, db_.GetGameAutoUpdateValue(5));

    EXPECT_TRUE(db_.SetGameDownloadComplete(5, 33));
    EXPECT_EQ((std::vector<std::string>{"1000", "33", "text", "0"}),
              raw.Row("SELECT Download, LocalVersion, typeof(LocalVersion), Status FROM GameInfo2_1 WHERE GameId=5;"));
    EXPECT_EQ(0, db_.GetGameStatus(5));

    EXPECT_TRUE(db_.DeleteGame(5));
    EXPECT_EQ("0", raw.Cell("SELECT count(*) FROM GameInfo2_1;"));
}

TEST_F(LocalDbTest, VersionAndSizeInsertsANewRowWithDefaults) {
    CreateTable();
    EXPECT_TRUE(db_.SetGameVersionAndSize(77, 4, 100));
    EXPECT_EQ((std::vector<std::string>{"0", "0", "<null>", "<null>", "4", "100", "1"}),
              RawDb(path_).Row("SELECT PkgId, Download, LocalPath, LocalVersion, IdcVersion, GameSize, Status FROM "
                               "GameInfo2_1 WHERE GameId=77;"));
}

TEST_F(LocalDbTest, AnUpdateStartKeepsTheInstalledVersionUntilItCompletes) {
    CreateTableWithGame(5);  // version 7 installed
    ASSERT_TRUE(db_.SetGameStatus(5, 2));
    ASSERT_TRUE(db_.SetGameVersionAndSize(5, 8, 4096));
    EXPECT_TRUE(db_.IsGameNeedUpdate(5)) << "an update cut off here is found again";
    EXPECT_EQ((std::vector<std::string>{"7", "8", "4096", "2"}),
              RawDb(path_).Row("SELECT LocalVersion, IdcVersion, GameSize, Status FROM GameInfo2_1 WHERE GameId=5;"));
    ASSERT_TRUE(db_.SetGameDownloadComplete(5, 8));
    EXPECT_FALSE(db_.IsGameNeedUpdate(5));
    EXPECT_EQ((std::vector<std::string>{"8", "8", "0"}),
              RawDb(path_).Row("SELECT LocalVersion, IdcVersion, Status FROM GameInfo2_1 WHERE GameId=5;"));
}

// A write that finds no row of its game reports it, and the log never calls it done.
TEST_F(LocalDbTest, WritersReportAGameWithoutARow) {
    CreateTableWithGame(5);
    LogWriter* log = LogWriter::GetInstance();
    unsigned mask = log->levelMask;
    log->levelMask |= LOG_LEVEL_DEBUG;
    const std::wstring statusOf404 = L"UPDATE GameInfo2_1 SET Status=2 WHERE GameId=404;";
    int doneBefore = CountLogLines(L"ExecuteSQL done:" + statusOf404);
    int noRowBefore = CountLogLines(L"ExecuteSQL changed no row:" + statusOf404);
    EXPECT_FALSE(db_.SetGameStatus(404, 2));
    EXPECT_FALSE(db_.SetGameDownloadComplete(404, 3));
    EXPECT_FALSE(db_.SetGameDownloadProgress(404, 500));
    EXPECT_FALSE(db_.SetGameIdcVersion(404, "3"));
    EXPECT_FALSE(db_.SetGameExe(404, L"a.exe", L"b.exe"));
    EXPECT_FALSE(db_.SetGameAutoUpdateValue(404, true));
    EXPECT_FALSE(db_.DeleteGame(404));
    EXPECT_EQ(SQLITE_OK, db_.ExecuteSQL("UPDATE GameInfo2_1 SET Status=2 WHERE GameId=404;"))
        << "the statement itself did not fail";
    EXPECT_EQ(doneBefore, CountLogLines(L"ExecuteSQL done:" + statusOf404));
    EXPECT_EQ(noRowBefore + 2, CountLogLines(L"ExecuteSQL changed no row:" + statusOf404));
    EXPECT_EQ("1", Cell("SELECT count(*) FROM GameInfo2_1;")) << "no write made a row";

    // The same writes on the game's row.
    int doneOf5 = CountLogLines(L"ExecuteSQL done:UPDATE GameInfo2_1 SET Status=2 WHERE GameId=5;");
    EXPECT_TRUE(db_.SetGameStatus(5, 2));
    EXPECT_TRUE(db_.SetGameStatus(5, 2)) << "a row that already holds the value is found all the same";
    EXPECT_EQ(doneOf5 + 2, CountLogLines(L"ExecuteSQL done:UPDATE GameInfo2_1 SET Status=2 WHERE GameId=5;"));
    EXPECT_TRUE(db_.SetGameExe(5, L"a.exe", L"b.exe"));
    int created = CountLogLines(L"ExecuteSQL done:BEGIN;");
    EXPECT_EQ(SQLITE_OK, db_.ExecuteSQL("BEGIN;"));
    EXPECT_EQ(SQLITE_OK, db_.ExecuteSQL("COMMIT;"));
    EXPECT_EQ(created + 1, CountLogLines(L"ExecuteSQL done:BEGIN;")) << "a statement that writes no rows is done";
    EXPECT_TRUE(db_.DeleteGame(5));
    EXPECT_FALSE(db_.DeleteGame(5));
    log->levelMask = mask;
}

TEST_F(LocalDbTest, GamesWithoutPackageIdAreListed) {
    CreateTableWithGame(5);  // package id 3
    ASSERT_TRUE(db_.SaveGameInfo(0, 6, L"G:\\Game_6\\", L"", L"", L"", L"no answer yet"));
    ASSERT_TRUE(db_.SaveGameInfo(0, 7, L"G:\\Game_7\\", L"", L"", L"", L"stopped"));
    ASSERT_TRUE(db_.SetGameStatus(7, 3));
    ASSERT_TRUE(db_.SaveGameInfo(0, 8, L"G:\\Game_8\\", L"", L"", L"", L"installed"));
    ASSERT_TRUE(db_.SetGameStatus(8, 0));
    std::vector<int> ids;
    EXPECT_TRUE(db_.GetGamesWithoutPkgId(ids));
    EXPECT_EQ((std::vector<int>{6, 8}), ids);
}

TEST_F(LocalDbTest, SecondSaveChangesOnlyTheGivenFields) {
    CreateTableWithGame(9);
    ASSERT_TRUE(db_.SaveGameInfo(0, 9, L"", L"new.exe", L"", L"8", L""));
    EXPECT_EQ((std::vector<std::string>{"3", "D:\\games\\a\\", "new.exe", "game.exe", "8", "8", "Alpha"}),
              RawDb(path_).Row("SELECT PkgId, LocalPath, StartExe, GameExe, LocalVersion, IdcVersion, GameName FROM "
                               "GameInfo2_1 WHERE GameId=9;"));
    // Nothing to change is no failure.
    EXPECT_TRUE(db_.SaveGameInfo(0, 9, L"", L"", L"", L"", L""));
    EXPECT_TRUE(db_.SaveGameInfo(11, 9, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ("11", Cell("SELECT PkgId FROM GameInfo2_1 WHERE GameId=9;"));
}

TEST_F(LocalDbTest, StatusReaderGivesOnlyZeroOneTwo) {
    CreateTableWithGame(1);
    const struct {
        const char* stored;
        int expected;
    } cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", -1}, {"12", -1}, {"-1", -1}, {"'2x'", -1}};
    for (const auto& c : cases) {
        ASSERT_EQ(SQLITE_OK, db_.ExecuteSQL((std::string("UPDATE GameInfo2_1 SET Status=") + c.stored + ";").c_str()));
        EXPECT_EQ(c.expected, db_.GetGameStatus(1)) << "stored " << c.stored;
    }
    EXPECT_EQ(-1, db_.GetGameStatus(999));
    EXPECT_EQ(-1, db_.GetGameAutoUpdateValue(999));
}

TEST_F(LocalDbTest, UnknownGameAnswers) {
    CreateTable();
    std::string version, path;
    CStringW name;
    EXPECT_TRUE(db_.GetGameLocalVersionById(404, version));
    EXPECT_TRUE(version.empty());
    EXPECT_FALSE(db_.GetGamePath(404, path));
    EXPECT_FALSE(db_.GetGameName(404, name));
    EXPECT_FALSE(db_.IsGameNeedUpdate(404));
}

TEST_F(LocalDbTest, NeedUpdateComparesVersionsAsNumbers) {
    CreateTableWithGame(1);
    const struct {
        const char* local;
        const char* idc;
        bool expected;
    } cases[] = {{"9", "10", true}, {"10", "10", false}, {"10", "9", false}, {"99", "100", true}, {"2", "3", true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(db_.SaveGameInfo(0, 1, L"", L"", L"", harness::Widen(c.local).c_str(), L""));
        ASSERT_TRUE(db_.SetGameIdcVersion(1, c.idc));
        EXPECT_EQ(c.expected, db_.IsGameNeedUpdate(1)) << c.local << " -> " << c.idc;
        // The stored text stays as it was written.
        EXPECT_EQ(c.idc, Cell("SELECT IdcVersion FROM GameInfo2_1 WHERE GameId=1;"));
    }
}

TEST_F(LocalDbTest, QuotesAndSemicolonsRoundTrip) {
    CreateTable();
    const wchar_t* name = L"O'Brien's \"Game\"; DROP TABLE GameInfo2_1; --";
    const wchar_t* path = L"D:\\it's\\; '); DELETE FROM GameInfo2_1; --\\";
    ASSERT_TRUE(db_.SaveGameInfo(1, 20, path, L"a'b.exe", L"c;d.exe", L"1", name));
    CStringW readName, readPath;
    EXPECT_TRUE(db_.GetGameName(20, readName));
    EXPECT_EQ(name, readName);
    EXPECT_TRUE(db_.GetGamePath(20, readPath));
    EXPECT_EQ(path, readPath);

    // The update paths bind their values too.
    const wchar_t* name2 = L"x', GameId=0 WHERE 1=1; --";
    ASSERT_TRUE(db_.SaveGameInfo(0, 20, L"", L"", L"", L"", name2));
    ASSERT_TRUE(db_.SetGameExe(20, L"s'; --", L"g\"'"));
    ASSERT_TRUE(db_.SetGameIdcVersion(20, "2'; DELETE FROM GameInfo2_1; --"));
    EXPECT_TRUE(db_.GetGameName(20, readName));
    EXPECT_EQ(name2, readName);
    EXPECT_EQ((std::vector<std::string>{"1", "s'; --", "g\"'", "2'; DELETE FROM GameInfo2_1; --"}),
              RawDb(path_).Row("SELECT count(*), StartExe, GameExe, IdcVersion FROM GameInfo2_1;"));
}

TEST_F(LocalDbTest, LongValuesAreStoredWhole) {
    CreateTableWithGame(2);
    std::wstring longPath = L"D:\\" + std::wstring(400, L'p') + L"\\";
    std::wstring longName(100, L'n');
    ASSERT_TRUE(db_.SaveGameInfo(0, 2, longPath.c_str(), std::wstring(90, L's').c_str(), L"", L"", longName.c_str()));
    CStringW readPath, readName;
    EXPECT_TRUE(db_.GetGamePath(2, readPath));
    EXPECT_EQ(longPath, readPath);
    EXPECT_TRUE(db_.GetGameName(2, readName));
    EXPECT_EQ(longName, readName);
}

// Text goes to the file in the ANSI code page. Under a Chinese code page
// (LC_ALL=zh_CN.UTF-8 gives 936 under Wine) Chinese names round-trip; under
// 1252 only what that code page holds does, and Chinese is stored as '?'.
TEST_F(LocalDbTest, ChineseNamesThroughTheAnsiCodePage) {
    const char* expectAcp = getenv("CORRIN_EXPECT_ACP");
    if (expectAcp) {
        ASSERT_EQ(static_cast<UINT>(atoi(expectAcp)), GetACP()) << "the code page was not applied";
    }
    CreateTable();
    const std::wstring chinese = L"\u4f20\u5947\u4e16\u754c 'v2'";  // 传奇世界 'v2'
    const std::wstring western = L"Caf\u00e9 \u00dcber";              // Café Über
    ASSERT_TRUE(db_.SaveGameInfo(1, 30, L"D:\\\u6e38\u620f\\", L"", L"", L"1", chinese.c_str()));
    ASSERT_TRUE(db_.SaveGameInfo(1, 31, L"", L"", L"", L"1", western.c_str()));
    // The file holds the ANSI bytes of the names, as older files do.
    EXPECT_EQ(AcpBytes(chinese), Cell("SELECT GameName FROM GameInfo2_1 WHERE GameId=30;"));

    CStringW name, path;
    if (GetACP() == 936) {
        EXPECT_EQ("\xb4\xab\xc6\xe6\xca\xc0\xbd\xe7 'v2'", Cell("SELECT GameName FROM GameInfo2_1 WHERE GameId=30;"));
        EXPECT_TRUE(db_.GetGameName(30, name));
        EXPECT_EQ(chinese, name);
        EXPECT_TRUE(db_.GetGamePath(30, path));
        EXPECT_EQ(L"D:\\\u6e38\u620f\\", path);
    } else if (GetACP() == 1252) {
        EXPECT_TRUE(db_.GetGameName(31, name));
        EXPECT_EQ(western, name);
        EXPECT_EQ("Caf\xe9 \xdc" "ber", Cell("SELECT GameName FROM GameInfo2_1 WHERE GameId=31;"));
        EXPECT_TRUE(db_.GetGameName(30, name));
        EXPECT_EQ(L"???? 'v2'", name);
    } else {
        GTEST_SKIP() << "no expectations for code page " << GetACP();
    }
}

TEST(LocalDbNoLibrary, EveryOperationFailsWithoutTouchingTheDisk) {
    std::wstring dir = harness::MakeScratchDir(L"db_nolib_" + std::to_wstring(GetCurrentProcessId()));
    std::wstring file = dir + L"\\orv2_1data";
    int before = CountLogLines(L"LoadLibrary sqlite failed, lastErr = 126");
    CLocalDB db(L"no_such_sqlite3.dll");
    EXPECT_EQ(before + 1, CountLogLines(L"LoadLibrary sqlite failed, lastErr = 126"));
    db.SetDbPath(harness::Narrow(file));
    std::string text;
    CStringW wide;
    EXPECT_EQ(-1, db.OpenDb());
    EXPECT_EQ(-1, db.ExecuteSQL(kCreateTable));
    EXPECT_FALSE(db.GetGamePath(1, text));
    EXPECT_FALSE(db.GetGameName(1, wide));
    EXPECT_FALSE(db.GetGameLocalVersionById(1, text));
    EXPECT_FALSE(db.IsGameNeedUpdate(1));
    EXPECT_EQ(-1, db.GetGameStatus(1));
    EXPECT_EQ(-1, db.GetGameAutoUpdateValue(1));
    EXPECT_FALSE(db.SaveGameInfo(1, 1, L"a", L"b", L"c", L"1", L"n"));
    EXPECT_FALSE(db.SetGameVersionAndSize(1, 1, 1));
    EXPECT_FALSE(db.SetGameStatus(1, 1));
    EXPECT_FALSE(db.SetGameExe(1, L"a", L"b"));
    std::vector<int> ids;
    EXPECT_FALSE(db.GetGamesWithoutPkgId(ids));
    EXPECT_FALSE(harness::FileExists(file));
    harness::RemoveTree(dir);
}

TEST(LocalDbNoLibrary, LibraryWithoutTheEntryPointsIsUnusable) {
    int before = CountLogLines(L"Failed to GetProcAddress sqlite3_open, lastErr = 127");
    CLocalDB db(L"kernel32.dll");
    EXPECT_EQ(before + 1, CountLogLines(L"Failed to GetProcAddress sqlite3_open, lastErr = 127"));
    EXPECT_EQ(-1, db.ExecuteSQL("SELECT 1;"));
    EXPECT_EQ(-1, db.GetGameStatus(1));
}

TEST_F(LocalDbTest, MissingTableFailsClearly) {
    // The file is made by the first open, but nobody created the table.
    int before = CountLogLines(L"sqlite3_get_table failed, rv=1, path=no such table: GameInfo2_1");
    EXPECT_EQ(-1, db_.GetGameStatus(1));
    EXPECT_EQ(before + 1, CountLogLines(L"sqlite3_get_table failed, rv=1, path=no such table: GameInfo2_1"));
    EXPECT_FALSE(db_.SetGameStatus(1, 2));
    EXPECT_FALSE(db_.SaveGameInfo(1, 1, L"a", L"", L"", L"1", L"n"));
}

TEST_F(LocalDbTest, MissingFolderFailsAndLaterOperationsRetryTheOpen) {
    std::string missing = harness::Narrow(dir_ + L"\\later\\orv2_1data");
    db_.SetDbPath(missing);
    int before = CountLogLines(L"sqlite3_open failed, rv=14");
    EXPECT_EQ(SQLITE_CANTOPEN, db_.ExecuteSQL(kCreateTable));
    EXPECT_EQ(-1, db_.GetGameStatus(1));
    EXPECT_EQ(before + 2, CountLogLines(L"sqlite3_open failed, rv=14"));
    ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\later").c_str(), nullptr));
    EXPECT_EQ(SQLITE_OK, db_.ExecuteSQL(kCreateTable));
    EXPECT_TRUE(db_.SetGameVersionAndSize(1, 2, 3));
    EXPECT_EQ(1, db_.GetGameStatus(1));
}

TEST_F(LocalDbTest, CorruptFileFailsAndIsLeftAsItWas) {
    std::string garbage(8192, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919u) >> 3);
    ASSERT_TRUE(harness::WriteFileBytes(dir_ + L"\\orv2_1data", garbage));
    int before = CountLogLines(L"rv=26");
    EXPECT_EQ(-1, db_.GetGameStatus(1));
    EXPECT_FALSE(db_.SetGameStatus(1, 2));
    EXPECT_FALSE(db_.SaveGameInfo(1, 1, L"a", L"", L"", L"1", L"n"));
    EXPECT_GE(CountLogLines(L"rv=26"), before + 3);
    EXPECT_EQ(garbage, harness::ReadFileBytes(dir_ + L"\\orv2_1data"));
}

TEST_F(LocalDbTest, LockedFileFailsWithoutLosingCommittedRows) {
    CreateTableWithGame(1);
    ASSERT_TRUE(db_.SetGameStatus(1, 2));
    CLocalDB other;
    other.SetDbPath(path_);
    ASSERT_EQ(SQLITE_OK, other.ExecuteSQL("BEGIN EXCLUSIVE;"));
    ASSERT_EQ(SQLITE_OK, other.ExecuteSQL("UPDATE GameInfo2_1 SET Status=0 WHERE GameId=1;"));

    int before = CountLogLines(L"sqlite3_exec failed, rv=5, ErrMsg=database is locked");
    DWORD start = GetTickCount();
    EXPECT_FALSE(db_.SetGameDownloadProgress(1, 500));
    EXPECT_LT(GetTickCount() - start, 5000u) << "a locked file must fail, not wait";
    EXPECT_EQ(before + 1, CountLogLines(L"sqlite3_exec failed, rv=5, ErrMsg=database is locked"));
    // A writer holds no reader up: the committed row reads as it was.
    start = GetTickCount();
    EXPECT_EQ(2, db_.GetGameStatus(1));
    EXPECT_LT(GetTickCount() - start, 1000u);

    // The holder gives up its change: the committed row is intact and usable again.
    ASSERT_EQ(SQLITE_OK, other.ExecuteSQL("ROLLBACK;"));
    EXPECT_EQ(2, db_.GetGameStatus(1));
    EXPECT_TRUE(db_.SetGameDownloadProgress(1, 500));
    EXPECT_EQ("500", Cell("SELECT Download FROM GameInfo2_1 WHERE GameId=1;"));
}

// Commits go to the file's write-ahead log while a connection is open, and
// another connection (another program) reads them there. Once the last
// connection has closed, the log is folded back: what stays is the one
// SQLite 3 file with the table as it was created, readable by any SQLite.
TEST_F(LocalDbTest, CommitsWaitInTheLogAndTheClosedFileIsPlain) {
    std::wstring file = harness::Widen(path_);
    {
        CLocalDB db;
        db.SetDbPath(path_);
        ASSERT_EQ(SQLITE_OK, db.ExecuteSQL(kCreateTable));
        ASSERT_TRUE(db.SaveGameInfo(3, 8, L"D:\\games\\8\\", L"s.exe", L"g.exe", L"4", L"Eight"));
        ASSERT_TRUE(db.SetGameDownloadComplete(8, 5));
        EXPECT_TRUE(harness::FileExists(file + L"-wal")) << "the commits wait in the log";
        RawDb reader(path_);
        EXPECT_EQ("wal", reader.Cell("PRAGMA journal_mode;"));
        EXPECT_EQ((std::vector<std::string>{"1000", "5", "0"}),
                  reader.Row("SELECT Download, LocalVersion, Status FROM GameInfo2_1 WHERE GameId=8;"));
    }
    EXPECT_FALSE(harness::FileExists(file + L"-wal")) << "the log was folded back at the close";
    std::string bytes = harness::ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 100u);
    EXPECT_EQ(std::string("SQLite format 3\0", 16), bytes.substr(0, 16));
    RawDb reader(path_);
    EXPECT_EQ((std::vector<std::string>{"1000", "5", "0", "Eight"}),
              reader.Row("SELECT Download, LocalVersion, Status, GameName FROM GameInfo2_1 WHERE GameId=8;"));
    std::string created(kCreateTable, sizeof(kCreateTable) - 2);  // without the closing ';'
    EXPECT_EQ(created, reader.Cell("SELECT sql FROM sqlite_master WHERE name='GameInfo2_1';"));
    EXPECT_EQ("1", reader.Cell("SELECT count(*) FROM sqlite_master;")) << "nothing added beside the table";
}

TEST_F(LocalDbTest, TwoConnectionsSeeEachOthersCommits) {
    CreateTable();
    CLocalDB second;
    second.SetDbPath(path_);
    ASSERT_TRUE(db_.SaveGameInfo(1, 10, L"a", L"", L"", L"1", L"first"));
    ASSERT_TRUE(second.SaveGameInfo(2, 11, L"b", L"", L"", L"1", L"second"));
    CStringW name;
    EXPECT_TRUE(second.GetGameName(10, name));
    EXPECT_EQ(L"first", name);
    EXPECT_TRUE(db_.GetGameName(11, name));
    EXPECT_EQ(L"second", name);
    ASSERT_TRUE(second.SetGameStatus(10, 0));
    EXPECT_EQ(0, db_.GetGameStatus(10));
}

// The launcher's pattern: one connection shared by the UI thread, the
// progress thread and the download library's threads.
TEST_F(LocalDbTest, OneConnectionSharedByThreads) {
    CreateTable();
    for (int id = 1; id <= 4; ++id) ASSERT_TRUE(db_.SetGameVersionAndSize(id, 1, 1));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int id = 1; id <= 4; ++id) {
        threads.emplace_back([this, id, &failures] {
            for (int step = 1; step <= 100; ++step) {
                if (!db_.SetGameDownloadProgress(id, step * 10)) ++failures;
                if (db_.GetGameStatus(id) != 1) ++failures;
                if (!db_.SaveGameInfo(0, id, L"", L"s.exe", L"", L"", L"")) ++failures;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(0, failures.load());
    for (int id = 1; id <= 4; ++id) {
        EXPECT_EQ("1000", Cell("SELECT Download FROM GameInfo2_1 WHERE GameId=" + std::to_string(id) + ";"));
    }
}

}  // namespace
