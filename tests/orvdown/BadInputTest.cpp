// What the download server sends is outside input: bad indexes, names
// that reach outside the game folder, cut answers, a missing package and
// no server at all end in a failure notice and a log line, never in a
// crash, a hang or a success. Sizes and counts it claims, and the names of
// a list of installed files, get no room before the bytes behind them.
#include "AllocationWatch.h"
#include "HttpClient.h"
#include "OrvDownTestSupport.h"
#include "PackageFolder.h"
#include "PkgIndex.h"

#include "Harness.h"

#include <gtest/gtest.h>

#include <thread>

using namespace orvtest;

namespace {

// More than parsing a small text needs, far less than the claims below.
constexpr size_t kSmallAllocation = 64 * 1024;

class OrvDownBadInputTest : public LibraryTest {
protected:
    // Runs a task that must fail; returns the log's line about it.
    void ExpectFailure(uint32_t pkgId, const std::wstring& game, const std::string& logPart) {
        SCOPED_TRACE("pkgId " + std::to_string(pkgId));
        CreateTask(pkgId, FolderArg(game).c_str());
        ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", pkgId, 30000)) << "task never ended";
        EXPECT_EQ(1, notify_.Count("OnTaskCreateFailed", pkgId));
        EXPECT_EQ(0, notify_.Count("OnTaskSuccess", pkgId));
        EXPECT_EQ(0, notify_.Count("OnCalcPkgDownInfo", pkgId));
        std::string log = Log();
        std::string line = "task pkgId=" + std::to_string(pkgId) + " failed: " + logPart;
        EXPECT_NE(std::string::npos, log.find(line)) << "no log line \"" << line << "\"";
    }
};

TEST_F(OrvDownBadInputTest, BadIndexesFailWithANoticeAndWriteNothingOutside) {
    std::wstring scratch = harness::MakeScratchDir(L"orvdown_bad");
    std::wstring game = scratch + L"\\game";
    const struct {
        uint32_t id;
        const char* why;
    } cases[] = {
        {201, "index refused: bad or absurd file size"},
        {202, "index refused: bad header"},
        {203, "index refused: file entry expected"},
        {204, "index refused: unsafe file name"},
        {205, "index refused: unsafe file name"},
        {206, "index refused: unsafe file name"},
        {207, "index refused: unsafe file name"},
        {208, "index refused: unsafe file name"},
        {209, "index refused: block hash expected"},
        {210, "index refused: block hash expected"},
        {211, "index refused: not a package index"},
        {212, "index refused: unsafe file name"},
        {213, "index refused: bad header"},
        {214, "index refused: block hash expected"},
        {215, "index refused: file listed twice"},
    };
    for (const auto& c : cases) ExpectFailure(c.id, game, c.why);
    EXPECT_FALSE(harness::FileExists(scratch + L"\\evil.txt"));
    EXPECT_FALSE(harness::FileExists(L"C:\\evil.txt"));
    EXPECT_FALSE(harness::FileExists(L"\\evil.txt"));
    EXPECT_TRUE(ListFiles(game).empty()) << "a refused index left files in the game folder";
}

TEST_F(OrvDownBadInputTest, MissingPackageAndCutIndexFail) {
    std::wstring game = harness::MakeScratchDir(L"orvdown_missing");
    ExpectFailure(299, game, "index not fetched: HTTP status 404");
    ASSERT_TRUE(SetFault(108, "missing"));
    ExpectFailure(108, game, "index not fetched: HTTP status 404");
    ASSERT_TRUE(SetFault(108, "truncindex", 1));
    notify_.Clear();
    ExpectFailure(108, game, "index not fetched: answer cut");
}

TEST_F(OrvDownBadInputTest, NoServerOrNoFolderFailsWithANotice) {
    // A port nobody listens on: ConnectSSS says so, and tasks fail.
    DownUninit();
    ASSERT_TRUE(DownInit(&notify_));
    EXPECT_FALSE(ConnectSSS("127.0.0.1", 1));
    ExpectFailure(101, harness::MakeScratchDir(L"orvdown_noserver"), "not connected");

    ASSERT_TRUE(ConnectSSS("127.0.0.1", static_cast<unsigned short>(ServerPort())));
    notify_.Clear();
    CreateTask(101, nullptr);
    ASSERT_TRUE(notify_.WaitFor("OnTaskDestory", 101, 10000));
    EXPECT_EQ(1, notify_.Count("OnTaskCreateFailed", 101));
    EXPECT_FALSE(DownInit(nullptr));
}

TEST(OrvDownNames, OnlyNamesInsideTheFolderAreSafe) {
    for (const wchar_t* good : {L"a.txt", L"dir\\sub\\file.bin", L"中文\\名字.txt", L"a..b", L".hidden", L"con1.txt"})
        EXPECT_TRUE(orvdown::IsSafeRelativeName(good)) << harness::Narrow(good);
    for (const wchar_t* bad : {L"", L"..", L"..\\x", L"a\\..\\..\\x", L"a\\.\\b", L"\\x", L"\\\\server\\share\\x",
                               L"C:x", L"C:\\x", L"a\\\\b", L"a\\", L"x.", L"x ", L"con", L"NUL.txt", L"com1",
                               L"a\\lpt9.log", L"a:stream", L"a*b", L"a?b", L"tab\tname"})
        EXPECT_FALSE(orvdown::IsSafeRelativeName(bad)) << harness::Narrow(bad);
}

TEST(OrvDownIndex, ParsesAGoodIndexAndRefusesAbsurdOnes) {
    std::string hash(40, 'a');
    std::string good = "ORVPKG 1\nversion 7\nblocksize 32768\nfiles 2\nfile 32769 dir/a.bin\n" + hash + "\n" + hash +
                       "\nfile 0 empty\nend\n";
    orvdown::PkgIndex index;
    std::wstring error;
    ASSERT_TRUE(orvdown::ParsePkgIndex(good, &index, &error)) << harness::Narrow(error);
    EXPECT_EQ(7u, index.version);
    ASSERT_EQ(2u, index.files.size());
    EXPECT_EQ(L"dir\\a.bin", index.files[0].relPath);
    EXPECT_EQ(2u, index.files[0].blocks.size());
    EXPECT_EQ(1u, orvdown::BlockBytes(32769, 1));
    EXPECT_EQ(2u, index.TotalBlocks());

    const std::string bad[] = {
        "ORVPKG 1\nversion 7\nblocksize 32768\nfiles 1\nfile 18446744073709551616 a\nend\n",  // 2^64
        "ORVPKG 1\nversion 4294967296\nblocksize 32768\nfiles 0\nend\n",
        "ORVPKG 1\nversion 1\nblocksize 32768\nfiles -1\nend\n",
        "ORVPKG 1\nversion 1\nblocksize 32768\nfiles 0\nend\ntrailing\n",
        "ORVPKG 1\nversion 1\nblocksize 32768\nfiles 1\nfile 1 a\nzz" + std::string(38, '0') + "\nend\n",
        "ORVPKG 1\nversion 1\nblocksize 32768\nfiles 1\nfile 1\n",
        "",
    };
    for (const std::string& text : bad) EXPECT_FALSE(orvdown::ParsePkgIndex(text, &index, &error)) << text;

    // Sizes and counts are claims: no room is made for what the text does not hold.
    const std::string head = "ORVPKG 1\nversion 1\nblocksize 32768\n";
    const struct {
        std::string text;
        const wchar_t* error;
    } refused[] = {
        {head + "files 1\nfile 1099511627776 big.bin\nend\n", L"block hash expected"},  // 2^40: 640 MiB of hashes
        {head + "files 1\nfile 549755813888 big.bin\n" + hash + "\nend\n", L"block hash expected"},
        // Two files, each with its hashes, that together pass the package limit.
        {head + "files 2\nfile 32768 a\n" + hash + "\nfile 1099511627776 b\nend\n", L"bad or absurd file size"},
        {head + "files 1\nfile 1 " + std::string(1 << 20, 'n') + "\n" + hash + "\nend\n", L"unsafe file name"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.text.substr(0, 80));
        AllocationWatch watch;
        bool parsed = orvdown::ParsePkgIndex(r.text, &index, &error);
        size_t largest = watch.Largest();
        EXPECT_FALSE(parsed);
        EXPECT_EQ(r.error, error);
        EXPECT_LT(largest, kSmallAllocation) << "room made for a claim";
    }
}

TEST(OrvDownInstalledList, KeepsNamesAndRefusesOnesOutsideTheFolder) {
    std::vector<std::wstring> names = {L"game.exe", L"中文\\名字.txt", L"data\\deep\\a.bin"}, read;
    std::wstring error;
    std::string text = orvdown::FormatInstalledList(names);
    ASSERT_TRUE(orvdown::ParseInstalledList(text, &read, &error)) << harness::Narrow(error);
    EXPECT_EQ(names, read);
    const std::string bad[] = {
        "ORVFILES 1\n..\\evil.txt\nend\n",
        "ORVFILES 1\nC:\\evil.txt\nend\n",
        "ORVFILES 1\ngame.exe\n",           // cut before its end
        "ORVFILES 1\ngame.exe\nend\nmore\n",
        "ORVFILES 2\ngame.exe\nend\n",
        "",
    };
    for (const std::string& t : bad) EXPECT_FALSE(orvdown::ParseInstalledList(t, &read, &error)) << t;

    // A line far longer than any name is refused before anything is made of it.
    std::string longLine = "ORVFILES 1\n" + std::string(1 << 20, 'n') + "\nend\n";
    AllocationWatch watch;
    EXPECT_FALSE(orvdown::ParseInstalledList(longLine, &read, &error));
    EXPECT_LT(watch.Largest(), kSmallAllocation);
}

TEST(OrvDownInstalledList, RemovingDeepNamesKeepsNoListOfTheirFolders) {
    std::wstring game = harness::MakeScratchDir(L"orvdown_deep");
    for (const wchar_t* dir : {L"\\a", L"\\a\\b", L"\\e"}) ASSERT_TRUE(CreateDirectoryW((game + dir).c_str(), nullptr));
    // When "a\d.txt" goes, "a" still holds "a\b": "a" goes after "a\b", on the next name's way up.
    std::vector<std::wstring> names = {L"a\\d.txt", L"a\\b\\c.txt", L"e\\f.txt"};
    for (const auto& name : names) ASSERT_TRUE(harness::WriteFileBytes(game + L"\\" + name, "x"));
    std::wstring deep;
    for (int i = 0; i < 500; ++i) deep += L"d\\";
    names.insert(names.end(), 200, deep + L"x.txt");  // as a list file may hold them: 500 folders deep
    AllocationWatch watch;
    orvdown::RemoveInstalledFiles(game + L"\\", 7, names);
    size_t growth = watch.PeakGrowth();
    EXPECT_FALSE(harness::FileExists(game)) << ::testing::PrintToString(ListFiles(game));
    EXPECT_LT(growth, kSmallAllocation) << "memory grew with the depth of the names";
}

TEST(OrvDownHttp, AClaimedContentLengthGetsNoRoomBeforeItsBytes) {
    orvdown::WinsockScope winsock;
    ASSERT_TRUE(winsock.Ok());
    unsigned short port = 0;
    orvdown::UniqueSocket listener = ListenOnLoopback(&port);
    ASSERT_TRUE(listener);
    orvdown::ServerAddress server;
    std::wstring error;
    ASSERT_TRUE(orvdown::ResolveServer(L"127.0.0.1", port, &server, &error)) << harness::Narrow(error);

    // One answer that claims 60 MB, sends a line and ends.
    std::thread answer([&] {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener.get(), &ready);
        timeval limit = {20, 0};
        if (select(0, &ready, nullptr, nullptr, &limit) != 1) return;
        orvdown::UniqueSocket client{accept(listener.get(), nullptr, nullptr)};
        std::string request;
        char chunk[1024];
        int n = 0;
        while (request.find("\r\n\r\n") == std::string::npos && (n = recv(client.get(), chunk, sizeof(chunk), 0)) > 0)
            request.append(chunk, static_cast<size_t>(n));
        const char head[] = "HTTP/1.1 200 OK\r\nContent-Length: 60000000\r\n\r\nORVPKG 1\n";
        send(client.get(), head, sizeof(head) - 1, 0);
    });
    std::string body;
    AllocationWatch watch;
    bool got = orvdown::HttpGetAll(server, "/pkg/1/index", orvdown::kMaxIndexBytes, nullptr, &body, &error);
    size_t largest = watch.Largest();
    answer.join();
    EXPECT_FALSE(got);
    EXPECT_EQ(L"answer cut after 9 of 60000000 bytes", error);
    EXPECT_LT(largest, 1u << 20) << "room made for the claimed length";
}

}  // namespace
