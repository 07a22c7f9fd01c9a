// The rules behind the launcher's downloads, without a window: the panel's
// per-mille maths and texts, the progress slots, the update check's
// decisions, the back-end answers about installs and updates, the game
// folder and the library's file filter, and the thread that makes the
// library's calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "DownloadProgress.h"
#include "DownloadRecords.h"
#include "GameDownloadRequest.h"
#include "GameUpdateCheck.h"
#include "JsonDoc.h"
#include "SerialCallThread.h"
#include "sqlite_helper.h"

namespace {

// Waits until holds() is true; false after 10 s.
template <typename Condition>
bool WaitFor(Condition holds) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000;) {
        if (holds()) return true;
        std::this_thread::yield();
    }
    return holds();
}

// --- Refresh maths

TEST(DownloadMathsTest, ProgressAddsTheFetchedPartOfTheRestToTheBase) {
    EXPECT_EQ(700, ComputeDownloadProgress(400, 50, 100));
    EXPECT_EQ(L"70.0%", FormatPercentText(700));
    // A pause at 350 and a new task over what was left: 350 at its start, 1000 at its end.
    EXPECT_EQ(350, ComputeDownloadProgress(350, 640, 640));
    EXPECT_EQ(1000, ComputeDownloadProgress(350, 0, 640));
    EXPECT_EQ(0, ComputeDownloadProgress(0, 100, 100));
    EXPECT_EQ(999, ComputeDownloadProgress(0, 1, 1000));
    EXPECT_EQ(250, ComputeDownloadProgress(0, 3000000000u, 4000000000u)) << "no 32-bit overflow";
    EXPECT_EQ(1, ComputeDownloadProgress(0, 4294967294u, 4294967295u));
}

TEST(DownloadMathsTest, ProgressStaysWithinZeroAndOneThousand) {
    EXPECT_EQ(400, ComputeDownloadProgress(400, 150, 100)) << "more blocks needed than the task has";
    EXPECT_EQ(0, ComputeDownloadProgress(0, 0xFFFFFFFFu, 1));
    EXPECT_EQ(0, ComputeDownloadProgress(-50, 100, 100));
    EXPECT_EQ(1000, ComputeDownloadProgress(2000, 100, 100));
    EXPECT_EQ(300, ComputeDownloadProgress(300, 10, 0)) << "no blocks known yet";
}

TEST(DownloadMathsTest, RemainingSecondsCountBlocksOf32KiB) {
    EXPECT_EQ(10u, ComputeRemainSeconds(10, 32768));
    EXPECT_EQ(0u, ComputeRemainSeconds(0, 32768));
    EXPECT_EQ(0u, ComputeRemainSeconds(0, 0));
    EXPECT_EQ(1u, ComputeRemainSeconds(1, 1000000000)) << "blocks left: never 0 seconds";
    EXPECT_EQ(65536u, ComputeRemainSeconds(2, 0)) << "no speed counts as 1 B/s";
    EXPECT_EQ(0xFFFFFFFFu, ComputeRemainSeconds(0xFFFFFFFFu, 1)) << "too long for 32 bits";
    EXPECT_EQ(0xFFFFFFFFu, ComputeRemainSeconds(200000, 0));
}

TEST(DownloadMathsTest, TotalsCountSizesSpeedsAndTheLongestTime) {
    DownloadPanelTotals totals;
    EXPECT_FALSE(totals.any);
    totals.Add(100, 500, 1000, 30);
    totals.Add(300, 0, 2000, 90);
    totals.AddSize(51, 990);
    EXPECT_TRUE(totals.any);
    EXPECT_EQ(451, totals.totalMB);
    EXPECT_EQ(50 + 300 + 0, totals.leftMB) << "(1000 - progress) x size / 1000 in whole MB";
    EXPECT_EQ(3000u, totals.speedSum);
    EXPECT_EQ(90u, totals.longestSeconds);
}

// --- Texts

TEST(DownloadTextTest, RemainingTimeOfThePanel) {
    EXPECT_EQ(L"剩余  0分0秒", FormatRemainTimeText(0));
    EXPECT_EQ(L"剩余  0分 1秒", FormatRemainTimeText(1));
    EXPECT_EQ(L"剩余 59分59秒", FormatRemainTimeText(3599));
    EXPECT_EQ(L"剩余  1小时 0分", FormatRemainTimeText(3600));
    EXPECT_EQ(L"剩余 24小时59分", FormatRemainTimeText(89999));
    EXPECT_EQ(L"剩余  1天 1小时", FormatRemainTimeText(90000));
    EXPECT_EQ(L"剩余 49710天 6小时", FormatRemainTimeText(0xFFFFFFFFu));
}

TEST(DownloadTextTest, TotalSpeedSwitchesToMegabytesAtOneMebibyte) {
    EXPECT_EQ(L"总速度 0.0KB/s", FormatTotalSpeedText(0));
    EXPECT_EQ(L"总速度 1024.0KB/s", FormatTotalSpeedText(1048575));
    EXPECT_EQ(L"总速度 1.00MB/s", FormatTotalSpeedText(1048576));
    EXPECT_EQ(L"总速度 25.50MB/s", FormatTotalSpeedText(26738688));
    EXPECT_EQ(L"总速度 0.0MB/s", std::wstring(kNoSpeedText));
}

TEST(DownloadTextTest, NameAndSizeKeepMegabytesUpTo1024) {
    EXPECT_EQ(L"测试游戏  12MB", FormatGameSizeText(L"测试游戏", 12));
    EXPECT_EQ(L"测试游戏  1024MB", FormatGameSizeText(L"测试游戏", 1024));
    EXPECT_EQ(L"测试游戏  1.00GB", FormatGameSizeText(L"测试游戏", 1025));
    EXPECT_EQ(L"Paper  2.50GB", FormatGameSizeText(L"Paper", 2560));
}

TEST(DownloadTextTest, ALongNameIsCutAndTheSizeStillShows) {
    std::wstring name(100, L'长');
    std::wstring text = FormatGameSizeText(name, 12);
    EXPECT_EQ(kPanelTextChars - 1, text.size());
    EXPECT_EQ(L"  12MB", text.substr(text.size() - 6));
    EXPECT_EQ(name.substr(0, text.size() - 6), text.substr(0, text.size() - 6));
    // A character outside the basic plane is two code units: never cut between them.
    std::wstring faces;
    for (int i = 0; i < 40; ++i) faces += L"\U0001F600";
    std::wstring cut = FormatGameSizeText(faces, 12);
    EXPECT_EQ(L"  12MB", cut.substr(cut.size() - 6));
    EXPECT_EQ(0u, (cut.size() - 6) % 2);
    EXPECT_LE(cut.size(), kPanelTextChars - 1);
    EXPECT_EQ(kPanelTextChars - 1, FitPanelText(name).size());
    EXPECT_EQ(L"短", FitPanelText(L"短"));
}

TEST(DownloadTextTest, RowAmountAndTimeLeft) {
    EXPECT_EQ(L"50.00 MB  剩余 01:01:01", FormatRemainText(100, 500, 3661));
    EXPECT_EQ(L"0.00 MB  剩余 00:00:00", FormatRemainText(100, 0, 0));
    EXPECT_EQ(L"1.23 MB  剩余 24:00:00", FormatRemainText(1234, 1, 86400));
    EXPECT_EQ(L"1.23 MB  剩余 1天 01:00:05", FormatRemainText(1234, 1, 90005));
    EXPECT_EQ(L"2.00 GB  剩余 00:00:09", FormatRemainText(4096, 500, 9));
    EXPECT_EQ(L"1023.00 MB  剩余 00:00:09", FormatRemainText(1023, 1000, 9));
    std::wstring longest = FormatRemainText(2147483647, 1000, 0xFFFFFFFFu);
    EXPECT_LE(longest.size(), kPanelTextChars - 1) << "cut to the panel's buffer";
    EXPECT_EQ(0u, longest.find(L"2097152.00 GB  剩余 49710天"));
}

TEST(DownloadTextTest, PercentAndSizesOfThePanel) {
    EXPECT_EQ(L"0%", FormatPercentText(0));
    EXPECT_EQ(L"0.1%", FormatPercentText(1));
    EXPECT_EQ(L"100.0%", FormatPercentText(1000));
    EXPECT_EQ(L"总2.00G / 剩余1.00G", FormatRemainSizeText(2048, 1024));
    EXPECT_EQ(L"总0.00G / 剩余0.00G", FormatRemainSizeText(0, 0));
    EXPECT_EQ(L"总 G / 剩余 G", std::wstring(kNoRemainSizeText));
    EXPECT_EQ(L"剩余 00:00:00", std::wstring(kRowRemainZeroText));
}

// --- Progress slots

TEST(ProgressSlotsTest, TenSlotsAreTakenFreedAndTakenAgain) {
    CDownloadProgressSlots slots;
    for (int id = 101; id <= 110; ++id) EXPECT_TRUE(slots.Take(id)) << id;
    EXPECT_FALSE(slots.Take(111)) << "an eleventh task gets no slot";
    EXPECT_EQ(nullptr, slots.Find(111));
    EXPECT_FALSE(slots.Take(0));
    EXPECT_EQ(nullptr, slots.Find(0)) << "game id 0 marks a free slot, never a game";
    EXPECT_TRUE(slots.Free(105));
    EXPECT_FALSE(slots.Free(105));
    EXPECT_EQ(nullptr, slots.Find(105));
    EXPECT_TRUE(slots.Take(111)) << "a freed slot serves the next task";
    ASSERT_NE(nullptr, slots.Find(111));
    EXPECT_EQ(0, slots.Find(111)->progress.load());
}

TEST(ProgressSlotsTest, AResumedTaskKeepsItsSlotAndItsProgress) {
    CDownloadProgressSlots slots;
    ASSERT_TRUE(slots.Take(101));
    DownloadProgressSlot* slot = slots.Find(101);
    slots.Feed(101, 40, 5000);
    slot->progress.store(600);
    for (int cycle = 0; cycle < 12; ++cycle) {
        ASSERT_TRUE(slots.Take(101)) << cycle;
        EXPECT_EQ(slot, slots.Find(101)) << "the same slot at every resume";
    }
    EXPECT_EQ(0u, slot->needBlocks.load()) << "no stale blocks of the ended task";
    EXPECT_EQ(0u, slot->speed.load());
    EXPECT_EQ(600, slot->progress.load());
    for (int id = 201; id <= 209; ++id) EXPECT_TRUE(slots.Take(id)) << "nine slots are still free";
}

TEST(ProgressSlotsTest, FeedReachesOnlyATakenSlot) {
    CDownloadProgressSlots slots;
    slots.Feed(101, 7, 9);
    ASSERT_TRUE(slots.Take(102));
    slots.Feed(101, 7, 9);
    slots.Feed(102, 3, 4);
    EXPECT_EQ(3u, slots.Find(102)->needBlocks.load());
    EXPECT_EQ(4u, slots.Find(102)->speed.load());
    EXPECT_EQ(nullptr, slots.Find(101));
}

TEST(ProgressSlotsTest, StoreWritesTakenSlotsWithProgressAndCompleteIsNeverUndone) {
    CDownloadProgressSlots slots;
    ASSERT_TRUE(slots.Take(101));
    ASSERT_TRUE(slots.Take(102));
    ASSERT_TRUE(slots.Take(103));
    slots.Find(101)->progress.store(250);
    slots.Find(103)->progress.store(980);
    std::map<int, int> table;
    std::atomic<bool> stop{false};
    auto store = [&table](int id, int progress) { table[id] = progress; };
    slots.StoreEach(store, stop);
    EXPECT_EQ((std::map<int, int>{{101, 250}, {103, 980}}), table) << "a slot at 0 is not written";

    slots.Complete(103, [&table] { table[103] = 1000; });
    EXPECT_EQ(1000, table[103]);
    slots.StoreEach(store, stop);
    EXPECT_EQ(1000, table[103]) << "the next walk writes the whole package, not an older progress";
    EXPECT_EQ(0u, slots.Find(103)->needBlocks.load());

    // A success while the progress thread writes and the panel refresh
    // stores what it worked out from blocks it read before: once the table
    // has the whole package, no walk writes less. A write takes a while, as
    // the table's does, so the success can land in the middle of one.
    std::atomic<bool> never{false};
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(slots.Take(102)) << round;
        slots.Find(102)->progress.store(400);
        std::mutex written;
        std::vector<int> writes;
        auto slowStore = [&](int id, int progress) {
            if (id != 102) return;
            auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
            while (std::chrono::steady_clock::now() < until) std::this_thread::yield();
            std::lock_guard<std::mutex> hold(written);
            writes.push_back(progress);
        };
        std::atomic<bool> running{true};
        std::atomic<int> walks{0}, refreshes{0};
        std::thread walker([&] {
            while (running) {
                slots.StoreEach(slowStore, never);
                ++walks;
            }
        });
        std::thread refresher([&] {
            for (int progress = 400; running; progress = progress < 999 ? progress + 1 : 400) {
                slots.StoreProgress(102, progress);
                ++refreshes;
                std::this_thread::yield();
            }
        });
        ASSERT_TRUE(WaitFor([&] { return walks >= 2 + round % 3; }));
        slots.Complete(102, [&] {
            std::lock_guard<std::mutex> hold(written);
            writes.push_back(1000);
        });
        int walked = walks, refreshed = refreshes;
        bool settled = WaitFor([&] { return walks >= walked + 3 && refreshes >= refreshed + 3; });
        running = false;
        walker.join();
        refresher.join();
        ASSERT_TRUE(settled) << round;
        EXPECT_EQ(1000, slots.Find(102)->progress.load()) << round;
        auto done = std::find(writes.begin(), writes.end(), 1000);
        ASSERT_NE(writes.end(), done) << round;
        for (auto later = done; later != writes.end(); ++later)
            ASSERT_EQ(1000, *later) << "a lower progress reached the table after the success, round " << round;
        ASSERT_TRUE(slots.Free(102));
    }

    table.clear();
    stop = true;
    slots.StoreEach(store, stop);
    EXPECT_EQ(1u, table.size()) << "the walk ends after a write once the stop flag is set";
}

// --- Records of the local table

// A local table file of its own per test, as the launcher creates it.
class DownloadRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = temp + std::wstring(L"records_") + std::wstring(info->name(), info->name() + strlen(info->name())) +
                L"_" + std::to_wstring(GetCurrentProcessId());
        DeleteFileW(path_.c_str());
        db_.SetDbPath(Utf8Of(path_));
        ASSERT_EQ(0, db_.ExecuteSQL(
                         "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, "
                         "Download INTEGER not null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe "
                         "VARCHAR(128), LocalVersion VARCHAR(16), IdcVersion VARCHAR(16), GameName VARCHAR(32), "
                         "GameSize INTEGER not null default 0, AutoUpdate INTEGER not null default 0, Status INTEGER "
                         "not null default 1);"));
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }
    static std::string Utf8Of(const std::wstring& text) {
        int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string bytes(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], n, nullptr, nullptr);
        return bytes;
    }
    std::string Path(int gameId) {
        std::string path;
        return db_.GetGamePath(gameId, path) ? path : "<no row>";
    }
    std::string Version(int gameId) {
        std::string version;
        db_.GetGameLocalVersionById(gameId, version);
        return version;
    }

    std::wstring path_;
    CLocalDB db_;
};

TEST_F(DownloadRecordsTest, ASuccessBeforeAnyOtherWriteFindsTheRowOfTheStart) {
    CDownloadProgressSlots slots;
    ASSERT_TRUE(RecordDownloadStart(db_, 140, "G:\\Game_140\\", L"Slow"));
    EXPECT_EQ(1, db_.GetGameStatus(140));
    EXPECT_EQ("G:\\Game_140\\", Path(140));
    ASSERT_TRUE(slots.Take(140));
    slots.Find(140)->progress.store(300);
    int statusWhenTold = -2;
    RecordDownloadSuccess(slots, db_, 140, 2, [&] { statusWhenTold = db_.GetGameStatus(140); });
    EXPECT_EQ(0, statusWhenTold) << "the window hears of the success once the table has it";
    EXPECT_EQ("2", Version(140));
    EXPECT_EQ(1000, slots.Find(140)->progress.load());
    CStringW name;
    EXPECT_TRUE(db_.GetGameName(140, name));
    EXPECT_EQ(L"Slow", name);

    // Another start of the same game keeps the row's other values.
    ASSERT_TRUE(db_.SaveGameInfo(140, 140, L"", L"game.exe", L"bin\\game.exe", L"", L""));
    ASSERT_TRUE(RecordDownloadStart(db_, 140, "G:\\Game_140\\", L""));
    EXPECT_EQ(1, db_.GetGameStatus(140));
    EXPECT_EQ("2", Version(140));
    EXPECT_TRUE(db_.GetGameName(140, name));
    EXPECT_EQ(L"Slow", name);
}

TEST_F(DownloadRecordsTest, ASuccessWithoutARowIsToldAndInsertsNothing) {
    CDownloadProgressSlots slots;
    bool told = false;
    RecordDownloadSuccess(slots, db_, 141, 2, [&] { told = true; });
    EXPECT_TRUE(told);
    EXPECT_EQ("<no row>", Path(141)) << "a success does not make a row of its own";
}

TEST_F(DownloadRecordsTest, TheWindowHearsOfAnUninstallOnceTheRowIsGone) {
    ASSERT_TRUE(db_.SaveGameInfo(101, 101, L"G:\\Game_101\\", L"game.exe", L"game.exe", L"2", L"Game"));
    ASSERT_TRUE(db_.SetGameStatus(101, 0));
    std::string pathWhenTold = "<not told>";
    RecordUninstall(db_, 101, [&] { pathWhenTold = Path(101); });
    EXPECT_EQ("<no row>", pathWhenTold);
}

TEST(DownloadRecordsNoTable, AStartThatCannotBeRecordedIsRefused) {
    CLocalDB db(L"no-such-sqlite3.dll");
    EXPECT_FALSE(RecordDownloadStart(db, 140, "G:\\Game_140\\", L"Slow"));
}

// --- Update check

// A local table that answers from fixed rows: need update, auto update, status.
class FakeTable : public CLocalDB {
public:
    struct Row {
        bool needUpdate = false;
        int autoUpdate = 1;
        int status = 0;
    };
    FakeTable() : CLocalDB(L"no-such-sqlite3.dll") {}
    bool IsGameNeedUpdate(int id) override { return rows[id].needUpdate; }
    int GetGameAutoUpdateValue(int id) override { return rows.count(id) ? rows[id].autoUpdate : -1; }
    int GetGameStatus(int id) override { return rows.count(id) ? rows[id].status : -1; }
    std::map<int, Row> rows;
};

TEST(GameUpdateCheckTest, DecisionTable) {
    FakeTable table;
    table.rows[11] = {true, 1, 0};   // newer version, auto update, complete: update
    table.rows[12] = {true, 1, 1};   // still downloading: no update
    table.rows[13] = {true, 0, 0};   // no auto update: no update
    table.rows[14] = {false, 1, 0};  // no newer version known: ask the back-end
    table.rows[15] = {true, -1, 0};  // auto update unknown: no update
    std::vector<GameUpdateCandidate> games = {
        {11, 1, 2}, {12, 2, 3}, {13, 3, 2}, {14, 4, 3}, {15, 5, 2},
        {16, 6, 1},  // a web game: never checked
        {0, 7, 2},   // no home id: skipped
        {17, 8, 3},  // unknown to the table: asked about
    };
    std::vector<int> posted;
    CGameUpdateCheck check;
    std::vector<int> ask = check.Check(games, table, true, [&posted](int id) { posted.push_back(id); });
    EXPECT_EQ(std::vector<int>{11}, posted);
    EXPECT_EQ((std::vector<int>{14, 17}), ask);
    EXPECT_EQ(0u, table.rows.count(16)) << "a web game's row is never asked for";

    // The back-end told of a newer version of 14: the next check forgets it
    // once instead of updating, then updates it the time after.
    table.rows[14].needUpdate = true;
    posted.clear();
    ask = check.Check(games, table, true, [&posted](int id) { posted.push_back(id); });
    EXPECT_EQ(std::vector<int>{11}, posted);
    EXPECT_EQ(std::vector<int>{17}, ask);
    posted.clear();
    check.Check(games, table, true, [&posted](int id) { posted.push_back(id); });
    EXPECT_EQ((std::vector<int>{11, 14}), posted);
}

TEST(GameUpdateCheckTest, NothingIsPostedWithoutAWindow) {
    FakeTable table;
    table.rows[11] = {true, 1, 0};
    CGameUpdateCheck check;
    std::vector<int> posted;
    EXPECT_TRUE(check.Check({{11, 1, 2}}, table, false, [&posted](int id) { posted.push_back(id); }).empty());
    EXPECT_TRUE(posted.empty());
}

// --- Back-end answers and requests

JsonDoc Parse(const char* text) {
    JsonDoc doc = ParseJson(text);
    EXPECT_TRUE(doc) << text;
    return doc;
}

TEST(GameDownloadRequestTest, InstallInformationWithAllItems) {
    JsonDoc doc = Parse(
        "{\"code\":0,\"pkgId\":101,\"jtGameId\":101,\"startExe\":\"启动.exe\",\"gameExe\":\"bin\\\\game.exe\","
        "\"version\":5,\"gamePic\":\"http://h/p.png\"}");
    GameInstallInfo info = ReadGameInstallInfo(doc.get());
    EXPECT_TRUE(info.HasIds());
    EXPECT_TRUE(info.Complete());
    EXPECT_EQ(101, info.pkgId);
    EXPECT_EQ(L"启动.exe", info.startExe);
    EXPECT_EQ(L"bin\\game.exe", info.gameExe);
    EXPECT_EQ(L"5", info.version) << "a number is taken as its decimal text";
    EXPECT_EQ(L"http://h/p.png", info.gamePic);
}

TEST(GameDownloadRequestTest, InstallInformationWithoutIdsOrItems) {
    JsonDoc noIds = Parse("{\"code\":0,\"jtGameId\":101,\"startExe\":\"a\",\"gameExe\":\"b\",\"version\":\"1\"}");
    GameInstallInfo info = ReadGameInstallInfo(noIds.get());
    EXPECT_FALSE(info.HasIds());
    EXPECT_TRUE(info.Complete());
    JsonDoc textId = Parse("{\"code\":0,\"pkgId\":\"101\",\"jtGameId\":101}");
    EXPECT_FALSE(ReadGameInstallInfo(textId.get()).HasIds()) << "ids are numbers";
    JsonDoc noExe = Parse("{\"code\":0,\"pkgId\":1,\"jtGameId\":2,\"gameExe\":7,\"version\":\"1\"}");
    info = ReadGameInstallInfo(noExe.get());
    EXPECT_TRUE(info.HasIds());
    EXPECT_FALSE(info.Complete());
    EXPECT_TRUE(info.startExe.empty());
    EXPECT_FALSE(info.hasGamePic);
}

TEST(GameDownloadRequestTest, UpdateAnswers) {
    std::string version;
    JsonDoc newer = Parse("{\"code\":0,\"isUpdate\":1,\"version\":\"2\"}");
    EXPECT_EQ(GameUpdateVerdict::NewVersion, ReadGameUpdateAnswer(newer.get(), &version));
    EXPECT_EQ("2", version);
    JsonDoc without = Parse("{\"code\":0,\"isUpdate\":1}");
    EXPECT_EQ(GameUpdateVerdict::MissingVersion, ReadGameUpdateAnswer(without.get(), &version));
    JsonDoc empty = Parse("{\"code\":0,\"isUpdate\":1,\"version\":\"\"}");
    EXPECT_EQ(GameUpdateVerdict::MissingVersion, ReadGameUpdateAnswer(empty.get(), &version));
    JsonDoc none = Parse("{\"code\":0,\"isUpdate\":0,\"version\":\"3\"}");
    EXPECT_EQ(GameUpdateVerdict::NoUpdate, ReadGameUpdateAnswer(none.get(), &version));
    JsonDoc missing = Parse("{\"code\":0}");
    EXPECT_EQ(GameUpdateVerdict::NoUpdate, ReadGameUpdateAnswer(missing.get(), &version));
}

TEST(GameDownloadRequestTest, FolderUrlsAndReport) {
    EXPECT_EQ("G:\\Game_101\\", GameFolderPath(L'G', 101));
    EXPECT_EQ("C:\\Game_7\\", GameFolderPath(L'C', 7));
    std::wstring install = GameInstallInfoUrl(101);
    EXPECT_NE(std::wstring::npos, install.find(L"/orv2/api/getFrontData.do?type=gameInstallInfo&gameId=101&idType=2"));
    std::wstring update = GameUpdateUrl(L"1", 101);
    EXPECT_NE(std::wstring::npos, update.find(L"?type=gameUpdate&version=1&gameId=101&idType=2"));
    EXPECT_NE(std::wstring::npos, GameUpdateUrl(L"1&isUpdate=1", 5).find(L"version=1%26isUpdate%3D1&gameId=5"))
        << "a version cannot add query fields";
    EXPECT_EQ(L"http://r/s?type=3&guid=abc&gameId=101", GameDownloadReportUrl(L"http://r/s", L"abc", 101));
}

TEST(GameDownloadRequestTest, FilterRefusesNamesHoldingXsdTxt) {
    EXPECT_FALSE(IsDownFileAllowed("xsd.txt"));
    EXPECT_FALSE(IsDownFileAllowed("config/xsd.txt.bak"));
    EXPECT_FALSE(IsDownFileAllowed("axsd.txtb"));
    EXPECT_TRUE(IsDownFileAllowed("XSD.TXT")) << "the same letters in capitals pass";
    EXPECT_TRUE(IsDownFileAllowed("xsd.tx"));
    EXPECT_TRUE(IsDownFileAllowed("readme.txt"));
    EXPECT_TRUE(IsDownFileAllowed(""));
}

// --- The thread that makes the library's calls

// Waits (at most timeoutMs) until flag is set.
bool WaitForFlag(const std::atomic<bool>& flag, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); !flag.load(); Sleep(5)) {
        if (GetTickCount() - start > timeoutMs) return false;
    }
    return true;
}

TEST(SerialCallThreadTest, CallsRunInOrderOnAThreadOfTheirOwnWhileTheCallerGoesOn) {
    CSerialCallThread calls(L"test");
    std::atomic<bool> release{false};
    std::mutex lock;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    auto record = [&](int n) {
        std::lock_guard<std::mutex> hold(lock);
        order.push_back(n);
        threads.push_back(std::this_thread::get_id());
    };
    DWORD start = GetTickCount();
    ASSERT_TRUE(calls.Queue(L"first", [&] {
        WaitForFlag(release, 10000);  // a call that waits for the network, say
        record(1);
    }));
    for (int n = 2; n <= 5; ++n) ASSERT_TRUE(calls.Queue(L"next", [&record, n] { record(n); }));
    EXPECT_LT(GetTickCount() - start, 1000u) << "the caller waited for a call";
    {
        std::lock_guard<std::mutex> hold(lock);
        EXPECT_TRUE(order.empty()) << "a call overtook the one before it";
    }
    release = true;
    ASSERT_TRUE(calls.Finish(10000)) << "Finish makes the queued calls first";
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), order);
    ASSERT_EQ(5u, threads.size());
    for (const std::thread::id& id : threads) {
        EXPECT_EQ(threads[0], id) << "one thread makes every call";
        EXPECT_NE(std::this_thread::get_id(), id) << "a call ran on the caller's thread";
    }
    EXPECT_FALSE(calls.Queue(L"late", [&] { record(6); })) << "no call after Finish";
    EXPECT_TRUE(CSerialCallThread(L"idle").Finish(0)) << "without calls there is nothing to wait for";
}

TEST(SerialCallThreadTest, FinishGivesUpOnACallThatDoesNotEndAndTheThreadStillMakesTheRest) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto made = std::make_shared<std::atomic<int>>(0);
    {
        CSerialCallThread calls(L"test");
        ASSERT_TRUE(calls.Queue(L"hanging", [release, made] {
            WaitForFlag(*release, 20000);
            ++*made;
        }));
        ASSERT_TRUE(calls.Queue(L"after", [made] { ++*made; }));
        DWORD start = GetTickCount();
        EXPECT_FALSE(calls.Finish(300));
        DWORD waited = GetTickCount() - start;
        EXPECT_GE(waited, 250u);
        EXPECT_LT(waited, 3000u) << "Finish waits no longer than it was told";
    }  // the object goes while its thread still works
    EXPECT_EQ(0, made->load());
    *release = true;
    for (DWORD start = GetTickCount(); made->load() < 2 && GetTickCount() - start < 10000;) Sleep(5);
    EXPECT_EQ(2, made->load()) << "the calls queued before Finish are all made";
}

TEST(SerialCallThreadTest, ACallThatThrowsIsLoggedAndTheNextOneRuns) {
    CSerialCallThread calls(L"test");
    std::atomic<bool> ran{false};
    ASSERT_TRUE(calls.Queue(L"throws", [] { throw std::runtime_error("no memory"); }));
    ASSERT_TRUE(calls.Queue(L"next", [&] { ran = true; }));
    ASSERT_TRUE(calls.Finish(10000));
    EXPECT_TRUE(ran.load());
}

}  // namespace
