// The rules of the main window's page calls, without a window: the table of
// page calls and their least argument counts, the signed openUrl address,
// the script texts the window runs in pages, and the hand-over of work from
// another thread to the window thread.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "MainMessageLoopWin.h"
#include "MainWnd.h"
#include "OpenUrlSigning.h"
#include "PageScripts.h"
#include "WebAddress.h"
#include "WindowTaskRelay.h"

namespace {

// --- The table of page calls

struct PageCallCase {
    const wchar_t* name;
    int minArgs;  // -1: no row
};

class PageCallTableTest : public ::testing::TestWithParam<PageCallCase> {};

TEST_P(PageCallTableTest, NameFindsItsRowWithTheLeastArgumentCount) {
    const PageCallCase& c = GetParam();
    const CMainWnd::JsCallRow* row = CMainWnd::FindJsCallRow(c.name);
    if (c.minArgs < 0) {
        EXPECT_EQ(nullptr, row) << "no row for this name";
        return;
    }
    ASSERT_NE(nullptr, row);
    EXPECT_STREQ(c.name, row->name);
    EXPECT_EQ(static_cast<size_t>(c.minArgs), row->minArgs);
    EXPECT_NE(nullptr, row->handler);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PageCallTableTest,
    ::testing::Values(PageCallCase{L"showLogin", 0}, PageCallCase{L"addMyGame", 0},
                      PageCallCase{L"userLoginByFree", 2}, PageCallCase{L"NavigateGameLobby", 0},
                      PageCallCase{L"openUrl", 3}, PageCallCase{L"startGame", 1},
                      PageCallCase{L"smallAccountstartGame", 2}, PageCallCase{L"loginByICafe", 3},
                      PageCallCase{L"loadGameDetail", 2}, PageCallCase{L"loadGameLaunch", 6},
                      PageCallCase{L"onUserLogout", 1}, PageCallCase{L"switchWebWindow", 1},
                      PageCallCase{L"isGameIntalled", 1}, PageCallCase{L"switchMyGameToGameLib", 0},
                      PageCallCase{L"getServerPingValue", 3}, PageCallCase{L"querySystemInfo", 0},
                      PageCallCase{L"downloadGame", 2}, PageCallCase{L"updateGame", 1},
                      // The login dialog's names and other spellings act nowhere in the main window.
                      PageCallCase{L"ShowLogin", -1}, PageCallCase{L"showlogin", -1},
                      PageCallCase{L"closeLogin", -1}, PageCallCase{L"userLogin", -1},
                      PageCallCase{L"closeModal", -1}, PageCallCase{L"", -1}));

// --- The signed address of openUrl

const wchar_t kGuid[] = L"0123456789abcdef0123456789abcdef";
const wchar_t kSign2023[] = L"AC1718009C6949BF2E15C9427100B6D2";  // MD5 of guid + "1700000000" + key
const wchar_t kSign2100[] = L"24E92C7BFFB7D9D9AABE8652686EC973";  // MD5 of guid + "4102444800" + key

TEST(OpenUrlSigningTest, SignatureIsTheUpperCaseDigestOfGuidTimeAndKey) {
    OpenUrlSignature s = SignOpenUrlValues(kGuid, 1700000000);
    EXPECT_EQ(kGuid, s.orvtc);
    EXPECT_EQ(L"1700000000", s.orvt);
    EXPECT_EQ(kSign2023, s.orvsign);
    // A time past 2038 keeps all its digits.
    OpenUrlSignature later = SignOpenUrlValues(kGuid, 4102444800LL);
    EXPECT_EQ(L"4102444800", later.orvt);
    EXPECT_EQ(kSign2100, later.orvsign);
}

TEST(OpenUrlSigningTest, TargetAfterToIsDecodedSignedAndEncodedAgainWithTheTailKept) {
    OpenUrlSignature s = SignOpenUrlValues(kGuid, 1700000000);
    const std::wstring signedQuery = std::wstring(L"orvtc%3D") + kGuid + L"%26orvt%3D1700000000%26orvsign%3D" + kSign2023;
    // Target without a query, version tail after it.
    EXPECT_EQ(L"https://acc.example/login?to=http%3A%2F%2Fgame.example%2Fplay%3F" + signedQuery + L"&orv_v=2",
              SignOpenUrl(L"https://acc.example/login?to=http%3A%2F%2Fgame.example%2Fplay&orv_v=2", s));
    // Target with a query: joined with "&".
    EXPECT_EQ(L"https://acc.example/login?to=http%3A%2F%2Fgame.example%2Fplay%3Fsrv%3D3%26" + signedQuery,
              SignOpenUrl(L"https://acc.example/login?to=http%3A%2F%2Fgame.example%2Fplay%3Fsrv%3D3", s));
    // "&orv_v=" before "to=" is part of the head, not a tail before the target.
    EXPECT_EQ(L"https://acc.example/login?a=1&orv_v=3&to=http%3A%2F%2Fg.example%2Fp%3F" + signedQuery,
              SignOpenUrl(L"https://acc.example/login?a=1&orv_v=3&to=http%3A%2F%2Fg.example%2Fp", s));
    // A '?' only as the target's first character does not count as a query.
    EXPECT_EQ(L"https://acc.example/go?to=%3Fx%3F" + signedQuery, SignOpenUrl(L"https://acc.example/go?to=%3Fx", s));
}

TEST(OpenUrlSigningTest, AddressWithoutToGetsTheSignatureItselfUnencoded) {
    OpenUrlSignature s = SignOpenUrlValues(kGuid, 1700000000);
    const std::wstring values = std::wstring(L"orvtc=") + kGuid + L"&orvt=1700000000&orvsign=" + kSign2023;
    EXPECT_EQ(L"https://game.example/play?" + values, SignOpenUrl(L"https://game.example/play", s));
    EXPECT_EQ(L"https://game.example/play?srv=1&a=%2F&" + values,
              SignOpenUrl(L"https://game.example/play?srv=1&a=%2F", s));
}

// --- Scripts run in pages

TEST(PageScriptsTest, TextsFromUsersCannotEndTheirLiteral) {
    EXPECT_EQ(L"a\\\"b\\\\c\\n\\u0001\\'\\u2028\\t", EscapeJsString(L"a\"b\\c\n\x01'\u2028\t"));
    EXPECT_EQ(L"\u706b\u5f71", EscapeJsString(L"\u706b\u5f71"));
    EXPECT_EQ(L"submitSearch(\"x\\\"y\\\\z\",2);", SubmitSearchScript(L"x\"y\\z", 2));
    EXPECT_EQ(L"submitSearch(\"\",0);", SubmitSearchScript(L"", 0));
}

TEST(PageScriptsTest, AnswerScriptsHaveTheirExactForm) {
    EXPECT_EQ(L"notifyGameID(7001,true,false,true,2,0);", NotifyGameIdScript(7001, true, false, true, 2, 0));
    EXPECT_EQ(L"gameIsLoad(1, 5);", GameIsLoadScript(true, 5));
    EXPECT_EQ(L"gameIsLoad(0, 5);", GameIsLoadScript(false, 5));
    EXPECT_EQ(L"updateServerPing(-1);", UpdateServerPingScript(-1));
    EXPECT_EQ(L"onQuerySystemInfo({\"a\":1});", QuerySystemInfoScript(L"{\"a\":1}"));
}

TEST(WebAddressTest, OnlyHttpAndHttpsReachTheShell) {
    EXPECT_TRUE(IsWebAddress(L"http://a.example/"));
    EXPECT_TRUE(IsWebAddress(L"HTTPS://a.example/x?y"));
    EXPECT_FALSE(IsWebAddress(L"file:///C:/windows/notepad.exe"));
    EXPECT_FALSE(IsWebAddress(L"C:\\windows\\notepad.exe"));
    EXPECT_FALSE(IsWebAddress(L"ftp://a.example/"));
    EXPECT_FALSE(IsWebAddress(L"httpx://a.example/"));
    EXPECT_FALSE(IsWebAddress(L""));
}

// --- Work handed to the window thread

// Ends the loop after a time, so a lost task cannot hang the test.
void CALLBACK QuitLoop(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(1); }

TEST(WindowTaskRelayTest, TasksRunOnTheLoopThreadInPostingOrderWhileTheirWindowLives) {
    CMainMessageLoopWin loop;
    auto relay = std::make_unique<CWindowTaskRelay>();
    auto gone = std::make_unique<CWindowTaskRelay>();
    const DWORD loopThread = GetCurrentThreadId();
    std::vector<int> order;
    bool wrongThread = false;
    bool goneRan = false;
    ASSERT_TRUE(gone->Post([&] { goneRan = true; }));
    gone.reset();  // its window went before the task could run
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i) {
            relay->Post([&, i] {
                wrongThread = wrongThread || GetCurrentThreadId() != loopThread;
                order.push_back(i);
            });
        }
        relay->Post([] { PostQuitMessage(0); });
    });
    UINT_PTR guard = SetTimer(nullptr, 0, 20000, &QuitLoop);
    int exitCode = loop.Run();
    KillTimer(nullptr, guard);
    poster.join();
    EXPECT_EQ(0, exitCode) << "the loop ended by its time guard";
    ASSERT_EQ(200u, order.size());
    for (int i = 0; i < 200; ++i) EXPECT_EQ(i, order[i]);
    EXPECT_FALSE(wrongThread);
    EXPECT_FALSE(goneRan) << "a task of a window that is gone must not run";
}

}  // namespace
