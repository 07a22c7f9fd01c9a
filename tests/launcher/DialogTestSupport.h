#pragma once
// What the tests of the launcher's tray, menus and dialogs share: waits for
// a window thread and for a dialog's place, settled screenshots, and opening
// the launcher's menus as a user does. Every wait is bounded.
#include <windows.h>

#include <string>

#include "LauncherRun.h"

namespace dialogs {

// Waits until the window's thread answers. Under Xvfb a hide holds the
// thread up to 2 s (Wine waits for a window manager that is not there).
bool WaitUntilResponsive(HWND window, DWORD timeoutMs = 10000);
// Waits until the dialog is centred on its owner (it is made at 0,0 first).
bool WaitUntilCentred(HWND dialog, DWORD timeoutMs = 10000);
// A screenshot once the window's thread is idle and the window painted.
bool SaveSettledScreenshot(HWND window, const std::wstring& name);

// Starts the launcher (its ini written) and waits until its main window is
// shown, its boss key registered and the player's frame looked for; the main window.
HWND StartWithBossKey(launcher::LauncherRun& run);

// Opens the tray menu as a right click on the tray icon does; its window.
HWND OpenTrayMenu(const launcher::LauncherRun& run);
// Opens the title bar's menu and picks an item; the window of windowClass that it opens.
HWND OpenFromTitleMenu(const launcher::LauncherRun& run, const wchar_t* item, const wchar_t* windowClass);
// Picks an item of the tray menu; the window of windowClass that it opens.
HWND OpenFromTrayMenu(const launcher::LauncherRun& run, const wchar_t* item, const wchar_t* windowClass);
// Opens a logged-in user's drag-down menu from its button and picks an item; false when either is not there.
bool PickFromDragDownMenu(const launcher::LauncherRun& run, const wchar_t* item);

}  // namespace dialogs
