#pragma once
// Window messages the player's frame posts to itself (the launcher's
// messages are in HandOverProtocol.h). A payload named "heap" is owned by the
// handler from the moment the post succeeds.
#include <windows.h>

#include <string>

// wParam 0: open the request whose number is the pending page (the switch
// "url"). Otherwise wParam is a heap PendingPage.
constexpr UINT WM_OPEN_PENDING_PAGE = 5025;
// wParam = a window handle: clear the account cookie and close that window.
constexpr UINT WM_CLOSE_CEF_WND = 5026;
// wParam = a heap TitleChange for the window thread.
constexpr UINT WM_CEF_TITLE_CHANGED = 5027;

class CCefCommonUI;

// A page to open: in a new tab (with the small-account title it brings, may
// be empty), or else in the user's default browser.
struct PendingPage {
    std::wstring url;
    std::wstring smallAccountTitle;
    bool inNewTab = true;
};

// A page's new title. The control is only compared with the live tabs, never
// used before it is found among them.
struct TitleChange {
    CCefCommonUI* control;
    std::wstring title;
};
