#pragma once
// Window messages the player's frame posts to itself (the launcher's
// messages are in HandOverProtocol.h). Any program can post to the frame, so
// no message carries a pointer: a payload waits in the frame's PayloadQueue
// and the message carries its key, or nothing when the payloads are taken in
// posting order. A message that names nothing is logged and ignored.
#include <windows.h>

#include <string>

// wParam below 1: open the request whose number is the pending page (the
// switch "url"). wParam 1 or more: open the oldest waiting PendingPage
// (posted in order, no key).
constexpr UINT WM_OPEN_PENDING_PAGE = 5025;
// wParam = a window handle of the player's own: clear the account cookie and
// close that window.
constexpr UINT WM_CLOSE_CEF_WND = 5026;
// wParam = key of a TitleChange.
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
