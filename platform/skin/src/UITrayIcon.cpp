// CTrayIcon over Shell_NotifyIconW.
#include "DuiLib/UITrayIcon.h"
#include "DuiLib/UIManager.h"
#include "Internal.h"

#include <shellapi.h>

namespace DuiLib {

namespace {
UINT NextTrayId() {
    static UINT next = 1;
    return next++;
}
}  // namespace

CTrayIcon::CTrayIcon() : id_(NextTrayId()) {}

CTrayIcon::~CTrayIcon() { DeleteTrayIcon(); }

bool CTrayIcon::CreateTrayIcon(HWND hRecvWnd, UINT iconResource, LPCTSTR toolTip, UINT message) {
    DeleteTrayIcon();
    if (!hRecvWnd) return false;
    recvWnd_ = hRecvWnd;
    message_ = message ? message : UIMSG_TRAYICON;
    icon_ = static_cast<HICON>(::LoadImageW(CPaintManagerUI::GetInstance(), MAKEINTRESOURCEW(iconResource), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    if (!icon_) detail::Log(L"tray icon resource %u not found; the default icon is used", iconResource);
    NOTIFYICONDATAW nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = recvWnd_;
    nid.uID = id_;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = message_;
    nid.hIcon = icon_ ? icon_ : ::LoadIconW(nullptr, IDI_APPLICATION);
    if (toolTip) lstrcpynW(nid.szTip, toolTip, _countof(nid.szTip));
    created_ = ::Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
    if (!created_) detail::Log(L"tray icon could not be added (no notification area?)");
    return created_;
}

void CTrayIcon::DeleteTrayIcon() {
    if (created_) {
        NOTIFYICONDATAW nid = {};
        nid.cbSize = sizeof(nid);
        nid.hWnd = recvWnd_;
        nid.uID = id_;
        ::Shell_NotifyIconW(NIM_DELETE, &nid);
        created_ = false;
    }
    if (icon_) {
        ::DestroyIcon(icon_);
        icon_ = nullptr;
    }
}

bool CTrayIcon::SetTooltipText(LPCTSTR toolTip) {
    if (!created_) return false;
    NOTIFYICONDATAW nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = recvWnd_;
    nid.uID = id_;
    nid.uFlags = NIF_TIP;
    lstrcpynW(nid.szTip, toolTip ? toolTip : L"", _countof(nid.szTip));
    return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool CTrayIcon::IsVisible() const { return created_; }
HWND CTrayIcon::GetHWND() const { return recvWnd_; }
UINT CTrayIcon::GetMessageId() const { return message_; }

}  // namespace DuiLib
