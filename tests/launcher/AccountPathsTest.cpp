// The files and addresses of the account: the head image file name made
// from an account text, the café login's my-games address and the logout page.
#include "AccountPaths.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(AccountPathsTest, AnAccountCannotLeaveTheHeadImageFolder) {
    EXPECT_EQ(L"alice", AccountFileNamePart(L"alice"));
    EXPECT_EQ(L"a.b-c_d@e.com", AccountFileNamePart(L"a.b-c_d@e.com"));
    EXPECT_EQ(L".._..__Windows_x", AccountFileNamePart(L"..\\..//Windows:x"));
    EXPECT_EQ(L"___", AccountFileNamePart(L"张三?"));
    EXPECT_EQ(L"", AccountFileNamePart(L""));
    EXPECT_EQ(L"C:\\P\\skin\\headimage\\user_.._x.png", HeadImagePath(L"C:\\P\\", L"..\\x"));
    EXPECT_EQ(L"C:\\P\\skin\\headimage\\head_default.png", DefaultHeadImagePath(L"C:\\P\\"));
}

TEST(AccountPathsTest, CafeLoginAddressJoinsItsFieldsAsTheLinkNeeds) {
    EXPECT_EQ(L"http://h/my.html?isLoginByICafe=1", CafeLoginPageUrl(L"http://h/my.html", L""));
    EXPECT_EQ(L"http://h/my.html?gameId=5&srv=2&isLoginByICafe=1",
              CafeLoginPageUrl(L"http://h/my.html", L"gameId=5&srv=2"));
    EXPECT_EQ(L"http://h/my.html?tab=1&isLoginByICafe=1", CafeLoginPageUrl(L"http://h/my.html?tab=1", L""));
    EXPECT_EQ(L"http://h/my.html?tab=1&gameId=5&isLoginByICafe=1",
              CafeLoginPageUrl(L"http://h/my.html?tab=1", L"gameId=5"));
}

TEST(AccountPathsTest, LogoutPageReturnsToTheEncodedChannelLink) {
    EXPECT_EQ(L"http://acc:8443/user/logout?curUrl=http%3A%2F%2Fh%2Flobby.html%3Fa%3D1%26b%3D2",
              LogoutPageUrl(L"http://h/lobby.html?a=1&b=2", L"acc:8443"));
    EXPECT_EQ(L"https://acc/user/logout?curUrl=HTTPS%3A%2F%2Fh%2F", LogoutPageUrl(L"HTTPS://h/", L"acc"));
    EXPECT_EQ(L"http://acc/user/logout?curUrl=http", LogoutPageUrl(L"http", L"acc"));
    if (GetACP() == 936) {
        // The link goes through the system code page: "大厅" in GBK.
        EXPECT_EQ(L"http://acc/user/logout?curUrl=http%3A%2F%2Fh%2F%B4%F3%CC%FC", LogoutPageUrl(L"http://h/大厅", L"acc"));
    }
}
