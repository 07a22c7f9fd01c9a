// The dialogs the main window opens from its menus, the settings write-back
// and the self-update chain.
#include "MainWnd.h"

#include <new>

#include "DlgAbout.h"
#include "DlgScreenshot.h"
#include "DlgUpdateDetect.h"
#include "DlgUpdating.h"
#include "GameUploadProgressWnd.h"
#include "LogWriter.h"
#include "MainWndMessages.h"
#include "SettingDlg.h"

using namespace DuiLib;

namespace {

constexpr int kSmallDlgWidth = 482;
constexpr int kSmallDlgHeight = 308;
constexpr int kSettingDlgWidth = 580;
constexpr int kSettingDlgHeight = 444;
constexpr int kUploadWndWidth = 300;
constexpr int kUploadWndHeight = 200;

}  // namespace

UINT CMainWnd::RunModal(WindowImplBase* dialog, const wchar_t* title, int width, int height) {
    if (!dialog) return 0;
    if (!dialog->Create(m_hWnd, title, WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, width, height)) {
        LOG_ERROR(L"CMainWnd dialog '%s' could not be made", title);
        delete dialog;   // no window, so it never deletes itself
        return 0;
    }
    dialog->CenterWindow();
    return RunModalLoop(dialog);
}

UINT CMainWnd::RunModalLoop(CWindowWnd* dialog) {
    HWND outer = m_hModalDlg;
    m_hModalDlg = dialog->GetHWND();
    UINT result = dialog->ShowModal();
    m_hModalDlg = outer;
    return result;
}

void CMainWnd::ShowSettingDlg() {
    const LauncherSettings before = m_settings;
    RunModal(new (std::nothrow) CSettingDlg(this), L"设置窗口", kSettingDlgWidth, kSettingDlgHeight);
    if (m_settings.WriteBack(before, m_programFolder + L"qxtarrow.ini")) SetAutoRun(m_settings.autoRun);
}

void CMainWnd::ShowAboutDlg() {
    RunModal(new (std::nothrow) CDlgAbout(), L"关于Vanta", kSmallDlgWidth, kSmallDlgHeight);
}

void CMainWnd::ShowScreenshotDlg() {
    RunModal(new (std::nothrow) CDlgScreenshot(this), L"截图设置", kSmallDlgWidth, kSmallDlgHeight);
}

void CMainWnd::ShowUploadProgressWnd() {
    auto* window = new (std::nothrow) CGameUploadProgressWnd();
    if (!window) return;
    window->AddItem(1);
    window->AddItem(2);
    if (!window->Create(m_hWnd, L"ORV游戏云存档进度", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0,
                        kUploadWndWidth, kUploadWndHeight)) {
        LOG_ERROR(L"CMainWnd upload progress window could not be made");
        delete window;
        return;
    }
    window->ShowWindow(true, true);
    m_pUploadProgressWnd = window;
}

void CMainWnd::ShowUpdateDlg() {
    UINT result = RunModal(new (std::nothrow) CDlgUpdateDetect(this), L"", kSmallDlgWidth, kSmallDlgHeight);
    if (result == kUpdateDlgLatest) {
        RunModal(new (std::nothrow) CDlgUpdateLast(this), L"", kSmallDlgWidth, kSmallDlgHeight);
    } else if (result == kUpdateDlgChosen &&
               RunModal(new (std::nothrow) CDlgUpdating(this), L"", kSmallDlgWidth, kSmallDlgHeight) ==
                   kUpdateDlgDownloaded) {
        RunModal(new (std::nothrow) CDlgUpdateComplete(this), L"", kSmallDlgWidth, kSmallDlgHeight);
    }
}

void CMainWnd::PrepareExitForUpdate() {
    StopDownloadsOnClose();   // running tasks stop and keep their progress
    m_trayIcon.DeleteTrayIcon();
    PostToGameFrame(WM_NOTIFY_USER_LOGOUT, 0);
}
