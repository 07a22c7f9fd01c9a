// The main window's tray icon and boss key.
#include "MainWnd.h"

#include "LogWriter.h"
#include "MainWndMessages.h"

namespace {

constexpr int kTrayMenuRise = 80;   // the tray menu opens this far above the pointer
constexpr UINT kAppIcon = 102;

// Only the foreground thread may hand the foreground on: this thread joins
// its input for the call.
void BringToForeground(HWND window) {
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD ownThread = GetCurrentThreadId();
    bool attached = foregroundThread && foregroundThread != ownThread &&
                    AttachThreadInput(ownThread, foregroundThread, TRUE);
    SetForegroundWindow(window);
    if (attached) AttachThreadInput(ownThread, foregroundThread, FALSE);
}

}  // namespace

void CMainWnd::AddTrayIcon() { m_trayIcon.CreateTrayIcon(m_hWnd, kAppIcon, kMainWndTitle, 0); }

bool CMainWnd::IsTaskbarCreated(UINT message) {
    static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    return taskbarCreated != 0 && message == taskbarCreated;
}

void CMainWnd::OnTaskbarCreated() {
    LOG_DEBUG(L"CMainWnd the taskbar was made anew: tray icon added again");
    AddTrayIcon();
}

void CMainWnd::OnTrayMessage(UINT mouseMessage) {
    if (mouseMessage == WM_RBUTTONUP) {
        POINT cursor = {0, 0};
        GetCursorPos(&cursor);
        ShowMainMenu(L"menu_tray.xml", POINT{cursor.x, cursor.y - kTrayMenuRise});
        return;
    }
    if (mouseMessage != WM_LBUTTONUP) return;
    if (IsIconic(m_hWnd)) {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
        LOG_DEBUG(L"CMainWnd OnTrayMessage : restore");
        return;
    }
    ShowMainAndSettings();
    BringToForeground(m_hWnd);
    PostToGameFrame(WM_NOTIFY_SHOW_GAMEFRAME, 0);
    m_bBossHidden = false;
    LOG_DEBUG(L"CMainWnd OnTrayMessage : show_main");
}

LRESULT CMainWnd::OnHotKey(WPARAM hotKeyId) {
    if (static_cast<int>(hotKeyId) != m_bossKeyId) return 0;
    if (m_bBossHidden) {
        ShowWindow(true, true);
        PostToGameFrame(WM_NOTIFY_SHOW_GAMEFRAME, 0);
        m_bBossHidden = false;
    } else {
        ::ShowWindow(m_hWnd, SW_HIDE);
        PostToGameFrame(WM_NOTIFY_SHOW_GAMEFRAME, 1);
        m_bBossHidden = true;
    }
    LOG_DEBUG(L"CMainWnd boss key: %s", m_bBossHidden ? L"hidden" : L"shown");
    return 0;
}

void CMainWnd::ShowMainAndSettings() {
    if (m_hSettingDlg && IsWindow(m_hSettingDlg)) ::ShowWindow(m_hSettingDlg, SW_SHOW);
    ::ShowWindow(m_hWnd, SW_SHOW);
}

bool CMainWnd::BringModalDialogToFront() {
    if (!m_hModalDlg || !IsWindow(m_hModalDlg)) return false;
    if (IsIconic(m_hWnd))
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    else
        ShowMainAndSettings();
    ::ShowWindow(m_hModalDlg, SW_SHOW);
    BringToForeground(m_hModalDlg);
    LOG_DEBUG(L"CMainWnd a dialog runs: it comes to the front, no other opens");
    return true;
}

void CMainWnd::PostToGameFrame(UINT message, WPARAM wParam) {
    if (m_hGameFrame && IsWindow(m_hGameFrame)) ::PostMessageW(m_hGameFrame, message, wParam, 0);
}
