#pragma once
// The page-callable native functions: every page context of a renderer gets
// one function per name on window (and so on window.external), and a call of
// one becomes a JS call message named after it. The names are fixed at build
// time and matched exactly (case-sensitive). Any thread; constant data.
//
// Each program has its own list (the launcher 21 names, the player 18); it
// comes with the program's traits (CefProgramTraits.h).
#include <cstddef>
#include <cwchar>

// Each name as a constant, for the browser side's dispatch.
constexpr const wchar_t kJsCloseLogin[] = L"closeLogin";
constexpr const wchar_t kJsUserLogin[] = L"userLogin";
constexpr const wchar_t kJsUserLoginByFree[] = L"userLoginByFree";
constexpr const wchar_t kJsShowLogin[] = L"showLogin";
constexpr const wchar_t kJsAddMyGame[] = L"addMyGame";
constexpr const wchar_t kJsOpenUrl[] = L"openUrl";
constexpr const wchar_t kJsStartGame[] = L"startGame";
constexpr const wchar_t kJsLoadGameDetail[] = L"loadGameDetail";
constexpr const wchar_t kJsLoadGameLaunch[] = L"loadGameLaunch";
constexpr const wchar_t kJsOnUserLogout[] = L"onUserLogout";
constexpr const wchar_t kJsSwitchWebWindow[] = L"switchWebWindow";
constexpr const wchar_t kJsIsGameIntalled[] = L"isGameIntalled";
constexpr const wchar_t kJsSwitchMyGameToGameLib[] = L"switchMyGameToGameLib";
constexpr const wchar_t kJsGetServerPingValue[] = L"getServerPingValue";
constexpr const wchar_t kJsQuerySystemInfo[] = L"querySystemInfo";
constexpr const wchar_t kJsDownloadGame[] = L"downloadGame";
constexpr const wchar_t kJsUpdateGame[] = L"updateGame";
constexpr const wchar_t kJsCloseModal[] = L"closeModal";
constexpr const wchar_t kJsNavigateGameLobby[] = L"NavigateGameLobby";
constexpr const wchar_t kJsLoginByICafe[] = L"loginByICafe";
constexpr const wchar_t kJsSmallAccountstartGame[] = L"smallAccountstartGame";
constexpr const wchar_t kJsLoginSmallAccount[] = L"loginSmallAccount";

class JsFunctionNameSet {
public:
    // This program's names in registration order.
    struct List {
        const wchar_t* const* names;
        size_t count;
        const wchar_t* const* begin() const { return names; }
        const wchar_t* const* end() const { return names + count; }
    };
    static List Names();
    static bool Contains(const wchar_t* name) {
        if (!name) return false;
        for (const wchar_t* n : Names()) {
            if (std::wcscmp(n, name) == 0) return true;
        }
        return false;
    }
};
