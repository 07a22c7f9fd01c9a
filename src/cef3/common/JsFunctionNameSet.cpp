#include "JsFunctionNameSet.h"

namespace {

// Constant-initialised, so the list is complete before any code runs.
constexpr const wchar_t* const kLauncherNames[] = {
    kJsCloseLogin,          kJsUserLogin,         kJsUserLoginByFree,       kJsShowLogin,
    kJsAddMyGame,           kJsOpenUrl,           kJsStartGame,             kJsLoadGameDetail,
    kJsLoadGameLaunch,      kJsOnUserLogout,      kJsSwitchWebWindow,       kJsIsGameIntalled,
    kJsSwitchMyGameToGameLib, kJsGetServerPingValue, kJsQuerySystemInfo,    kJsDownloadGame,
    kJsUpdateGame,          kJsCloseModal,        kJsNavigateGameLobby,     kJsLoginByICafe,
    kJsSmallAccountstartGame,
};
static_assert(sizeof(kLauncherNames) / sizeof(kLauncherNames[0]) == 21, "the launcher offers 21 functions");

}  // namespace

JsFunctionNameSet::List JsFunctionNameSet::Names() {
    return {kLauncherNames, sizeof(kLauncherNames) / sizeof(kLauncherNames[0])};
}

