#pragma once
// How the launcher (window class "QXTarrowMainWnd") and the player (window
// class "QXWebGameFrame") find and command each other. The request and
// account files themselves are in HandOverFile.h.
#include <windows.h>

constexpr wchar_t kMainWndClassName[] = L"QXTarrowMainWnd";
constexpr wchar_t kGameFrameClassName[] = L"QXWebGameFrame";

// Player -> launcher, posted once the frame is up: wParam = the frame window.
constexpr UINT WM_NOTIFY_GAMEFRAME_HWND = 6025;
// Launcher -> player.
constexpr UINT WM_NOTIFY_NEW_CEF = 6026;         // wParam = request number N (Temp\<N>.txt)
constexpr UINT WM_NOTIFY_USER_LOGOUT = 6027;     // log out and close
constexpr UINT WM_NOTIFY_SHOW_GAMEFRAME = 6028;  // wParam 0 show and activate, 1 hide

// The player's command line: "--url=N" names the first request; the presence
// of "QXOrvCookie=" keeps the account cookie at start.
constexpr wchar_t kRequestSwitch[] = L"url";
constexpr wchar_t kKeepCookieMarker[] = L"QXOrvCookie=";
