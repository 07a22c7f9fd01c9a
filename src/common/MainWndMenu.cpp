// The main window's menus and their commands, and the login dialog.
#include "MainWnd.h"

#include <shellapi.h>

#include "CCefCommonUI.h"
#include "DeploymentHosts.h"
#include "GameButton.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

using namespace DuiLib;

namespace {

constexpr POINT kMainMenuOffset = {-90, 20};

}  // namespace

POINT CMainWnd::MainMenuPoint() {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    return POINT{cursor.x + kMainMenuOffset.x, cursor.y + kMainMenuOffset.y};
}

void CMainWnd::ShowMainMenu(const wchar_t* skinFile, POINT at) {
    m_pMainMenu.reset();
    m_pMainMenu.reset(new (std::nothrow) CMenuWnd());
    if (!m_pMainMenu) return;
    if (!m_pMainMenu->Init(nullptr, skinFile, at, &m_PaintManager, nullptr, eMenuAlignment_Left | eMenuAlignment_Top))
        LOG_ERROR(L"CMainWnd menu %s could not be opened", skinFile);
}

// wParam of 1145: read only when it is a record a menu posted and nobody freed yet.
void CMainWnd::OnMenuClick(WPARAM record) {
    void* posted = reinterpret_cast<void*>(record);
    if (!CPaintManagerUI::IsLivePtr(posted)) {
        LOG_WARNING(L"CMainWnd menu click (%u): 0x%X is no record of a menu, ignored", UIMSG_MENUCLICK,
                    static_cast<unsigned>(record));
        return;
    }
    MenuCmd item = *static_cast<MenuCmd*>(posted);
    CPaintManagerUI::DeletePtr(posted);
    item.szName[_countof(item.szName) - 1] = L'\0';
    using Handler = void (CMainWnd::*)(const MenuCmd&);
    static const struct {
        const wchar_t* name;
        Handler handler;
    } kRows[] = {
        {L"remove_icon", &CMainWnd::OnMenuRemoveIcon},
        {L"game_path", &CMainWnd::OnMenuGamePath},
        {L"show_main", &CMainWnd::OnMenuShowMain},
        {L"exit_main", &CMainWnd::OnMenuExitMain},
        {L"expense_calendar", &CMainWnd::OnMenuExpenseCalendar},
        {L"user_switch", &CMainWnd::OnMenuUserSwitch},
        {L"user_logout", &CMainWnd::OnMenuUserLogout},
        {L"user_info", &CMainWnd::OnMenuUserInfo},
        {L"repair_game", &CMainWnd::OnMenuRepairGame},
        {L"auto_update", &CMainWnd::OnMenuAutoUpdate},
        {L"uninstall_game", &CMainWnd::OnMenuUninstallGame},
        {L"menu_setting", &CMainWnd::OnMenuSetting},
        {L"menu_screenshot", &CMainWnd::OnMenuScreenshot},
        {L"menu_update", &CMainWnd::OnMenuUpdate},
        {L"menu_about", &CMainWnd::OnMenuAbout},
        {L"menu_loginout", &CMainWnd::OnMenuLoginOut},
    };
    for (const auto& row : kRows) {
        if (_wcsicmp(item.szName, row.name) == 0) {
            (this->*row.handler)(item);
            return;
        }
    }
}

GameInfoItem* CMainWnd::ContextMenuGameItem() const {
    return m_pContextMenuGameBtn ? m_gameList.FindByButton(m_pContextMenuGameBtn) : nullptr;
}


// A dialog item while a modal dialog runs brings that one to the front.
void CMainWnd::OnMenuSetting(const MenuCmd&) {
    if (!BringModalDialogToFront()) ShowSettingDlg();
}
void CMainWnd::OnMenuScreenshot(const MenuCmd&) {
    if (!BringModalDialogToFront()) ShowScreenshotDlg();
}
void CMainWnd::OnMenuUpdate(const MenuCmd&) {
    if (!BringModalDialogToFront()) ShowUpdateDlg();
}
void CMainWnd::OnMenuAbout(const MenuCmd&) {
    if (!BringModalDialogToFront()) ShowAboutDlg();
}

void CMainWnd::OnMenuShowMain(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : show_main");
    if (IsIconic(m_hWnd))
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    else
        ShowMainAndSettings();
}

void CMainWnd::OnMenuExitMain(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : exit_main");
    m_trayIcon.DeleteTrayIcon();
    OnCloseMainWnd();
}

void CMainWnd::OnMenuExpenseCalendar(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : expense_calendar");
    SelectBodyPage(3);
    if (m_pOtherCef)
        m_pOtherCef->LoadUrl((L"https://" + GetBackendApiHost() + L"/front/html/user_recharge_detail.html").c_str());
}

void CMainWnd::OnMenuUserLogout(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : user_logout");
    UserLogout();
}

// The upload progress window is shown and asked to close at once.
void CMainWnd::OnMenuUserInfo(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : user_info");
    ShowUploadProgressWnd();
    if (!m_pUploadProgressWnd) return;
    m_pUploadProgressWnd->Close(0);
    m_pUploadProgressWnd = nullptr;
}

void CMainWnd::OnMenuRemoveIcon(const MenuCmd&) {
    GameInfoItem* entry = ContextMenuGameItem();
    if (!entry) return;
    RemoveGameIcon(entry);
    m_pContextMenuGameBtn = nullptr;
    LOG_DEBUG(L"CMainWnd on menu clicked : remove_icon done");
}

void CMainWnd::OnMenuGamePath(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : game_path");
    GameInfoItem* entry = ContextMenuGameItem();
    if (!entry) return;
    int key = m_gameList.KeyOf(*entry);
    CStringW path;
    if (m_noCafeClient)
        LocalDB().GetGamePath(key, path);
    else
        m_installedGames.GetGamePathByPkgId(key, path);
    if (path.empty()) {
        LOG_ERROR(L"get game path failed, gameId=%d", key);
        return;
    }
    std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
    INT_PTR rv = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"explore", folder.c_str(), nullptr, nullptr, SW_SHOW));
    if (rv <= 32)
        LOG_ERROR(L"open game path failed, pkgid=%d, ShellExecute rv=%d, path=%s", entry->pkgid, static_cast<int>(rv),
                  folder.c_str());
}

void CMainWnd::OnMenuRepairGame(const MenuCmd&) {
    if (GameInfoItem* entry = ContextMenuGameItem()) RepairGame(entry->jt_game_id);
}

void CMainWnd::OnMenuUninstallGame(const MenuCmd&) {
    if (GameInfoItem* entry = ContextMenuGameItem()) StartUninstallGame(entry->jt_game_id);
}

void CMainWnd::OnMenuAutoUpdate(const MenuCmd&) {
    if (!m_pContextMenuGameBtn) return;
    GameInfoItem* entry = ContextMenuGameItem();
    m_pContextMenuGameBtn->SetAutoUpdate(entry ? !entry->autoUpdate : 0);
}
