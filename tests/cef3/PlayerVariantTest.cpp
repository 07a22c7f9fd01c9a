// The shared browser host as the player links it (the player's traits):
// page-callable names, engine switches, popups and titles, without an engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCefCommonUI.h"
#include "CefProgramTraits.h"
#include "ClientAppBrowser.h"
#include "ClientHandlerCommon.h"
#include "FakeBrowser.h"
#include "HandlerFixture.h"
#include "JsFunctionNameSet.h"
#include "RecordingOwner.h"

namespace {

// The player's entry selects its traits first thing; so does this program.
const bool kPlayerTraitsSelected = (SelectCefProgramTraits(kPlayerCefTraits), true);

bool Popup(ClientHandlerCommon* handler, const wchar_t* url) {
    CefWindowInfo info;
    CefRefPtr<CefClient> client;
    CefBrowserSettings settings;
    return handler->OnBeforePopup(new FakeBrowser(), nullptr, url, L"", WOD_NEW_POPUP, true, CefPopupFeatures(), info,
                                  client, settings, nullptr);
}

TEST(PlayerTraits, TheProgramsDifferInMutexAndFunctionCount) {
    EXPECT_TRUE(kPlayerTraitsSelected);
    EXPECT_EQ(&GetCefProgramTraits(), &kPlayerCefTraits);
    EXPECT_STREQ(kPlayerCefTraits.instanceMutexName, L"QXVanta_WebGame_main");
    EXPECT_STREQ(kPlayerCefTraits.instanceRunningWarning, L"QXVanta_WebGame is running, so exit this time.");
    EXPECT_STREQ(kLauncherCefTraits.instanceMutexName, L"QXVanta_Tarrow_main");
    EXPECT_STREQ(kLauncherCefTraits.instanceRunningWarning, L"QXVanta_Tarrow is running, so exit this time.");
    EXPECT_EQ(kLauncherCefTraits.pageFunctionCount, 21u);
    EXPECT_FALSE(kLauncherCefTraits.rendererObeysKillProcess);
    EXPECT_TRUE(kPlayerCefTraits.rendererObeysKillProcess);
}

TEST(PlayerTraits, EighteenPageFunctionsEndingWithLoginSmallAccount) {
    const std::vector<std::wstring> expected = {
        L"closeLogin",  L"userLogin",       L"showLogin",      L"addMyGame",      L"openUrl",
        L"startGame",   L"loadGameDetail",  L"loadGameLaunch", L"onUserLogout",   L"switchWebWindow",
        L"isGameIntalled", L"switchMyGameToGameLib", L"getServerPingValue", L"querySystemInfo",
        L"downloadGame", L"updateGame",     L"closeModal",     L"loginSmallAccount"};
    std::vector<std::wstring> names;
    for (const wchar_t* n : JsFunctionNameSet::Names()) names.push_back(n);
    EXPECT_EQ(names, expected);
    for (const wchar_t* absent : {L"userLoginByFree", L"NavigateGameLobby", L"loginByICafe", L"smallAccountstartGame"})
        EXPECT_FALSE(JsFunctionNameSet::Contains(absent)) << absent;
}

TEST(PlayerTraits, SwitchesAddBreakpadComponentUpdateAndNpapiWithoutRendererLimit) {
    // A non-ASCII folder too: the player always takes the plug-in from its own folder.
    for (const std::wstring folder : {L"C:\\Games\\app\\", L"D:\\游戏\\app\\"}) {
        CefRefPtr<CefCommandLine> cmd = CefCommandLine::CreateCommandLine();
        ClientAppBrowser::AppendSwitches(folder, cmd);
        std::vector<CefString> argv;
        cmd->GetArgv(argv);
        std::vector<std::wstring> switches(argv.begin() + 1, argv.end());
        const std::vector<std::wstring> expected = {
            L"--always-authorize-plugins",
            L"--disable-breakpad",
            L"--disable-component-update",
            L"--ppapi-out-of-process",
            L"--ppapi-flash-path=" + folder + L"Plugins\\pepflashplayer32_25_0_0_127.dll",
            L"--ppapi-flash-version=25.0.0.127",
            L"--enable-npapi",
            L"--no-proxy-server"};
        EXPECT_EQ(switches, expected);
        EXPECT_FALSE(cmd->HasSwitch(L"renderer-process-limit"));
    }
}

using PlayerHandler = HandlerTest;

TEST_F(PlayerHandler, PopupWithUrlOpensAGamePageOutsideATabAndNoUrlOpensNothing) {
    EXPECT_TRUE(Popup(handler_, L"https://127.0.0.1/help.html"));
    EXPECT_TRUE(Popup(handler_, L""));
    auto calls = owner_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].slot, L"OpenPageGameWebWnd");
    EXPECT_EQ(calls[0].text, L"https://127.0.0.1/help.html");
    EXPECT_FALSE(calls[0].inNewTab);
}

TEST_F(PlayerHandler, TitleOfABrowserWithoutLiveWindowReachesNobody) {
    handler_->OnTitleChange(new FakeBrowser(), L"游戏");
    handler_->OnTitleChange(nullptr, L"游戏");
    EXPECT_EQ(owner_.Count(), 0u);
}

TEST_F(PlayerHandler, PopupAfterTheControlIsGoneReachesNobody) {
    CefRefPtr<CefClient> keep = client_;
    delete control_;
    control_ = nullptr;
    EXPECT_TRUE(Popup(handler_, L"https://127.0.0.1/x"));
    EXPECT_EQ(owner_.Count(), 0u);
}

}  // namespace
