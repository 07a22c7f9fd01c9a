#pragma once
// Window messages and timer ids of the launcher's main window (class
// "QXTarrowMainWnd"). The window classes and the messages it exchanges with
// the player's frame are in HandOverProtocol.h. Any program can post to the
// window, so no message carries a pointer: a payload waits in the window's
// PayloadQueue (CMainWndContext::Payloads) and the message carries its key
// ("key" below); a key that names nothing is logged and ignored.
#include <windows.h>

#include <string>

#include "HandOverProtocol.h"

class CCefCommonUI;

constexpr wchar_t kMainWndTitle[] = L"QuillexTarrow";

// --- Posted to the main window (worker threads, page calls, the player).
constexpr UINT WM_UPDATE_USER_HEAD = 5026;
constexpr UINT WM_SHOW_LOGIN_WND = 5027;
constexpr UINT WM_SHOW_GAME_LIST = 5028;               // wParam key of a CMainWnd::AccountGameList, or 0
constexpr UINT WM_UPDATE_GAME_BTN_IMAGE = 5029;      // wParam key of a GameBtnInfoResult, lParam flags
constexpr UINT WM_OTHER_WND_FULL_SCREEN = 5030;
constexpr UINT WM_ADD_GAME_BTN = 5031;               // wParam the game's key in the game list
constexpr UINT WM_ON_JS_LOAD_GAME_DETAIL = 5032;     // wParam key of a GameDetailCall
constexpr UINT WM_ON_JS_LOAD_GAME_LAUNCH = 5033;
constexpr UINT WM_ON_JS_SWITCH_WEB_WINDOW = 5034;    // wParam index 0..3
constexpr UINT WM_ON_JS_CHECK_GAME_INSTALLED = 5035; // wParam pkgId, lParam key of a PageView
constexpr UINT WM_OPEN_URL_BY_CEF = 5037;            // wParam key of a ViewNavigation
constexpr UINT WM_RETURN_PING_TIME = 5039;           // wParam key of a PageView, lParam milliseconds
constexpr UINT WM_UPDATE_GAME = 5041;
constexpr UINT WM_ON_JS_DOWNLOAD_GAME = 5042;        // wParam key of a PageDownloadRequest
constexpr UINT WM_UPDATE_GAME_DOWNLOAD_PIC = 5043;
constexpr UINT WM_GAME_DOWNLOAD_PROGRESS = 5044;     // wParam pkgId, lParam key of a GamePackageInfo
constexpr UINT WM_DOWNLOAD_MODULE_CONNECTED = 5045;  // wParam key of a DownloadModuleOutcome
constexpr UINT WM_GAME_DOWNLOAD_SUCCESS = 5046;
constexpr UINT WM_USER_AUTHENTICATION_RESULT = 5047; // to the settings dialog
constexpr UINT WM_GAME_DOWNLOAD_CANCEL = 5048;
constexpr UINT WM_GAME_UNINSTALLED = 5049;
constexpr UINT WM_UPDATE_CHANNEL_ICON = 5050;
constexpr UINT WM_OPEN_PAGE_GAME_LOGIN = 9025;

// Payloads of the page calls. The view is a browser control of the window
// (it lives as long as the window, whose end frees what still waits).
struct PageView {
    CCefCommonUI* view;   // not owned; null when the call came without one
};
struct GameDetailCall {
    CCefCommonUI* view;   // not owned
    int gameId;
    int gameType;
};
struct ViewNavigation {
    CCefCommonUI* view;   // not owned
    std::wstring url;
};
// A page's downloadGame: the game and the page to answer when it is installed.
struct PageDownloadRequest {
    CCefCommonUI* view;   // not owned
    int gameId;
    std::wstring gameName;
};

// Flags of WM_UPDATE_GAME_BTN_IMAGE.
constexpr int kGameBtnNameChanged = 4;
constexpr int kGameBtnTypeChanged = 8;
constexpr int kGameBtnIconChanged = 32;
// What a game added by a launch request asks the back-end: id, name, type and icon.
constexpr int kGameBtnLaunchInfo = 1 | kGameBtnNameChanged | kGameBtnTypeChanged | kGameBtnIconChanged;

// Timers of the main window.
enum MainWndTimer : UINT_PTR {
    kTimerRunTimeReport = 10,      // 10 s
    kTimerCheckGameUpdate = 11,    // 600 s, without a café client
    kTimerGameRunning = 12,
    kTimerGameRunningSlow = 13,    // 60 s
    kTimerQueryUserInfo = 14,
    kTimerDownloadProgress = 15,   // 1 s
    kTimerFullScreen = 16,
    kTimerLoginToken = 17,         // 5 s
};
