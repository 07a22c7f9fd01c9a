// The rules behind the launcher's main window, without a window: the game
// list (answers, order rule, adding and merging), icon extensions, channels,
// settings, the installed test, the café client, the back-end request texts
// and the worker context. Runs under the Chinese code page, like the launcher.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "BackendRequest.h"
#include "CafeClient.h"
#include "ChannelInfo.h"
#include "GameList.h"
#include "Harness.h"
#include "GameRunWatch.h"
#include "InstalledGames.h"
#include "LauncherSettings.h"
#include "LocalPages.h"
#include "MainWndContext.h"
#include "sqlite_helper.h"

namespace {

GameInfoItem* Entry(int pkgid, int jtGameId, int listIndex) {
    GameInfoItem* entry = new GameInfoItem();
    entry->pkgid = pkgid;
    entry->jt_game_id = jtGameId;
    entry->listIndex = listIndex;
    return entry;
}

std::vector<int> Keys(const CGameList& list) {
    std::vector<int> keys;
    for (const GameInfoItem* e : list.items()) keys.push_back(list.KeyOf(*e));
    return keys;
}

std::vector<int> Indices(const std::vector<GameInfoItem*>& entries) {
    std::vector<int> indices;
    for (const GameInfoItem* e : entries) indices.push_back(e->listIndex);
    return indices;
}

// --- Game-list answers

class GameListJsonTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = harness::MakeScratchDir(L"logic_" + harness::CurrentTestName());
        log_ = dir_ + L"\\gamelist.txt";
    }
    std::string BadAnswers() const { return harness::ReadFileBytes(log_); }

    std::wstring dir_;
    std::wstring log_;
    CGameList list_{true};
};

TEST_F(GameListJsonTest, AnswersThatAreNotGoodAddNothingAndTheUnreadableAreKept) {
    EXPECT_FALSE(ParseGameListJsonString("{not json", false, list_, log_));
    EXPECT_EQ("{not json\r\n", BadAnswers());
    EXPECT_FALSE(ParseGameListJsonString("{\"gamelist\":[]}", false, list_, log_));
    EXPECT_FALSE(ParseGameListJsonString("{\"code\":3,\"gamelist\":[{\"id\":1,\"jt_game_id\":5}]}", false, list_, log_));
    EXPECT_EQ("{not json\r\n", BadAnswers()) << "a missing or non-zero code is not kept";
    EXPECT_FALSE(ParseGameListJsonString("{\"code\":0}", false, list_, log_));
    EXPECT_EQ("{not json\r\n{\"code\":0}\r\n", BadAnswers());
    EXPECT_TRUE(list_.empty());
}

TEST_F(GameListJsonTest, ReadsEveryMemberOfAnElement) {
    // UTF-8 answer (the back-end's); names come back through the ANSI code page.
    const char* answer =
        "{\"CODE\":0,\"GameList\":["
        "{\"id\":11,\"pkgid\":501,\"jt_game_id\":901,\"game_name\":\"\xE6\x98\x9F\xE6\xB5\xB7\",\"game_type\":2,"
        "\"list_index\":1,\"game_icon_url\":\"http:\\\\\\\\h\\\\img\\\\a.PNG\",\"icon_type\":\"gif\"},"
        "{\"id\":12,\"pkgid\":502,\"jt_game_id\":902,\"game_type\":1,\"list_index\":-4,\"icon_type\":\"webp\","
        "\"open_type\":2},"
        "{\"id\":13,\"pkgid\":503,\"jt_game_id\":903,\"game_type\":1,\"list_index\":0,\"icon_type\":\"a.b/../../x\"}]}";
    ASSERT_TRUE(ParseGameListJsonString(answer, false, list_, log_));
    ASSERT_EQ((std::vector<int>{903, 901, 902}), Keys(list_)) << "sorted by list index; a negative one last";
    const GameInfoItem* first = list_.FindByKey(901);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(11, first->id);
    EXPECT_EQ(501, first->pkgid);
    EXPECT_EQ(L"星海", first->gameName);
    EXPECT_EQ(2, first->gameType);
    EXPECT_EQ(1, first->listIndex);
    EXPECT_EQ(L"http://h/img/a.PNG", first->iconUrl);
    EXPECT_STREQ(L"PNG", first->iconExt) << "the URL's extension wins over icon_type";
    const GameInfoItem* web = list_.FindByKey(902);
    EXPECT_EQ(-1, web->listIndex);
    EXPECT_STREQ(L"webp", web->iconExt);
    EXPECT_EQ(2, web->openType);
    EXPECT_STREQ(L"jpg", list_.FindByKey(903)->iconExt) << "a path in icon_type never reaches a file name";
}

TEST_F(GameListJsonTest, ListFileIsReadWholeByTheBytesRead) {
    // More than one 4096-byte chunk, a byte-order mark and an odd trailing byte.
    std::wstring text = L"{\"code\":0,\"gamelist\":[" + std::wstring(2100, L' ') + L"]}";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    bytes += 'x';
    std::wstring path = dir_ + L"\\gamebtn.dat";
    ASSERT_TRUE(harness::WriteFileBytes(path, bytes));
    std::wstring read;
    ASSERT_TRUE(ReadGameListFile(path, &read));
    EXPECT_EQ(text, read);
    EXPECT_FALSE(ReadGameListFile(dir_ + L"\\missing.dat", &read));
}

// --- Local pages

TEST(LocalPagesTest, AddressesKeepTheWholeProgramFolder) {
    std::wstring folder = L"Z:\\" + std::wstring(600, L'd') + L"\\程序\\";
    std::wstring url = FolderUrlForm(folder);
    EXPECT_EQ(std::wstring::npos, url.find(L'\\'));
    std::wstring start = LocalPageUrl(url, L"index.html");
    EXPECT_EQ(L"file:///Z:/" + std::wstring(600, L'd') + L"/程序/html/index.html", start);
    EXPECT_NE(std::wstring::npos, start.find(L"/html/index.html")) << "the lobby page is still told apart";
    EXPECT_EQ(L"file:///C:/p/html/launch/web/index.html", GameTypePageUrl(L"C:/p/", 1, L"launch"));
    EXPECT_EQ(L"file:///C:/p/html/details/dj/index.html", GameTypePageUrl(L"C:/p/", 2, L"details"));
    EXPECT_EQ(L"file:///C:/p/html/launch/client/index.html", GameTypePageUrl(L"C:/p/", 3, L"launch"));
    EXPECT_TRUE(GameTypePageUrl(L"C:/p/", 4, L"launch").empty());
}

// --- Icon URL and extension rule

TEST(IconUrlTest, ExtensionIsOneToSevenLettersOrDigitsElseJpg) {
    struct Case {
        const wchar_t* url;
        const wchar_t* ext;
    } cases[] = {
        {L"http://h/a.png", L"png"},
        {L"http://h/a.PNG", L"PNG"},
        {L"http://h\\img\\a.gif", L"gif"},
        {L"noextension", L"jpg"},
        {L".png", L"jpg"},
        {L"http://h/a.", L"jpg"},
        {L"a.b/../../x", L"jpg"},
        {L"http://h/a.png?q=1", L"jpg"},
        {L"http://h/a.abcdefg", L"abcdefg"},
        {L"http://h/a.abcdefgh", L"jpg"},
    };
    for (const Case& c : cases) {
        GameInfoItem entry;
        entry.SetIconUrl(c.url);
        EXPECT_STREQ(c.ext, entry.iconExt) << harness::Narrow(c.url);
        EXPECT_EQ(std::wstring::npos, entry.iconUrl.find(L'\\'));
    }
}

// --- Order rule, adding and merging

TEST(GameOrderTest, OrderRuleNumbersFromZeroAndLeavesOutIndicesFromThousand) {
    CGameList list(true);
    for (int index : {0, 2, 2, 5, 1000}) list.AddNewGameBtnBySequence(Entry(0, 100 + index + list.size(), index));
    std::vector<GameInfoItem*> changed, leftover;
    std::vector<GameInfoItem*> shown = list.OrderForDisplay(&changed, &leftover);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), Indices(shown));
    std::vector<int> shownKeys;
    for (GameInfoItem* e : shown) shownKeys.push_back(e->jt_game_id);
    EXPECT_EQ((std::vector<int>{100, 103, 104, 108}), shownKeys) << "equal indices keep their list order";
    EXPECT_EQ((std::vector<int>{1, 3}), Indices(changed)) << "only entries whose index changed";
    ASSERT_EQ(1u, leftover.size());
    EXPECT_EQ(1000, leftover[0]->listIndex);
}

TEST(GameOrderTest, SequenceInsertMovesAKnownGameAndDropsItsDuplicate) {
    CGameList list(false);
    ASSERT_TRUE(list.AddNewGameBtnBySequence(Entry(1, 0, 0)));
    ASSERT_TRUE(list.AddNewGameBtnBySequence(Entry(2, 0, 1)));
    ASSERT_TRUE(list.AddNewGameBtnBySequence(Entry(3, 0, 2)));
    std::unique_ptr<GameInfoItem> same(Entry(1, 0, 0));
    EXPECT_FALSE(list.AddNewGameBtnBySequence(same.get()));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Keys(list));
    std::unique_ptr<GameInfoItem> moved(Entry(1, 0, 5));
    EXPECT_FALSE(list.AddNewGameBtnBySequence(moved.get()));
    EXPECT_EQ((std::vector<int>{2, 3, 1}), Keys(list));
    EXPECT_EQ(5, list.FindByKey(1)->listIndex);
    std::unique_ptr<GameInfoItem> unplaced(Entry(2, 0, -1));
    EXPECT_FALSE(list.AddNewGameBtnBySequence(unplaced.get()));
    EXPECT_EQ(1, list.FindByKey(2)->listIndex) << "a negative index moves nothing";
}

TEST(GameOrderTest, AGameAddedByAPageMakesRoomOnlyWhenPlaced) {
    CGameList list(false);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(list.AddNewGameBtnBySequence(Entry(10 + i, 0, i)));
    std::vector<GameInfoItem*> changed;
    GameInfoItem* unplaced = Entry(20, 0, -1);
    EXPECT_EQ(nullptr, list.AddNewGameBtn(unplaced, &changed));
    EXPECT_TRUE(changed.empty()) << "an unplaced game moves and re-reports nobody";
    EXPECT_EQ((std::vector<int>{0, 1, 2, -1}), Indices({list.items().begin(), list.items().end()}));
    GameInfoItem* placed = Entry(21, 0, 1);
    EXPECT_EQ(nullptr, list.AddNewGameBtn(placed, &changed));
    EXPECT_EQ((std::vector<int>{2, 3}), Indices(changed));
    std::unique_ptr<GameInfoItem> again(Entry(10, 0, 0));
    EXPECT_EQ(list.FindByKey(10), list.AddNewGameBtn(again.get(), &changed)) << "a known game is returned";
}

TEST(GameOrderTest, GamesAreKnownByTheirKeyAndKeyZeroNeverMatches) {
    CGameList cafe(false);  // key = pkgid
    ASSERT_TRUE(cafe.AddNewGameBtnBySequence(Entry(0, 71, 0)));
    ASSERT_TRUE(cafe.AddNewGameBtnBySequence(Entry(0, 72, 1))) << "two games without a package id stay two";
    EXPECT_EQ(nullptr, cafe.FindByKey(0));
    CGameList home(true);  // key = jt_game_id
    ASSERT_TRUE(home.AddNewGameBtnBySequence(Entry(7, 71, 0)));
    ASSERT_TRUE(home.AddNewGameBtnBySequence(Entry(7, 72, 1))) << "the same package id is not the same game here";
    std::unique_ptr<GameInfoItem> again(Entry(8, 72, 1));
    EXPECT_FALSE(home.AddNewGameBtnBySequence(again.get()));
    EXPECT_EQ(2u, home.size());
}

TEST(GameOrderTest, AddedGameShiftsTheOthersAndIsAppended) {
    CGameList list(true);
    for (int i = 0; i < 3; ++i) list.Append(Entry(0, 10 + i, i));
    std::vector<GameInfoItem*> changed;
    GameInfoItem* added = Entry(0, 20, 0);
    EXPECT_EQ(nullptr, list.AddNewGameBtn(added, &changed));
    EXPECT_EQ((std::vector<int>{10, 11, 12, 20}), Keys(list));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Indices(changed));
    std::unique_ptr<GameInfoItem> known(Entry(0, 11, 0));
    changed.clear();
    EXPECT_EQ(list.FindByKey(11), list.AddNewGameBtn(known.get(), &changed));
    EXPECT_TRUE(changed.empty());
}

TEST(GameOrderTest, MergeKeepsKnownGamesAndAppendsNewOnesAfterThem) {
    CGameList list(true);
    list.Append(Entry(0, 1, 0));
    list.Append(Entry(0, 2, 1));
    CGameList file(true);
    GameInfoItem* known = Entry(0, 2, 0);
    known->id = 77;
    file.Append(known);
    file.Append(Entry(0, 3, 0));
    file.Append(Entry(0, 4, -1));
    std::vector<GameInfoItem*> changed, unmatched;
    list.MergeGameList(file, true, &changed, &unmatched);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), Keys(list));
    EXPECT_EQ(77, list.FindByKey(2)->id);
    EXPECT_EQ(1, list.FindByKey(2)->listIndex) << "a known game keeps its place";
    EXPECT_EQ(2, list.FindByKey(3)->listIndex) << "raised by the number of games already listed";
    EXPECT_EQ(-1, list.FindByKey(4)->listIndex);
    EXPECT_EQ((std::vector<int>{1, 2}), Indices(changed));
    ASSERT_EQ(1u, unmatched.size());
    EXPECT_EQ(1, unmatched[0]->jt_game_id);
    EXPECT_EQ(1u, file.size()) << "the file list keeps what it still owns";
}

// --- Channels

TEST(ChannelJsonTest, ReadsChannelsAndTheirIconsInOrder) {
    const char* answer =
        "[{\"navigationName\":\"\xE6\xB8\xB8\xE6\x88\x8F\xE5\xA4\xA7\xE5\x8E\x85\",\"iconCheckedUrl\":\"https://h/on.png\","
        "\"iconUncheckedUrl\":\"https://h/off.png\",\"linkUrl\":\"http://h/lobby\"},"
        "{\"navigationName\":\"b\",\"iconCheckedUrl\":\"\",\"linkUrl\":\"http://h/b\"}]";
    std::vector<ChannelInfo> channels;
    std::vector<ChannelIconRequest> icons;
    ParseChannelInfoJsonString(answer, &channels, &icons);
    ASSERT_EQ(2u, channels.size());
    EXPECT_EQ(L"游戏大厅", channels[0].name);
    EXPECT_EQ(L"http://h/lobby", channels[0].linkUrl);
    EXPECT_EQ(L"b", channels[1].name);
    ASSERT_EQ(2u, icons.size()) << "empty icon addresses are skipped";
    EXPECT_EQ(0, icons[0].index);
    EXPECT_TRUE(icons[0].checked);
    EXPECT_EQ(L"https://h/on.png", icons[0].url);
    EXPECT_FALSE(icons[1].checked);
    EXPECT_EQ(L"C:\\p\\skin\\mainwnd\\icon_hover_3.png", GetChannelIconPath(L"C:\\p\\", 3, true));
    EXPECT_EQ(L"C:\\p\\skin\\mainwnd\\icon_3.png", GetChannelIconPath(L"C:\\p\\", 3, false));

    channels.clear();
    icons.clear();
    ParseChannelInfoJsonString("{\"code\":0}", &channels, &icons);
    ParseChannelInfoJsonString("<html>", &channels, &icons);
    EXPECT_TRUE(channels.empty());
    EXPECT_TRUE(icons.empty());
}

// --- Settings

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ini_ = harness::MakeScratchDir(L"logic_" + harness::CurrentTestName()) + L"\\qxtarrow.ini"; }
    void Write(const std::string& text) { harness::WriteFileBytes(ini_, text); }
    LauncherSettings Load() {
        LauncherSettings settings;
        settings.Load(ini_, [] { return L'G'; });
        return settings;
    }
    std::wstring ini_;
};

TEST_F(SettingsTest, EmptyFileGivesTheDefaultsAndRecordsTheGameDisk) {
    Write("");
    LauncherSettings settings = Load();
    EXPECT_TRUE(settings.autoRun);
    EXPECT_TRUE(settings.closeType);
    EXPECT_TRUE(settings.alwaysUpdate);
    EXPECT_FALSE(settings.netLimit);
    EXPECT_EQ(100000u, settings.limitSpeed);
    EXPECT_EQ(9904, settings.downloadPort);
    EXPECT_EQ(L'G', settings.gameDisk);
    EXPECT_TRUE(settings.reportUrl.empty());
    EXPECT_NE(std::string::npos, harness::ReadFileBytes(ini_).find("GameDisk=G"));
    EXPECT_EQ(0x6400000u, settings.SpeedLimitBytes());
}

TEST_F(SettingsTest, ValuesAreReadAndOutOfRangeOnesKeepTheirDefaults) {
    Write("[main]\r\nAutoRun=0\r\nCloseType=0\r\nGameDisk=D:\r\nScreenshotPath=shots\r\n"
          "[download]\r\nNetLimit=1\r\nLimitSpeed=0\r\nport=70000\r\naddress=pkg.example\r\n"
          "[report]\r\nurl=http://r/a\r\ninstallurl=http://r/b\r\n");
    LauncherSettings settings = Load();
    EXPECT_FALSE(settings.autoRun);
    EXPECT_FALSE(settings.closeType);
    EXPECT_EQ(L'D', settings.gameDisk);
    EXPECT_EQ(L"shots", settings.screenshotPath);
    EXPECT_EQ(100000u, settings.limitSpeed);
    EXPECT_EQ(9904, settings.downloadPort) << "a port above 65535 is not cut to 16 bits";
    EXPECT_EQ("pkg.example", settings.downloadAddress);
    EXPECT_EQ(L"http://r/a", settings.reportUrl);
    EXPECT_EQ(L"http://r/b", settings.installReportUrl);
    EXPECT_EQ(100000u * 1024u, settings.SpeedLimitBytes());

    Write("[download]\r\nNetLimit=1\r\nLimitSpeed=5000000\r\nport=8080\r\n");
    settings = Load();
    EXPECT_EQ(8080, settings.downloadPort);
    EXPECT_EQ(0xFFFFFFFFu, settings.SpeedLimitBytes()) << "5000000 KB/s does not fit 32 bits: capped";
}

TEST(AutoRunCommandTest, ThePathIsQuotedSoASpaceCannotStartAnotherProgram) {
    EXPECT_EQ(L"\"C:\\Program Files\\Vanta\\Corrin.exe\"", AutoRunCommand(L"C:\\Program Files\\Vanta\\Corrin.exe"));
    EXPECT_EQ(L"\"D:\\My Games\\Corrin.exe\"", AutoRunCommand(L"D:\\My Games\\Corrin.exe"));
    EXPECT_EQ(L"\"C:\\Vanta\\Corrin.exe\"", AutoRunCommand(L"C:\\Vanta\\Corrin.exe")) << "quoted without a space too";
}

TEST(GameDiskTest, OnlyFixedDrivesCompeteAndNoneGivesC) {
    using Drive = CDeviceInfo::DriveSample;
    const ULONGLONG GB = 1ull << 30;
    EXPECT_EQ(L'E', ChooseGameDisk({Drive{L'D', DRIVE_REMOVABLE, true, 900 * GB, 800 * GB},
                                    Drive{L'E', DRIVE_FIXED, true, 100 * GB, 50 * GB},
                                    Drive{L'F', DRIVE_FIXED, true, 100 * GB, 40 * GB},
                                    Drive{L'Z', DRIVE_REMOTE, true, 900 * GB, 900 * GB}}));
    EXPECT_EQ(L'C', ChooseGameDisk({Drive{L'D', DRIVE_CDROM, true, 1 * GB, 1 * GB}}));
    EXPECT_EQ(L'C', ChooseGameDisk({}));
}

// --- Installed test

class InstalledGamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = harness::MakeScratchDir(L"logic_" + harness::CurrentTestName()) + L"\\";
        std::string utf8 = harness::Narrow(dir_ + L"orv2_1data");
        db_.SetDbPath(utf8);
        db_.ExecuteSQL(
            "CREATE TABLE GameInfo2_1(GameId INTEGER PRIMARY KEY, PkgId INTEGER not null default 0, Download "
            "INTEGER not null default 0, LocalPath VARCHAR(256), StartExe VARCHAR(128), GameExe VARCHAR(128), "
            "LocalVersion VARCHAR(16), IdcVersion VARCHAR(16), GameName VARCHAR(32), GameSize INTEGER not null "
            "default 0, AutoUpdate INTEGER not null default 0, Status INTEGER not null default 1);");
    }
    std::wstring dir_;
    CLocalDB db_;
};

TEST_F(InstalledGamesTest, WithoutCafeClientOnlyStatusZeroIsInstalled) {
    for (int id = 1; id <= 4; ++id) db_.SaveGameInfo(0, id, L"D:\\g", L"a.exe", L"a.exe", L"1", L"g");
    db_.SetGameStatus(1, 0);
    db_.SetGameStatus(2, 1);
    db_.SetGameStatus(3, 2);
    db_.SetGameStatus(4, 3);
    CInstalledGames games(dir_, db_);
    games.SetNoCafeClient(true);
    EXPECT_EQ(1, games.IsGameInstalledLocal(1));
    EXPECT_EQ(0, games.IsGameInstalledLocal(2));
    EXPECT_EQ(0, games.IsGameInstalledLocal(3));
    EXPECT_EQ(0, games.IsGameInstalledLocal(4));
    EXPECT_EQ(0, games.IsGameInstalledLocal(5)) << "no row";
    EXPECT_EQ(-1, games.IsGameInstalledLocal(0));
    db_.SetGameStatus(2, 0);
    EXPECT_EQ(1, games.IsGameInstalledLocal(2)) << "nothing is cached without a café client";
}

TEST_F(InstalledGamesTest, WithCafeClientThePackageFolderDecidesAndAnswersAreKept) {
    ASSERT_TRUE(CopyFileW((harness::TestDir() + L"\\cafe\\TesselPkgPath.dll").c_str(),
                          (dir_ + L"TesselPkgPath.dll").c_str(), FALSE));
    std::wstring game = dir_ + L"games\\star";
    CreateDirectoryW((dir_ + L"games").c_str(), nullptr);
    CreateDirectoryW(game.c_str(), nullptr);
    harness::WriteFileBytes(dir_ + L"TesselPkgPath.txt",
                            "31\t" + harness::Narrow(game) + "\r\n32\t" + harness::Narrow(dir_) + "games\\gone\r\n");
    CInstalledGames games(dir_, db_);
    CStringW path;
    games.GetGamePathByPkgId(31, path);
    EXPECT_EQ(game, path);
    path.clear();
    games.GetGamePathByPkgId(99, path);
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(1, games.IsGameInstalledLocal(31));
    EXPECT_EQ(0, games.IsGameInstalledLocal(32));
    EXPECT_EQ(0, games.IsGameInstalledLocal(99));
    RemoveDirectoryW(game.c_str());
    EXPECT_EQ(1, games.IsGameInstalledLocal(31)) << "a café answer is kept for the process";

    // A library that fills the whole buffer and leaves out the zero gives no path, not a cut one.
    harness::WriteFileBytes(dir_ + L"TesselPkgPath.txt", "33\t" + harness::Narrow(dir_) + std::string(1100, 'x') + "\r\n");
    path.clear();
    games.GetGamePathByPkgId(33, path);
    EXPECT_TRUE(path.empty()) << path.size();
    EXPECT_EQ(0, games.IsGameInstalledLocal(33));
}

TEST_F(InstalledGamesTest, MissingCafeLibraryMeansNotInstalled) {
    CInstalledGames games(dir_, db_);
    EXPECT_EQ(0, games.IsGameInstalledLocal(31));
}

// --- The café client

TEST(CafeClientTest, TheRunningClientsPathIsReadFromItsImageNameNotItsModules) {
    EXPECT_EQ(L"", FindCafeClientProcessPath()) << "no client runs yet";
    std::wstring client = harness::MakeScratchDir(L"logic_cafe_client") + L"\\TesselView.exe";
    ASSERT_TRUE(CopyFileW((harness::TestDir() + L"\\cafe\\TesselView.exe").c_str(), client.c_str(), FALSE));
    auto gone = [] { return harness::WaitUntil([] { return FindCafeClientProcessPath().empty(); }, 10000); };
    {
        // Its module list cannot be read, as a 64-bit client's cannot from this 32-bit program.
        harness::ChildProcess suspended;
        ASSERT_TRUE(suspended.StartSuspended(client, L""));
        EXPECT_EQ(client, FindCafeClientProcessPath());
    }
    EXPECT_TRUE(gone()) << "empty once the client has ended";
    harness::ChildProcess running;
    ASSERT_TRUE(running.Start(client, L""));
    EXPECT_EQ(client, FindCafeClientProcessPath());
    running.Kill();
    EXPECT_TRUE(gone());
}

// --- Back-end request texts

TEST(BackendRequestTest, QueryValuesCannotAddFields) {
    EXPECT_EQ(L"abc-1.2_3~", EncodeQueryValue(L"abc-1.2_3~"));
    EXPECT_EQ(L"a%26b%3Dc%20d", EncodeQueryValue(L"a&b=c d"));
    EXPECT_EQ(L"user%40x", EncodeQueryValue(L"user@x"));
    EXPECT_EQ(L"%E5%BC%A0%E4%B8%89", EncodeQueryValue(L"张三"));
    EXPECT_EQ(L"type=updateplaygame&userAccount=a%26type%3D1&gameList=[{}]",
              GameOrderReportBody(L"a&type=1", L"{}"));
}

TEST(BackendRequestTest, OrderItemsUseTheListIdOrTheGameKey) {
    GameInfoItem listed;
    listed.id = 5;
    listed.pkgid = 50;
    listed.jt_game_id = 500;
    listed.listIndex = 2;
    GameInfoItem unlisted = listed;
    unlisted.id = 0;
    EXPECT_EQ(L"{\"id\":5,\"list_index\":2,\"idType\":1},{\"id\":500,\"list_index\":2,\"idType\":2}",
              FormatGameOrderItems({&listed, &unlisted}, true));
    EXPECT_EQ(L"{\"id\":50,\"list_index\":-1,\"idType\":0}", FormatGameOrderItem(unlisted, -1, false));
    // The longest item (three 11-character numbers) does not fit 64 characters.
    GameInfoItem longest;
    longest.id = -2147483647 - 1;
    longest.jt_game_id = -2147483647 - 1;
    longest.listIndex = -2147483647 - 1;
    EXPECT_EQ(L"{\"id\":-2147483648,\"list_index\":-2147483648,\"idType\":2}",
              FormatGameOrderItems({&longest}, true));
}

TEST(BackendRequestTest, LongOrderTextsAreLoggedByTheirLength) {
    std::vector<GameInfoItem> entries(40);
    std::vector<const GameInfoItem*> pointers;
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].id = static_cast<int>(1000 + i);
        entries[i].listIndex = static_cast<int>(i);
        pointers.push_back(&entries[i]);
    }
    std::wstring items = FormatGameOrderItems(pointers, true);
    ASSERT_GE(items.size(), kLongOrderText);
    EXPECT_EQ(L"text len > 1024", GameOrderItemsForLog(items));
    std::wstring shorter = items.substr(0, kLongOrderText - 1);
    EXPECT_EQ(shorter, GameOrderItemsForLog(shorter));
}

TEST(BackendRequestTest, ReportUrlsCarryTheirKeysInOrder) {
    EXPECT_EQ(L"http://r/s?ip=10.0.0.2&mac=00-11-22-33-44-55&ver=1.0.0.1&agent=&type=2",
              StartupReportUrl(L"http://r/s", L"10.0.0.2", L"00-11-22-33-44-55", L"1.0.0.1", 2));
    EXPECT_EQ(L"http://r/i?ip=10.0.0.2&mac=m&ver=1.0&guid=0123&bar=1&type=1",
              InstallReportUrl(L"http://r/i", L"10.0.0.2", L"m", L"1.0", L"0123", 1));
}

// --- Worker context

struct Counted {
    explicit Counted(std::atomic<int>* freed) : freed_(freed) {}
    ~Counted() { ++*freed_; }
    std::atomic<int>* freed_;
};

TEST(MainWndContextTest, PayloadsWithoutAWindowAreFreedAndWorkersAreWaitedFor) {
    auto context = std::make_shared<CMainWndContext>(harness::MakeScratchDir(L"logic_context") + L"\\");
    std::atomic<int> freed{0};
    EXPECT_FALSE(context->PostOwned(WM_APP, std::make_unique<Counted>(&freed)));
    EXPECT_EQ(1, freed.load()) << "a payload that could not be posted is freed by its sender";

    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    context->SetWindow(window);
    std::atomic<bool> release{false};
    ASSERT_TRUE(context->StartWorker("test", [&](CMainWndContext& c) {
        while (!release) Sleep(5);
        c.PostOwned(WM_APP, std::make_unique<Counted>(&freed));
    }));
    EXPECT_FALSE(context->WaitForWorkers(100)) << "the worker still runs";
    EXPECT_EQ(1, context->RunningWorkers());
    release = true;
    EXPECT_TRUE(context->WaitForWorkers(3000));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_APP, WM_APP, PM_REMOVE)) << "the result reached the window";
    EXPECT_EQ(nullptr, context->Payloads().Take<Counted>(WM_APP, L"WM_APP", msg.wParam + 1));
    EXPECT_NE(nullptr, context->Payloads().Take<Counted>(WM_APP, L"WM_APP", msg.wParam))
        << "the message carries its key";
    EXPECT_EQ(2, freed.load());
    ASSERT_TRUE(context->PostOwned(WM_APP, std::make_unique<Counted>(&freed)));
    context->SetWindow(nullptr);
    EXPECT_EQ(3, freed.load()) << "what waits for a window that is gone is freed";
    DestroyWindow(window);
}

}  // namespace

// --- The game-process watch

TEST(GameRunWatchTest, ReportsEveryFiveMinutesOfPlayAndTheRestOnceAtExit) {
    CGameRunWatch watch;
    CGameRunWatch::Step step = watch.Check(1000, false);
    EXPECT_FALSE(step.started || step.exited);
    EXPECT_EQ(-1, step.reportSeconds) << "nothing seen, nothing reported";
    step = watch.Check(61000, true);
    EXPECT_TRUE(step.started);
    EXPECT_EQ(-1, step.reportSeconds);
    EXPECT_EQ(-1, watch.Check(121000, true).reportSeconds);
    EXPECT_EQ(-1, watch.Check(360999, true).reportSeconds);
    step = watch.Check(361000, true);
    EXPECT_FALSE(step.started);
    EXPECT_EQ(300, step.reportSeconds) << "five minutes of play";
    EXPECT_EQ(-1, watch.Check(421000, true).reportSeconds);
    step = watch.Check(481500, false);
    EXPECT_TRUE(step.exited);
    EXPECT_EQ(120, step.reportSeconds) << "the time since the last report, whole seconds";
    step = watch.Check(541000, false);
    EXPECT_FALSE(step.exited);
    EXPECT_EQ(-1, step.reportSeconds) << "the exit is reported once";
    EXPECT_TRUE(watch.Check(601000, true).started) << "a new run of the game";
}
