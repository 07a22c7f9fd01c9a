#pragma once
// Window messages and timer ids of the launcher's main window (class
// "QXTarrowMainWnd"). The window classes and the messages it exchanges with
// the player's frame are in HandOverProtocol.h. A payload named "heap" is
// owned by the handler from the moment the post succeeds.
#include <windows.h>

#include "HandOverProtocol.h"

constexpr wchar_t kMainWndTitle[] = L"QuillexTarrow";

// --- Posted to the main window (worker threads, page calls, the player).
constexpr UINT WM_UPDATE_USER_HEAD = 5026;
constexpr UINT WM_SHOW_LOGIN_WND = 5027;
constexpr UINT WM_SHOW_GAME_LIST = 5028;               // wParam heap CGameList of the account, or 0
constexpr UINT WM_UPDATE_GAME_BTN_IMAGE = 5029;      // wParam heap GameBtnInfoResult, lParam flags
constexpr UINT WM_OTHER_WND_FULL_SCREEN = 5030;
constexpr UINT WM_ADD_GAME_BTN = 5031;               // wParam GameInfoItem of the game list
constexpr UINT WM_ON_JS_LOAD_GAME_DETAIL = 5032;
constexpr UINT WM_ON_JS_LOAD_GAME_LAUNCH = 5033;
constexpr UINT WM_ON_JS_SWITCH_WEB_WINDOW = 5034;    // wParam index 0..3
constexpr UINT WM_ON_JS_CHECK_GAME_INSTALLED = 5035;
constexpr UINT WM_OPEN_URL_BY_CEF = 5037;            // wParam heap std::wstring, lParam CCefCommonUI
constexpr UINT WM_RETURN_PING_TIME = 5039;
constexpr UINT WM_UPDATE_GAME = 5041;
constexpr UINT WM_ON_JS_DOWNLOAD_GAME = 5042;
constexpr UINT WM_UPDATE_GAME_DOWNLOAD_PIC = 5043;
constexpr UINT WM_GAME_DOWNLOAD_PROGRESS = 5044;
constexpr UINT WM_GAME_DOWNLOAD_SUCCESS = 5046;
constexpr UINT WM_USER_AUTHENTICATION_RESULT = 5047; // to the settings dialog
constexpr UINT WM_GAME_DOWNLOAD_CANCEL = 5048;
constexpr UINT WM_GAME_UNINSTALLED = 5049;
constexpr UINT WM_UPDATE_CHANNEL_ICON = 5050;
constexpr UINT WM_OPEN_PAGE_GAME_LOGIN = 9025;

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
