// The player's pure rules: what a hand-over text says, the request number
// of the switch "url", tab widths and tab texts, and the crash dump's name.
#include <gtest/gtest.h>

#include "CrashHandle.h"
#include "HandOverRequest.h"
#include "Harness.h"
#include "TabRules.h"

namespace {

TEST(HandOverRequest, ParamSmallAccountOrNeither) {
    HandOverRequest r = SplitHandOverRequest(L"https://g.example/p?a=1\tparam=&serverName=一区&serverIdx=1");
    EXPECT_EQ(L"https://g.example/p?a=1", r.url);
    EXPECT_EQ(L"&serverName=一区&serverIdx=1", r.param);
    EXPECT_EQ(L"", r.smallAccountTitle);

    r = SplitHandOverRequest(L"https://g.example/s\tsmallAccount=x=1&serverName=二区&smallAccountName=小号甲");
    EXPECT_EQ(L"https://g.example/s", r.url);
    EXPECT_EQ(L"", r.param);
    EXPECT_EQ(L"二区(小号甲)", r.smallAccountTitle);

    r = SplitHandOverRequest(L"https://g.example/only\twith tab");
    EXPECT_EQ(L"https://g.example/only\twith tab", r.url);
    EXPECT_EQ(L"", r.param);

    // "\tparam=" wins over a later "\tsmallAccount=".
    r = SplitHandOverRequest(L"u\tparam=p\tsmallAccount=serverName=s&smallAccountName=a");
    EXPECT_EQ(L"u", r.url);
    EXPECT_EQ(L"p\tsmallAccount=serverName=s&smallAccountName=a", r.param);
    EXPECT_EQ(L"", r.smallAccountTitle);
}

TEST(HandOverRequest, SmallAccountTitleNeedsBothMarkersInOrderAndAServer) {
    // Reversed markers: no title (and no negative length).
    EXPECT_EQ(L"", SplitHandOverRequest(L"u\tsmallAccount=&smallAccountName=a&serverName=s").smallAccountTitle);
    // An empty server: no title.
    EXPECT_EQ(L"", SplitHandOverRequest(L"u\tsmallAccount=serverName=&smallAccountName=a").smallAccountTitle);
    EXPECT_EQ(L"", SplitHandOverRequest(L"u\tsmallAccount=serverName=s").smallAccountTitle);
    // The end marker is the first one after the start; the account may be empty.
    EXPECT_EQ(L"s()", SplitHandOverRequest(L"u\tsmallAccount=serverName=s&smallAccountName=").smallAccountTitle);
    EXPECT_EQ(L"", SplitHandOverRequest(L"").url);
}

TEST(HandOverRequest, OnlyAWebAddressNamesAPage) {
    for (const wchar_t* page : {L"https://g.example/p?a=1", L"HTTP://127.0.0.1:8443", L"http://游戏.example/页"})
        EXPECT_TRUE(IsPageAddress(page)) << page;
    // A file of the bytes FF FE 01 D8 41 reads as U+FEFF U+D801 (the odd byte is dropped).
    const std::wstring garbage = {wchar_t(0xFEFF), wchar_t(0xD801)};
    for (const std::wstring& none : {garbage, std::wstring(L""), std::wstring(L"https://"),
                                     std::wstring(L"https:///path"), std::wstring(L"http://?q"),
                                     std::wstring(L"file:///C:/game.html"), std::wstring(L"C:\\game.html"),
                                     std::wstring(L"about:blank"), std::wstring(L"g.example/p"),
                                     std::wstring(L" https://g.example/")})
        EXPECT_FALSE(IsPageAddress(none)) << harness::Narrow(none);
}

TEST(HandOverRequest, UserInfoWithAndWithoutHeadImage) {
    UserInfoText u = SplitUserInfo(L"一上业\tHeaderImagePath=C:\\头像.png");
    EXPECT_EQ(L"一上业", u.nick);
    EXPECT_EQ(L"C:\\头像.png", u.headImagePath);
    EXPECT_TRUE(u.hasHeadImage);
    u = SplitUserInfo(L"只有昵称");
    EXPECT_EQ(L"只有昵称", u.nick);
    EXPECT_FALSE(u.hasHeadImage);
}

TEST(RequestNumber, UnsignedDecimalAndTheLaunchersSignedForm) {
    unsigned n = 99;
    EXPECT_TRUE(ParseRequestNumber(L"0", &n));
    EXPECT_EQ(0u, n);
    EXPECT_TRUE(ParseRequestNumber(L"4294967295", &n));
    EXPECT_EQ(4294967295u, n);
    EXPECT_TRUE(ParseRequestNumber(L"-2147483648", &n));
    EXPECT_EQ(2147483648u, n);
    EXPECT_TRUE(ParseRequestNumber(L"-1", &n));
    EXPECT_EQ(4294967295u, n);
    n = 7;
    for (const wchar_t* bad : {L"", L"-", L"-0", L"abc", L"3x", L" 3", L"+3", L"4294967296", L"-2147483649",
                               L"99999999999", L"1.5"}) {
        EXPECT_FALSE(ParseRequestNumber(bad, &n)) << bad;
    }
    EXPECT_EQ(7u, n);
}

TEST(TabWidth, NarrowsToFitThenWidensBackWithinBounds) {
    // A bar 600 wide: three tabs at 190, the fourth brings all to 150.
    EXPECT_EQ(190, NextTabWidth(600, 0, 1, 190).width);  // no tabs yet: unchanged
    EXPECT_EQ(190, NextTabWidth(600, 2, 1, 190).width);
    TabWidthStep step = NextTabWidth(600, 3, 1, 190);
    EXPECT_EQ(150, step.width);
    EXPECT_TRUE(step.narrower);
    EXPECT_EQ(150, step.computed);
    // Never below 60, however many tabs.
    step = NextTabWidth(600, 11, 1, 60);
    EXPECT_EQ(60, step.width);
    EXPECT_EQ(50, step.computed);
    EXPECT_TRUE(step.narrower);
    // Closing: wider again, never above 190.
    EXPECT_EQ(75, NextTabWidth(600, 8, 0, 60).width);
    EXPECT_EQ(190, NextTabWidth(600, 3, 0, 150).width);
    EXPECT_FALSE(NextTabWidth(600, 3, 0, 150).narrower);
    EXPECT_EQ(190, NextTabWidth(600, 1, 0, 190).width);
    EXPECT_EQ(150, NextTabWidth(600, 4, 0, 150).width);
}

TEST(TabText, ServerThenSmallAccountThenPageTitle) {
    EXPECT_EQ(L"一区", ChooseTabText(L"&serverName=一区&serverIdx=1&gid=7", L"二区(甲)", L"页面"));
    EXPECT_EQ(L"二区(甲)", ChooseTabText(L"&serverIdx=1&serverName=一区", L"二区(甲)", L"页面"));
    EXPECT_EQ(L"页面", ChooseTabText(L"", L"", L"页面"));
    EXPECT_EQ(L"页面", ChooseTabText(L"&serverName=&serverIdx=1", L"", L"页面"));
    EXPECT_EQ(L"say \"hi\"", ChooseTabText(L"", L"", L"say \"hi\""));
}

TEST(SmallAccountLogin, TitleIsTheServerThenTheAccountInBrackets) {
    EXPECT_EQ(L"一区", ServerNameOf(L"&serverName=一区&serverIdx=1&gid=7"));
    EXPECT_EQ(L"一区(alt01)", SmallAccountLoginTitle(L"&serverName=一区&serverIdx=1&gid=7", L"alt01"));
    // Without both markers in order, or with an empty server: the account alone.
    EXPECT_EQ(L"(alt01)", SmallAccountLoginTitle(L"&gid=7", L"alt01"));
    EXPECT_EQ(L"(alt01)", SmallAccountLoginTitle(L"&serverIdx=1&serverName=一区", L"alt01"));
    EXPECT_EQ(L"(alt01)", SmallAccountLoginTitle(L"&serverName=&serverIdx=1", L"alt01"));
    EXPECT_EQ(L"()", SmallAccountLoginTitle(L"", L""));
}

TEST(CrashDumpName, PlayerDumpsAreNamedGame) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 4;
    t.wHour = 5;
    t.wMinute = 6;
    t.wSecond = 7;
    EXPECT_EQ(L"20260304_050607_QXORV_Game.dmp", CrashDumpFileName(t, L"QXORV_Game"));
    EXPECT_EQ(L"20260304_050607_QXORV_Box.dmp", CrashDumpFileName(t, L"QXORV_Box"));
}

}  // namespace

namespace {

// The player's filter writes its dump whenever the process crashes.
TEST(PlayerCrashFilter, CrashLeavesAGameDumpInTheDumpFolder) {
    const std::wstring dir = harness::MakeScratchDir(L"webgame_crash");
    const std::wstring exe = dir + L"\\webgame_crash_app.exe";
    ASSERT_TRUE(CopyFileW((harness::TestDir() + L"\\webgame_crash_app.exe").c_str(), exe.c_str(), FALSE));
    harness::ChildProcess child;
    ASSERT_TRUE(child.Start(exe, L""));
    DWORD code = 0;
    ASSERT_TRUE(child.Wait(90000, &code));
    EXPECT_EQ(0xC0000005u, code) << harness::DescribeExitCode(code);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\Dump\\*_QXORV_Game.dmp").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find) << harness::LogText(dir + L"\\Log", L"webgame_crash_app");
    FindClose(find);
    EXPECT_EQ(30u, std::wstring(data.cFileName).size()) << data.cFileName;
    EXPECT_GT(data.nFileSizeLow, 0u);
    EXPECT_NE(std::string::npos,
              harness::LogText(dir + L"\\Log", L"webgame_crash_app").find("[Error]|Crash dump!!!!!"));
}

}  // namespace
