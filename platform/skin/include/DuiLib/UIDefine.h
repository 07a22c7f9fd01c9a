#pragma once
// Export macro, notification names, event codes, state bits and flags of the
// skin library.
#include <windows.h>
#include <tchar.h>

#if defined(UILIB_EXPORTS)
#define UILIB_API __declspec(dllexport)
#else
#define UILIB_API __declspec(dllimport)
#endif

namespace DuiLib {

// Notification types (TNotifyUI::sType).
#define DUI_MSGTYPE_CLICK          (_T("click"))
#define DUI_MSGTYPE_ITEMCLICK      (_T("itemclick"))
#define DUI_MSGTYPE_ITEMSELECT     (_T("itemselect"))
#define DUI_MSGTYPE_SELECTCHANGED  (_T("selectchanged"))
#define DUI_MSGTYPE_WINDOWINIT     (_T("windowinit"))
#define DUI_MSGTYPE_RETURN         (_T("return"))
#define DUI_MSGTYPE_TABSELECT      (_T("tabselect"))
#define DUI_MSGTYPE_SCROLL         (_T("scroll"))
#define DUI_MSGTYPE_SETFOCUS       (_T("setfocus"))
#define DUI_MSGTYPE_KILLFOCUS      (_T("killfocus"))
#define DUI_MSGTYPE_RBUTTONDOWN    (_T("rbuttondown"))
#define DUI_MSGTYPE_TEXTCHANGED    (_T("textchanged"))
#define DUI_MSGTYPE_VALUECHANGED   (_T("valuechanged"))
#define DUI_MSGTYPE_MENU           (_T("menu"))

// Event codes of TEventUI::Type. The numbers are fixed: controls written
// outside the library compare against them.
enum EVENTTYPE_UI {
    UIEVENT__FIRST = 1,
    UIEVENT__KEYBEGIN = 2,
    UIEVENT_KEYDOWN = 3,
    UIEVENT_KEYUP = 4,
    UIEVENT_CHAR = 5,
    UIEVENT_SYSKEY = 6,
    UIEVENT__KEYEND = 7,
    UIEVENT__MOUSEBEGIN = 8,
    UIEVENT_MOUSEMOVE = 9,
    UIEVENT_MOUSELEAVE = 10,
    UIEVENT_MOUSEENTER = 11,
    UIEVENT_MOUSEHOVER = 12,
    UIEVENT_BUTTONDOWN = 13,
    UIEVENT_BUTTONUP = 14,
    UIEVENT_RBUTTONDOWN = 15,
    UIEVENT_RBUTTONUP = 16,
    UIEVENT_DBLCLICK = 17,
    UIEVENT_CONTEXTMENU = 18,
    UIEVENT_SCROLLWHEEL = 19,
    UIEVENT__MOUSEEND = 20,
    UIEVENT_KILLFOCUS = 21,
    UIEVENT_SETFOCUS = 22,
    UIEVENT_WINDOWSIZE = 23,
    UIEVENT_TIMER = 24,
    UIEVENT_NOTIFY = 25,
    UIEVENT_SETCURSOR = 26,
    UIEVENT_COMMAND = 27,
    UIEVENT__LAST = 28,
};

// Control state bits (the button state byte).
#define UISTATE_FOCUSED   0x00000001
#define UISTATE_SELECTED  0x00000002
#define UISTATE_DISABLED  0x00000004
#define UISTATE_HOT       0x00000008
#define UISTATE_PUSHED    0x00000010
#define UISTATE_READONLY  0x00000020
#define UISTATE_CAPTURED  0x00000040

// Control flags (CControlUI::GetControlFlags).
#define UIFLAG_TABSTOP     0x00000001
#define UIFLAG_SETCURSOR   0x00000002
#define UIFLAG_WANTRETURN  0x00000004

// Flags of CControlUI::FindControl.
#define UIFIND_ALL         0x00000000
#define UIFIND_VISIBLE     0x00000001
#define UIFIND_ENABLED     0x00000002
#define UIFIND_HITTEST     0x00000004
#define UIFIND_TOP_FIRST   0x00000008
#define UIFIND_ME_FIRST    0x80000000

// Text alignment styles of the label family (DrawText flags).
#define DT_SINGLELINE_CENTER (DT_SINGLELINE | DT_CENTER | DT_VCENTER)

// Window messages the library defines.
#define UIMSG_TRAYICON   (WM_USER + 1)     // 1025: tray icon callback, lParam = mouse message
#define UIMSG_MENUCLICK  (WM_USER + 121)   // 1145: menu item click, wParam = MenuCmd* (free with DeletePtr)

class CControlUI;
typedef CControlUI* (CALLBACK* FINDCONTROLPROC)(CControlUI*, LPVOID);

}  // namespace DuiLib
