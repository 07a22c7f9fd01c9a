// OrvDown.dll against the local download server: downloads, pause and
// resume, stop, repair, delete, the speed limit, server faults, several
// tasks at once and DownUninit while tasks run.
#include "OrvDownTestSupport.h"

#include "Handles.h"
#include "Harness.h"

#include <gtest/gtest.h>

using namespace orvtest;

namespace {

constexpr DWORD kTaskTimeoutMs = 60000;
constexpr uint32_t kSmallBlocks = 4 + 0 + 1 + 7 + 1;  // readme, empty, exact, more, 名字 (xsd.txt refused)
constexpr uint32_t kMediumBlocks = 384 + 256 + 129;

class OrvDownTest : public LibraryTest {
protected:
    // Downloads a package into folder and expects success within the time.
    // Forgets the notices so far.
    void DownloadAll(uint32_t pkgId, const std::wstring& folder) {
        notify_.Clear();
        CreateTask(pkgId, FolderArg(folder).c_str());
        ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", pkgId, kTaskTimeoutMs)) << "task " << pkgId << " never ended";
        ASSERT_EQ(1, notify_.Count("OnTaskSuccess", pkgId)) << Log();
    }

    // Waits until a progress dump shows at most needAtMost blocks left.
    bool WaitForProgress(uint32_t pkgId, uint32_t needAtMost, DWORD timeoutMs) {
        return harness::WaitUntil(
            [&] {
                Notice d = notify_.Last("OnDumpPkgDownInfo", pkgId);
                return d.pkgId == pkgId && d.progress.needBlocks <= needAtMost;
            },
            timeoutMs);
    }
};

TEST_F(OrvDownTest, FullDownloadIsByteIdenticalWithNoticesInOrderOnLibraryThreads) {
    std::wstring game = Game(L"full");
    DownloadAll(101, game);
    EXPECT_EQ("", CompareTrees(SourceDir("small"), game));

    std::vector<std::string> expected = {"OnTaskInit",           "OnIdxOfIdxDownFinish", "OnIdxDownFinish",
                                         "OnBeginQueryBlock",    "OnCalcPkgDownIdxInfo", "OnCalcPkgDownInfo",
                                         "OnPkgDownFinish",      "OnTaskSuccess",        "OnTaskDestory"};
    EXPECT_EQ(expected, notify_.NamesOf(101));
    Notice calc = notify_.Last("OnCalcPkgDownInfo", 101);
    EXPECT_EQ(kSmallBlocks, calc.a);
    EXPECT_EQ(100000u + 32768 + 200000 + 1000, calc.bytes);
    EXPECT_EQ(5u, calc.task.pkgVer);
    EXPECT_EQ((100000u + 32768 + 200000 + 1000 + 1023) / 1024, calc.task.totalKB);
    Notice last = notify_.Last("OnDumpPkgDownInfo", 101);
    EXPECT_EQ(0u, last.progress.needBlocks) << "a last dump shows the task complete";
    for (const auto& n : notify_.Of(101)) {
        EXPECT_NE(testThread_, n.thread) << n.name << " came on the caller's thread";
        EXPECT_EQ(101u, n.task.pkgId);
    }
    EXPECT_EQ(6u, notify_.FilterAsked().size());
    EXPECT_EQ(harness::ReadFileBytes(game + L"\\OrvDown_101.idx").size(), notify_.Last("OnPkgDownFinish", 101).bytes)
        << "OnPkgDownFinish gives the size of the index";

    // A second task over the complete folder fetches nothing and succeeds.
    notify_.Clear();
    ResetStats(101);
    DownloadAll(101, game);
    EXPECT_EQ(0u, notify_.Last("OnCalcPkgDownInfo", 101).a);
    EXPECT_EQ(0, Stat(101, "data_bytes"));
}

TEST_F(OrvDownTest, PauseAndResumeFetchOnlyWhatWasMissing) {
    std::wstring game = Game(L"pause");
    SetTotalSpeedLimit(6 << 20);
    CreateTask(102, FolderArg(game).c_str());
    ASSERT_TRUE(WaitForProgress(102, kMediumBlocks * 6 / 10, 20000)) << Log();
    PauseTask(102);
    // Paused: the task's notices end before PauseTask returns, without success or cancel.
    size_t noticesAtPause = notify_.Of(102).size();
    EXPECT_EQ(1, notify_.Count("OnTaskDestory", 102));
    Sleep(700);
    EXPECT_EQ(noticesAtPause, notify_.Of(102).size());
    EXPECT_EQ(0, notify_.Count("OnTaskSuccess", 102));
    EXPECT_EQ(0, notify_.Count("OnTaskCancel", 102));

    uint64_t missing = WrongBlockBytes(SourceDir("medium"), game);
    ASSERT_GT(missing, 0u);
    ASSERT_LT(missing, 24u << 20);
    notify_.Clear();
    ResetStats(102);
    SetTotalSpeedLimit(0);
    DownloadAll(102, game);
    Notice calc = notify_.Last("OnCalcPkgDownInfo", 102);
    EXPECT_EQ(missing, calc.bytes) << "the resumed task counts only the missing blocks";
    EXPECT_EQ(static_cast<long long>(missing), Stat(102, "data_bytes")) << "the server sent more than was missing";
    EXPECT_EQ("", CompareTrees(SourceDir("medium"), game));
}

TEST_F(OrvDownTest, StopGivesCancelNoticeAndLeavesNoThread) {
    std::wstring game = Game(L"stop");
    int threadsBefore = ThreadCountOfProcess();
    SetTotalSpeedLimit(2 << 20);
    CreateTask(110, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnDumpPkgDownInfo", 110, 20000)) << Log();
    StopTask(110);
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 110));
    EXPECT_EQ(0, notify_.Count("OnTaskSuccess", 110));
    std::vector<std::string> names = notify_.NamesOf(110);
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ("OnTaskCancel", names[names.size() - 2]);
    EXPECT_EQ("OnTaskDestory", names.back());
    for (const auto& n : notify_.Of(110)) EXPECT_FALSE(ThreadAlive(n.thread)) << n.name << "'s thread still runs";
    EXPECT_TRUE(harness::WaitUntil([&] { return ThreadCountOfProcess() <= threadsBefore; }, 8000))
        << ThreadCountOfProcess() << " threads, " << threadsBefore << " before the task";
    size_t after = notify_.Total();
    Sleep(700);
    EXPECT_EQ(after, notify_.Total()) << "a notice came after StopTask returned";
    StopTask(110);  // no task any more: nothing happens
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 110));

    // A server that trickles its answers does not hold StopTask up.
    ASSERT_TRUE(SetFault(110, "slow", -1, "&rate=20000"));
    SetTotalSpeedLimit(0);
    notify_.Clear();
    CreateTask(110, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnDumpPkgDownInfo", 110, 20000));
    auto start = std::chrono::steady_clock::now();
    StopTask(110);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 110));
    Control("/control/clear?id=110");
}

TEST_F(OrvDownTest, RepairRestoresDamagedFilesFetchingOnlyBadBlocks) {
    std::wstring game = Game(L"repair");
    DownloadAll(112, game);
    std::string readme = harness::ReadFileBytes(game + L"\\readme.txt");
    readme[40000] ^= 0x55;  // block 1
    ASSERT_TRUE(harness::WriteFileBytes(game + L"\\readme.txt", readme + "tail"));
    ASSERT_TRUE(DeleteFileW((game + L"\\data\\exact.bin").c_str()));
    notify_.Clear();
    ResetStats(112);
    RepairTask(112, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", 112, kTaskTimeoutMs));
    ASSERT_EQ(1, notify_.Count("OnTaskSuccess", 112)) << Log();
    EXPECT_EQ(2u, notify_.Last("OnCalcPkgDownInfo", 112).a);
    EXPECT_EQ(2 * 32768, Stat(112, "data_bytes"));
    EXPECT_EQ("", CompareTrees(SourceDir("small"), game));
}

TEST_F(OrvDownTest, DeletePkgRemovesThePackageButNotOtherFiles) {
    std::wstring game = Game(L"delete");
    DownloadAll(111, game);
    ASSERT_TRUE(harness::WriteFileBytes(game + L"\\data\\save.dat", "mine"));
    DeletePkg(111, FolderArg(game).c_str());
    EXPECT_EQ(std::vector<std::wstring>{L"data\\save.dat"}, ListFiles(game));

    // Without the library's own file list in the folder, the server's index says what to delete.
    std::wstring second = Game(L"delete2");
    DownloadAll(111, second);
    ASSERT_TRUE(DeleteFileW((second + L"\\OrvDown_111.idx").c_str()));
    DeletePkg(111, FolderArg(second).c_str());
    EXPECT_FALSE(harness::FileExists(second)) << "the emptied game folder stays";

    // A file list in the folder that points outside it is not followed.
    std::wstring third = Game(L"delete3");
    std::wstring victim = third + L"_victim.txt";
    ASSERT_TRUE(harness::WriteFileBytes(victim, "keep"));
    DownloadAll(111, third);
    std::string hash(40, '0');
    ASSERT_TRUE(harness::WriteFileBytes(third + L"\\OrvDown_111.idx",
                                        "ORVPKG 1\nversion 1\nblocksize 32768\nfiles 1\nfile 4 ..\\orvdown_delete3_victim.txt\n" +
                                            hash + "\nend\n"));
    DeletePkg(111, FolderArg(third).c_str());
    EXPECT_TRUE(harness::FileExists(victim));
    EXPECT_FALSE(harness::FileExists(third + L"\\readme.txt")) << "the server's list was not used instead";
    DeleteFileW(victim.c_str());
}

// Package 120 of the server is the live one: these copy package 122
// (version 1) or 121 (version 2) over it.
void Publish120(uint32_t from) {
    std::wstring root = StateDir() + L"\\root\\";
    for (const wchar_t* name : {L"index", L"source"})
        ASSERT_TRUE(harness::WriteFileBytes(root + L"120\\" + name,
                                            harness::ReadFileBytes(root + std::to_wstring(from) + L"\\" + name)));
}

TEST_F(OrvDownTest, DeletePkgRemovesWhatEveryVersionInstalledAndNothingElse) {
    std::wstring game = Game(L"update");
    Publish120(122);
    DownloadAll(120, game);
    ASSERT_TRUE(harness::WriteFileBytes(game + L"\\data\\save.dat", "mine"));
    Publish120(121);
    DownloadAll(120, game);
    EXPECT_EQ(2u, notify_.Last("OnTaskSuccess", 120).task.pkgVer);
    EXPECT_EQ("", CompareTrees(SourceDir("upd2"), game));
    ASSERT_TRUE(harness::FileExists(game + L"\\old.dll")) << "the update left the file it dropped";
    ASSERT_TRUE(harness::WriteFileBytes(game + L"\\OrvDown_120.idx.new", "a write cut short"));
    DeletePkg(120, FolderArg(game).c_str());
    EXPECT_EQ(std::vector<std::wstring>{L"data\\save.dat"}, ListFiles(game));
    EXPECT_FALSE(harness::FileExists(game + L"\\data\\gone")) << "the dropped file's folder stays";

    // A folder that an earlier library installed kept no list of files:
    // the copy of the index it left counts as one.
    std::wstring older = Game(L"update_older");
    Publish120(122);
    DownloadAll(120, older);
    ASSERT_TRUE(DeleteFileW((older + L"\\OrvDown_120.files").c_str()));
    Publish120(121);
    DownloadAll(120, older);
    DeletePkg(120, FolderArg(older).c_str());
    EXPECT_FALSE(harness::FileExists(older)) << ::testing::PrintToString(ListFiles(older));
    Publish120(122);

    // A file of the index that the filter refused was not installed: it stays.
    std::wstring filtered = Game(L"delete_filtered");
    ASSERT_TRUE(CreateDirectoryW((filtered + L"\\config").c_str(), nullptr));
    ASSERT_TRUE(harness::WriteFileBytes(filtered + L"\\config\\xsd.txt.bak", "mine"));
    DownloadAll(111, filtered);
    DeletePkg(111, FolderArg(filtered).c_str());
    EXPECT_EQ(std::vector<std::wstring>{L"config\\xsd.txt.bak"}, ListFiles(filtered));
}

TEST_F(OrvDownTest, StopOfAPausedTaskGivesTheCancelNotice) {
    std::wstring game = Game(L"stop_paused");
    SetTotalSpeedLimit(2 << 20);
    CreateTask(133, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnDumpPkgDownInfo", 133, 20000)) << Log();
    PauseTask(133);
    PauseTask(133);  // already paused: nothing
    ASSERT_EQ(1, notify_.Count("OnTaskDestory", 133));
    EXPECT_EQ(0, notify_.Count("OnTaskCancel", 133));
    StopTask(133);
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 133)) << "no cancel notice before StopTask returned";
    Notice cancel = notify_.Last("OnTaskCancel", 133);
    EXPECT_NE(testThread_, cancel.thread) << "the notice came on the caller's thread";
    EXPECT_EQ(1u, cancel.task.pkgVer);
    StopTask(133);  // stopped already: nothing
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 133));

    // Deleted while paused: the package goes without a cancel notice, and
    // no later stop sends one.
    notify_.Clear();
    CreateTask(133, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnDumpPkgDownInfo", 133, 20000));
    PauseTask(133);
    DeletePkg(133, FolderArg(game).c_str());
    StopTask(133);
    EXPECT_EQ(0, notify_.Count("OnTaskCancel", 133));
    EXPECT_FALSE(harness::FileExists(game));

    // Resumed, it is a running task again.
    notify_.Clear();
    CreateTask(133, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnDumpPkgDownInfo", 133, 20000));
    PauseTask(133);
    CreateTask(133, FolderArg(game).c_str());
    ASSERT_TRUE(harness::WaitUntil([&] { return notify_.Count("OnTaskInit", 133) == 2; }, 10000));
    StopTask(133);
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 133));
    EXPECT_EQ(2, notify_.Count("OnTaskDestory", 133));
}

// Packages 140-143 have an index of about 16 MB whose only file, of 12 GiB,
// the filter refuses: a task of one fetches no data, but holds the index.
TEST_F(OrvDownTest, RunningTasksKeepTheIndexButNotItsText) {
    const uint32_t ids[] = {140, 141, 142, 143};
    const uint64_t indexBytes = harness::ReadFileBytes(StateDir() + L"\\root\\140\\index").size();
    const uint64_t hashBytes = (12ull << 30) / 32768 * 20;  // the parsed index: one 20-byte hash a block
    ASSERT_GT(indexBytes, 2 * hashBytes);
    notify_.HoldAt("OnCalcPkgDownInfo");  // after the index was fetched, parsed and stored
    uint64_t before = PrivateBytes();
    for (uint32_t id : ids) CreateTask(id, FolderArg(Game(L"bigindex_" + std::to_wstring(id))).c_str());
    for (uint32_t id : ids) ASSERT_TRUE(notify_.WaitFor("OnCalcPkgDownInfo", id, kTaskTimeoutMs)) << id << Log();
    uint64_t perTask = (PrivateBytes() - before) / std::size(ids);
    notify_.Release();
    for (uint32_t id : ids) {
        ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", id, kTaskTimeoutMs)) << id;
        EXPECT_EQ(1, notify_.Count("OnTaskSuccess", id)) << id << Log();
        EXPECT_EQ(indexBytes, notify_.Last("OnPkgDownFinish", id).bytes) << "OnPkgDownFinish gives the index size";
    }
    EXPECT_GT(perTask, hashBytes / 2) << "the measure does not see the parsed index";
    EXPECT_LT(perTask, hashBytes + indexBytes / 2) << "a running task holds " << perTask << " bytes for an index of "
                                                    << indexBytes << " bytes (" << hashBytes << " parsed)";
}

TEST_F(OrvDownTest, TheLogOfATestHoldsOnlyItsOwnLines) {
    // What an earlier run of this program and another program would have left.
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds);
    std::string pid = std::to_string(GetCurrentProcessId()), other = std::to_string(GetCurrentProcessId() + 1);
    std::string foreign = "2001-01-01 00:00:00.000|" + pid + "|1|Warning|task pkgId=104: answer of /pkg/104/file/0 cut\r\n" +
                          stamp + "|" + other + "|1|Warning|task pkgId=104: answer of /pkg/104/file/1 cut\r\n";
    orvdown::UniqueFile log{CreateFileW((harness::ProgramDir() + L"\\Log\\OrvDown.log").c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD written = 0;
    ASSERT_TRUE(log && WriteFile(log.get(), foreign.data(), static_cast<DWORD>(foreign.size()), &written, nullptr));
    SetTotalSpeedLimit(4321);
    std::string text = Log();
    EXPECT_NE(std::string::npos, text.find("SetTotalSpeedLimit 4321 B/s"));
    EXPECT_EQ(std::string::npos, text.find("answer of /pkg/104")) << text;
}

TEST_F(OrvDownTest, TotalSpeedLimitHoldsAcrossTasksAndFollowsChanges) {
    std::wstring a = Game(L"limit_a"), b = Game(L"limit_b");
    const double limits[] = {1.5 * (1 << 20), 3.0 * (1 << 20)};
    SetTotalSpeedLimit(static_cast<uint32_t>(limits[0]));
    CreateTask(113, FolderArg(a).c_str());
    CreateTask(103, FolderArg(b).c_str());
    for (double limit : limits) {
        SetTotalSpeedLimit(static_cast<uint32_t>(limit));
        Sleep(1200);  // let the new limit settle
        auto received = [&](uint32_t id) {
            Notice d = notify_.Last("OnDumpPkgDownInfo", id);
            return std::make_pair(d.when, (static_cast<uint64_t>(d.progress.receivedHigh) << 32) | d.progress.receivedLow);
        };
        auto a0 = received(113), b0 = received(103);
        Sleep(5000);
        auto a1 = received(113), b1 = received(103);
        double rate = 0;
        for (auto p : {std::make_pair(a0, a1), std::make_pair(b0, b1)}) {
            double seconds = std::chrono::duration<double>(p.second.first - p.first.first).count();
            ASSERT_GT(seconds, 4.0);
            rate += (p.second.second - p.first.second) / seconds;
        }
        EXPECT_NEAR(limit, rate, limit * 0.10) << "total speed over 5 s";
        double reported = notify_.Last("OnDumpPkgDownInfo", 113).progress.bytesPerSecond +
                          notify_.Last("OnDumpPkgDownInfo", 103).progress.bytesPerSecond;
        EXPECT_NEAR(limit, reported, limit * 0.20) << "speed words of the progress records";
    }
    EXPECT_EQ(0, notify_.Count("OnTaskSuccess", 113) + notify_.Count("OnTaskSuccess", 103)) << "package too small";
    StopTask(113);
    StopTask(103);
}

TEST_F(OrvDownTest, ServerCutAndWrongBytesAreRetriedToACorrectEnd) {
    std::wstring cut = Game(L"cut"), wrong = Game(L"wrong"), slow = Game(L"slow");
    ResetStats(104);
    ResetStats(105);
    ASSERT_TRUE(SetFault(104, "cut", 2));      // cut after 1.5 blocks, twice
    ASSERT_TRUE(SetFault(105, "corrupt", 2));  // one byte of the second block flipped, twice
    ASSERT_TRUE(SetFault(115, "slow", -1, "&rate=200000"));
    CreateTask(104, FolderArg(cut).c_str());
    CreateTask(105, FolderArg(wrong).c_str());
    CreateTask(115, FolderArg(slow).c_str());
    for (uint32_t id : {104u, 105u, 115u}) {
        ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", id, kTaskTimeoutMs)) << id;
        EXPECT_EQ(1, notify_.Count("OnTaskSuccess", id)) << id << Log();
    }
    Control("/control/clear?id=115");
    EXPECT_EQ("", CompareTrees(SourceDir("small"), cut));
    EXPECT_EQ("", CompareTrees(SourceDir("small"), wrong));
    EXPECT_EQ("", CompareTrees(SourceDir("small"), slow));
    EXPECT_EQ(2, Stat(104, "faults")) << "every cut hits an answer longer than the cut point";
    EXPECT_EQ(2, Stat(105, "faults"));
    EXPECT_GT(notify_.Last("OnDumpPkgDownInfo", 104).progress.retriedBlocks, 0u);
    EXPECT_GT(notify_.Last("OnDumpPkgDownInfo", 105).progress.retriedBlocks, 0u);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("task pkgId=104: answer of /pkg/104/file/"));
    EXPECT_NE(std::string::npos, log.find("task pkgId=105: block 1 of "));
}

TEST_F(OrvDownTest, LastingServerFaultsFailWithANoticeNeverSuccess) {
    std::wstring cut = Game(L"cut_always"), wrong = Game(L"wrong_always");
    ASSERT_TRUE(SetFault(106, "cut", -1, "&at=10000"));
    ASSERT_TRUE(SetFault(107, "corrupt", -1, "&at=100"));
    CreateTask(106, FolderArg(cut).c_str());
    CreateTask(107, FolderArg(wrong).c_str());
    for (uint32_t id : {106u, 107u}) {
        ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", id, kTaskTimeoutMs)) << id;
        EXPECT_EQ(1, notify_.Count("OnTaskCreateFailed", id)) << id;
        EXPECT_EQ(0, notify_.Count("OnTaskSuccess", id)) << id;
        EXPECT_NE(std::string::npos, Log().find("task pkgId=" + std::to_string(id) + " failed"));
    }
    Control("/control/clear?id=106");
    Control("/control/clear?id=107");
}

TEST_F(OrvDownTest, TwoTasksAtOnceBothComplete) {
    std::wstring a = Game(L"two_a"), b = Game(L"two_b");
    CreateTask(103, FolderArg(a).c_str());
    CreateTask(114, FolderArg(b).c_str());
    CreateTask(114, FolderArg(b).c_str());  // already running: ignored
    ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", 103, kTaskTimeoutMs));
    ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", 114, kTaskTimeoutMs));
    EXPECT_EQ(1, notify_.Count("OnTaskSuccess", 103));
    EXPECT_EQ(1, notify_.Count("OnTaskSuccess", 114));
    EXPECT_EQ(1, notify_.Count("OnTaskInit", 114));
    EXPECT_NE(notify_.Last("OnTaskInit", 103).thread, notify_.Last("OnTaskInit", 114).thread);
    EXPECT_EQ("", CompareTrees(SourceDir("medium"), a));
    EXPECT_EQ("", CompareTrees(SourceDir("small"), b));
}

TEST_F(OrvDownTest, DownUninitDuringDownloadsEndsEveryThreadAndNotice) {
    std::wstring a = Game(L"uninit_a"), b = Game(L"uninit_b");
    int threadsBefore = ThreadCountOfProcess();
    SetTotalSpeedLimit(2 << 20);
    CreateTask(109, FolderArg(a).c_str());
    CreateTask(116, FolderArg(b).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnDumpPkgDownInfo", 109, 20000));
    DownUninit();
    size_t after = notify_.Total();
    EXPECT_EQ(0, notify_.Count("OnTaskSuccess", 109));
    for (uint32_t id : {109u, 116u})
        for (const auto& n : notify_.Of(id)) EXPECT_FALSE(ThreadAlive(n.thread)) << n.name;
    EXPECT_TRUE(harness::WaitUntil([&] { return ThreadCountOfProcess() <= threadsBefore; }, 8000));
    Sleep(700);
    EXPECT_EQ(after, notify_.Total()) << "a notice came after DownUninit returned";

    // The library comes up again afterwards.
    ASSERT_TRUE(DownInit(&notify_));
    ASSERT_TRUE(ConnectSSS("127.0.0.1", static_cast<unsigned short>(ServerPort())));
    SetTotalSpeedLimit(0);
    notify_.Clear();
    DownloadAll(116, b);
    EXPECT_EQ("", CompareTrees(SourceDir("small"), b));
}

}  // namespace
