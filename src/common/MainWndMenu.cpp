// The main window's menu commands and the dialogs it opens.
#include "MainWnd.h"

#include <shellapi.h>

#include "GameButton.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"

using namespace DuiLib;

void CMainWnd::OnMenuClick(MenuCmd* command) {
    MenuCmd item = *command;
    CPaintManagerUI::DeletePtr(command);
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
        {L"expense_calendar", &CMainWnd::OnMenuNotYet},
        {L"user_switch", &CMainWnd::OnMenuUserSwitch},
        {L"user_logout", &CMainWnd::OnMenuUserLogout},
        {L"user_info", &CMainWnd::OnMenuNotYet},
        {L"repair_game", &CMainWnd::OnMenuRepairGame},
        {L"auto_update", &CMainWnd::OnMenuAutoUpdate},
        {L"uninstall_game", &CMainWnd::OnMenuUninstallGame},
        {L"menu_setting", &CMainWnd::OnMenuNotYet},
        {L"menu_screenshot", &CMainWnd::OnMenuNotYet},
        {L"menu_update", &CMainWnd::OnMenuNotYet},
        {L"menu_about", &CMainWnd::OnMenuNotYet},
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

void CMainWnd::OnMenuNotYet(const MenuCmd& command) { LOG_DEBUG(L"CMainWnd on menu clicked : %s", command.szName); }

void CMainWnd::OnMenuShowMain(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : show_main");
    if (IsIconic(m_hWnd)) {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
        return;
    }
    if (m_hSettingDlg && IsWindow(m_hSettingDlg)) ::ShowWindow(m_hSettingDlg, SW_SHOW);
    ::ShowWindow(m_hWnd, SW_SHOW);
}

void CMainWnd::OnMenuExitMain(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : exit_main");
    m_trayIcon.DeleteTrayIcon();
    OnCloseMainWnd();
}

void CMainWnd::OnMenuUserLogout(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : user_logout");
    UserLogout();
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
