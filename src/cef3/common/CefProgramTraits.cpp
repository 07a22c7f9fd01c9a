#include "CefProgramTraits.h"

#include <atomic>

#include "JsFunctionNameSet.h"

namespace {

// Constant-initialised, so the lists are complete before any code runs.
constexpr const wchar_t* const kLauncherNames[] = {
    kJsCloseLogin,          kJsUserLogin,         kJsUserLoginByFree,       kJsShowLogin,
    kJsAddMyGame,           kJsOpenUrl,           kJsStartGame,             kJsLoadGameDetail,
    kJsLoadGameLaunch,      kJsOnUserLogout,      kJsSwitchWebWindow,       kJsIsGameIntalled,
    kJsSwitchMyGameToGameLib, kJsGetServerPingValue, kJsQuerySystemInfo,    kJsDownloadGame,
    kJsUpdateGame,          kJsCloseModal,        kJsNavigateGameLobby,     kJsLoginByICafe,
    kJsSmallAccountstartGame,
};
static_assert(sizeof(kLauncherNames) / sizeof(kLauncherNames[0]) == 21, "the launcher offers 21 functions");

constexpr const wchar_t* const kPlayerNames[] = {
    kJsCloseLogin,     kJsUserLogin,        kJsShowLogin,       kJsAddMyGame,
    kJsOpenUrl,        kJsStartGame,        kJsLoadGameDetail,  kJsLoadGameLaunch,
    kJsOnUserLogout,   kJsSwitchWebWindow,  kJsIsGameIntalled,  kJsSwitchMyGameToGameLib,
    kJsGetServerPingValue, kJsQuerySystemInfo, kJsDownloadGame, kJsUpdateGame,
    kJsCloseModal,     kJsLoginSmallAccount,
};
static_assert(sizeof(kPlayerNames) / sizeof(kPlayerNames[0]) == 18, "the player offers 18 functions");

}  // namespace

const CefProgramTraits kLauncherCefTraits = {
    L"QXVanta_Tarrow_main",
    L"QXVanta_Tarrow is running, so exit this time.",
    kLauncherNames,
    sizeof(kLauncherNames) / sizeof(kLauncherNames[0]),
    BrowserSwitchSet::Launcher,
    false,
    false,
    false,
    false,
};

const CefProgramTraits kPlayerCefTraits = {
    L"QXVanta_WebGame_main",
    L"QXVanta_WebGame is running, so exit this time.",
    kPlayerNames,
    sizeof(kPlayerNames) / sizeof(kPlayerNames[0]),
    BrowserSwitchSet::Player,
    true,
    true,
    true,
    true,
};

namespace {

std::atomic<const CefProgramTraits*> g_programTraits{&kLauncherCefTraits};

}  // namespace

const CefProgramTraits& GetCefProgramTraits() { return *g_programTraits.load(std::memory_order_acquire); }

void SelectCefProgramTraits(const CefProgramTraits& traits) {
    g_programTraits.store(&traits, std::memory_order_release);
}
