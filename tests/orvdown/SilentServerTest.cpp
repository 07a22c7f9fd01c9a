// A download server that takes requests and never answers holds none of
// the calls the launcher makes on its window thread (PauseTask, StopTask,
// DownUninit, and no other call while DeletePkg waits for the server), and
// a task it starves ends in a failure notice.
#include "OrvDownTestSupport.h"

#include "Handles.h"
#include "Harness.h"

#include <gtest/gtest.h>

#include <thread>

using namespace orvtest;

namespace {

constexpr double kCallBoundSeconds = 2.0;
// Six seconds of silence give up a request, four tries without progress a
// task: the failure comes well within this.
constexpr DWORD kFailureTimeoutMs = 60000;

class OrvDownSilentServerTest : public LibraryTest {
protected:
    void TearDown() override {
        for (uint32_t id : {130u, 131u, 132u}) Control("/control/clear?id=" + std::to_string(id));
        LibraryTest::TearDown();
    }

    // Starts a task and waits until its requests for blocks are out.
    void StartStarvedDownload(uint32_t pkgId, const std::wstring& folder) {
        notify_.Clear();
        CreateTask(pkgId, FolderArg(folder).c_str());
        ASSERT_TRUE(notify_.WaitFor("OnCalcPkgDownInfo", pkgId, 20000)) << Log();
        Sleep(300);
    }
};

TEST_F(OrvDownSilentServerTest, SilentAnswersToBlocksHoldNoCallAndEndInAFailure) {
    std::wstring game = Game(L"silent");
    ASSERT_TRUE(SetFault(130, "silent", -1));

    StartStarvedDownload(130, game);
    EXPECT_LT(SecondsOf([] { PauseTask(130); }), kCallBoundSeconds);
    EXPECT_EQ(1, notify_.Count("OnTaskDestory", 130)) << "the task's notices went on after PauseTask";

    StartStarvedDownload(130, game);
    EXPECT_LT(SecondsOf([] { StopTask(130); }), kCallBoundSeconds);
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 130));

    StartStarvedDownload(130, game);
    EXPECT_LT(SecondsOf([] { DownUninit(); }), kCallBoundSeconds);
    for (const auto& n : notify_.Of(130)) EXPECT_FALSE(ThreadAlive(n.thread)) << n.name << "'s thread still runs";

    ASSERT_TRUE(DownInit(&notify_));
    ASSERT_TRUE(ConnectSSS("127.0.0.1", static_cast<unsigned short>(ServerPort())));
    StartStarvedDownload(130, game);
    ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", 130, kFailureTimeoutMs)) << "no end while the server is silent";
    EXPECT_EQ(1, notify_.Count("OnTaskCreateFailed", 130));
    EXPECT_EQ(0, notify_.Count("OnTaskSuccess", 130));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("task pkgId=130 failed")) << log;
    EXPECT_NE(std::string::npos, log.find("server silent for 6 s")) << log;
}

TEST_F(OrvDownSilentServerTest, ASilentIndexHoldsNoCallAndEndsInAFailure) {
    std::wstring game = Game(L"silent_index");
    ASSERT_TRUE(SetFault(131, "silentindex", -1));
    CreateTask(131, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnTaskInit", 131, 10000));
    Sleep(300);
    EXPECT_LT(SecondsOf([] { StopTask(131); }), kCallBoundSeconds);
    EXPECT_EQ(1, notify_.Count("OnTaskCancel", 131));

    notify_.Clear();
    CreateTask(131, FolderArg(game).c_str());
    ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", 131, kFailureTimeoutMs));
    EXPECT_EQ(1, notify_.Count("OnTaskCreateFailed", 131));
    EXPECT_NE(std::string::npos, Log().find("task pkgId=131 failed: index not fetched: waiting for the answer: server "
                                            "silent for 6 s"))
        << Log();
}

TEST_F(OrvDownSilentServerTest, DeletePkgWaitingForTheServerHoldsNoOtherCall) {
    // A folder without the library's lists: DeletePkg asks the server for the index.
    std::wstring game = Game(L"silent_delete");
    ASSERT_TRUE(harness::WriteFileBytes(game + L"\\readme.txt", "a file the server's index names"));
    ASSERT_TRUE(SetFault(132, "silentindex", -1));
    double deleteSeconds = 0;
    std::thread deleter([&] { deleteSeconds = SecondsOf([&] { DeletePkg(132, FolderArg(game).c_str()); }); });
    ASSERT_TRUE(harness::WaitUntil([] { return Stat(132, "index_requests") > 0; }, 10000));
    EXPECT_LT(SecondsOf([] { PauseTask(132); }), kCallBoundSeconds);
    EXPECT_LT(SecondsOf([] { StopTask(133); }), kCallBoundSeconds);
    EXPECT_LT(SecondsOf([] { SetTotalSpeedLimit(0); }), kCallBoundSeconds);
    deleter.join();
    EXPECT_LT(deleteSeconds, 20.0) << "DeletePkg waited on a silent server without bound";
    EXPECT_TRUE(harness::FileExists(game + L"\\readme.txt"));
    EXPECT_NE(std::string::npos, Log().find("DeletePkg pkgId=132: the package's file list is unknown")) << Log();
}

TEST_F(OrvDownSilentServerTest, ConnectSSSToAServerThatNeverAnswersFailsInBoundedTime) {
    // A socket that listens and never accepts: connections land in its backlog.
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    {
        unsigned short port = 0;
        orvdown::UniqueSocket listener = ListenOnLoopback(&port);
        ASSERT_TRUE(listener);
        DownUninit();
        ASSERT_TRUE(DownInit(&notify_));
        bool connected = true;
        double seconds = SecondsOf([&] { connected = ConnectSSS("127.0.0.1", port); });
        EXPECT_FALSE(connected);
        EXPECT_LT(seconds, 15.0);
        EXPECT_NE(std::string::npos, Log().find("does not answer")) << Log();
    }
    WSACleanup();
}

}  // namespace
