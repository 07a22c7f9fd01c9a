#pragma once
// CTrayIcon: one notification-area icon. Mouse actions on it arrive at the
// receiving window as the callback message (UIMSG_TRAYICON = 1025 unless
// another is given) with lParam = the mouse message (WM_LBUTTONUP 514,
// WM_RBUTTONUP 517 ...). The destructor removes the icon.
#include "UIDefine.h"

namespace DuiLib {

class UILIB_API CTrayIcon {
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // iconResource: icon id in CPaintManagerUI::GetInstance(); message 0 means
    // UIMSG_TRAYICON. Replaces an icon this object already shows.
    bool CreateTrayIcon(HWND hRecvWnd, UINT iconResource, LPCTSTR toolTip = nullptr, UINT message = 0);
    void DeleteTrayIcon();
    bool SetTooltipText(LPCTSTR toolTip);
    bool IsVisible() const;
    HWND GetHWND() const;
    UINT GetMessageId() const;

private:
    bool created_ = false;
    HWND recvWnd_ = nullptr;        // not owned
    UINT message_ = 0;
    UINT id_ = 0;
    HICON icon_ = nullptr;          // owned
};

}  // namespace DuiLib
