// The main window's account: the login dialog, what follows a login, the
// café and free logins, the token watch and the logged-out state, the lobby
// and my-games switches that go with them, closing and logout.
#include "MainWnd.h"

#include "AccountCookie.h"
#include "AccountPaths.h"
#include "CCefCommonUI.h"
#include "DeploymentHosts.h"
#include "GlobalFunc.h"
#include "HandOverFile.h"
#include "LogWriter.h"
#include "LoginDlg.h"
#include "MainWndMessages.h"
#include "Startup.h"
#include "UniqueHandle.h"

using namespace DuiLib;

namespace {

constexpr int kLoginDlgWidth = 800;
constexpr int kLoginDlgHeight = 572;
constexpr UINT kLoginTokenPeriodMs = 5000;
// The engine answers a cookie request on its IO thread within milliseconds;
// the bound only keeps a stalled engine from holding the window.
constexpr DWORD kCookieWaitMs = 1000;
constexpr wchar_t kGameLaunchKey[] = L"SoftWare\\QXORV2\\GameLaunch";
constexpr WPARAM kCloseFromLauncher = 10;
constexpr DWORD kLogoutPauseMs = 500;
constexpr wchar_t kLobbyChannel[] = L"游戏大厅";
constexpr wchar_t kMyGamesChannel[] = L"我的游戏";

}  // namespace

// --- The login dialog

bool CMainWnd::ShowLoginWnd(bool skip, bool refreshAfter) {
    if (skip || !m_account.empty()) return true;
    // A page may ask for the login while the dialog runs (its modal loop runs the page calls): one dialog.
    if (m_loginDlgOpen) return true;
    // Another modal dialog runs (any program can post 5027): it comes to the front instead.
    if (BringModalDialogToFront()) return true;
    std::unique_ptr<CLoginDlg> dialog(new (std::nothrow) CLoginDlg(m_programFolder + L"qxtarrow.ini", this));
    if (!dialog) return false;
    if (!dialog->Create(m_hWnd, L"Vanta登录窗口", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, kLoginDlgWidth,
                        kLoginDlgHeight)) {
        LOG_ERROR(L"CMainWnd::ShowLoginWnd the login dialog cannot be created, LastError=%u", GetLastError());
        return false;
    }
    dialog->CenterWindow();
    m_loginDlgOpen = true;
    RunModalLoop(dialog.get());
    m_loginDlgOpen = false;
    CLoginDlg::Login login;
    if (dialog->GetLogin(&login)) {
        m_account = login.account;
        m_nick = login.nick;
        m_headImageUrl = login.headImageUrl;
    }
    dialog.reset();
    if (!m_account.empty() && refreshAfter) UpdateLoginInfo();
    StartLoginTokenWatch();
    ReloadChannelPages();
    return true;
}

// --- After a login

bool CMainWnd::UpdateLoginInfo() {
    // The drag-down menu (switch account, log out) is there while someone is logged in.
    if (m_pDragDownBtn) m_pDragDownBtn->SetVisible(!m_account.empty());
    if (m_account.empty()) return false;
    if (m_pUserNick) m_pUserNick->SetText(m_nick.empty() ? L"用户未填写昵称" : m_nick.c_str());
    StartMyGameListRequest();
    if (!m_headImageUrl.empty()) StartHeadImageDownload();
    std::wstring user = std::wstring(m_pUserNick ? m_pUserNick->GetText().GetData() : m_nick.c_str()) +
                        kHeaderImageMarker + HeadImagePath(m_programFolder, m_account);
    std::wstring path = HandOverFilePath(m_programFolder, kUserFileName);
    if (WriteHandOverFile(path, user))
        LOG_DEBUG(L"write 10002.txt success, uesr_data=%s", user.c_str());
    else
        LOG_ERROR(L"fopen 10002.txt failed: %s", path.c_str());
    return true;
}

void CMainWnd::ReloadChannelPages() {
    for (const auto& entry : m_channelMap) {
        CControlUI* control = m_PaintManager.FindControl(FormatString(L"cef_%d", entry.first).c_str());
        auto* view = static_cast<CCefCommonUI*>(control);
        if (view && view->GetBrowser()) view->Reload();
    }
}

// --- Page calls of the account (window thread)

void CMainWnd::OnJsCall_LoginByICafe(const JsCallRecord& call) {
    m_account = call.Text(0);
    m_nick = call.Text(0);
    m_headImageUrl = call.Text(1);
    m_cafeLogin = call.Int(2) == 1;
    LOG_DEBUG(L"CMainWnd::OnJsCall_LoginByICafe account=%s nick=%s head=%s", m_account.c_str(), m_nick.c_str(),
              m_headImageUrl.c_str());
    UpdateLoginInfo();
    m_loginToken = ReadTokenFromCookie();
    ShowMyGamesForCafeLogin();
}

void CMainWnd::OnJsCall_UserLoginByFree(const JsCallRecord& call) {
    m_account = call.Text(0);
    m_nick = call.Text(0);
    m_headImageUrl = call.Text(1);
    if (!m_account.empty()) {
        m_freeLogin = true;
        UpdateLoginInfo();
    }
    m_loginToken = ReadTokenFromCookie();
    ReloadChannelPages();
}

void CMainWnd::OnJsCall_NavigateGameLobby(const JsCallRecord&) { ShowGameLobby(std::wstring(), false); }

// --- Channel switches

int CMainWnd::FindChannelIndex(const wchar_t* name) const {
    for (const auto& entry : m_channelMap) {
        if (entry.second.name == name) return entry.first;
    }
    LOG_WARNING(L"CMainWnd no channel named %s", name);
    return -1;
}

CCefCommonUI* CMainWnd::ChannelView(int index) {
    return static_cast<CCefCommonUI*>(m_PaintManager.FindControl(FormatString(L"cef_%d", index).c_str()));
}

void CMainWnd::ShowMyGamesForCafeLogin() {
    int index = FindChannelIndex(kMyGamesChannel);
    if (index < 0) return;
    if (CCefCommonUI* view = ChannelView(index))
        view->Navigate2(CafeLoginPageUrl(m_channelMap[index].linkUrl, m_startGameTail).c_str(), true);
    ShowChannelTab(index, true);
}

void CMainWnd::ShowGameLobby(const std::wstring& url, bool logout) {
    int index = FindChannelIndex(kLobbyChannel);
    if (index < 0) return;
    const std::wstring& link = m_channelMap[index].linkUrl;
    std::wstring address = url;
    if (address.empty())
        address = logout ? LogoutPageUrl(link, HostOfUrl(GetDeploymentUrl(DeploymentSite::Account))) : link;
    if (CCefCommonUI* view = ChannelView(index)) view->Navigate2(address.c_str(), true);
    ShowChannelTab(index, true);
}

// A page game's login page, asked for by another program: shown in the
// lobby channel and taken as a start request, the window brought to the front.
void CMainWnd::OnOpenPageGameLogin(int gameId, int gameType) {
    if (IsIconic(m_hWnd)) SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    std::wstring url = FormatString(L"http://%s/pageGameLogin?gameId=%d",
                                    HostOfUrl(GetDeploymentUrl(DeploymentSite::Web)).c_str(), gameId);
    LOG_INFO(L"nPkgid = %d, url = %s", gameId, url.c_str());
    ParseStartGameInfo(url.c_str());
    ShowGameLobby(url, false);
    HWND foreground = GetForegroundWindow();
    LOG_DEBUG(L"CMainWnd::HandleCustomMessage switch to game(%u) launch page, type=%u, foreWindow=0x%p",
              static_cast<unsigned>(gameId), static_cast<unsigned>(gameType), static_cast<void*>(foreground));
    if (IsWindowVisible(m_hWnd) && foreground == m_hWnd) return;
    ::ShowWindow(m_hWnd, SW_SHOW);
    DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    DWORD thisThread = GetCurrentThreadId();
    bool attached = foregroundThread && foregroundThread != thisThread &&
                    AttachThreadInput(thisThread, foregroundThread, TRUE);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_hWnd);
    if (attached) AttachThreadInput(thisThread, foregroundThread, FALSE);
}

// --- The token watch and the logged-out state

std::wstring CMainWnd::ReadTokenFromCookie() {
    CefCookie cookie;
    bool found = false;
    switch (VisitAccountCookie(&cookie, &found, kCookieWaitMs)) {
    case CookieStoreResult::Done:
        return found ? cookie.value.ToWString() : std::wstring();
    case CookieStoreResult::NoManager:
        LOG_ERROR(L"ReadTokenFromCookie cefCookieManager is null");
        return std::wstring();
    case CookieStoreResult::Refused:
        LOG_ERROR(L"ReadTokenFromCookie the cookie visit was refused");
        return std::wstring();
    case CookieStoreResult::TimedOut:
        break;
    }
    // Not known now: the token stays what the last finished visit read.
    LOG_WARNING(L"ReadTokenFromCookie the cookie visit did not finish within %u ms", kCookieWaitMs);
    return m_loginToken;
}

void CMainWnd::StartLoginTokenWatch() {
    m_loginToken = ReadTokenFromCookie();
    if (!m_loginToken.empty()) SetTimer(m_hWnd, kTimerLoginToken, kLoginTokenPeriodMs, nullptr);
}

void CMainWnd::CheckLoginToken() {
    m_loginToken = ReadTokenFromCookie();
    if (m_loginToken.empty()) ShowLoggedOutState();
}

void CMainWnd::ShowLoggedOutState() {
    KillTimer(m_hWnd, kTimerLoginToken);
    if (!m_cafeLogin) ClearAccountCookie();
    m_account.clear();
    DropSessionHandOver();
    if (m_pDragDownBtn) m_pDragDownBtn->SetVisible(false);
    if (m_pUserNick) m_pUserNick->SetText(L"登录");
    if (m_pHeaderBtn) m_pHeaderBtn->SetBkImage(DefaultHeadImagePath(m_programFolder).c_str());
}

void CMainWnd::ClearAccountCookie() {
    switch (DeleteAccountCookie(kCookieWaitMs)) {
    case CookieStoreResult::NoManager:
        LOG_ERROR(L"ClearAccountCookie cefCookieManager is null");
        break;
    case CookieStoreResult::Done:
        LOG_DEBUG(L"delete cookie account");
        break;
    default:
        LOG_DEBUG(L"failed to delete cookie account");
        break;
    }
}

// --- Menu rows of the account

void CMainWnd::OnMenuUserSwitch(const MenuCmd&) {
    LOG_DEBUG(L"CMainWnd on menu clicked : user_switch");
    g_restartOnExit = true;
    UserLogout();
}

void CMainWnd::OnMenuLoginOut(const MenuCmd&) {
    LOG_DEBUG(L"user loginout");
    ShowLoggedOutState();
    ShowGameLobby(std::wstring(), true);
    m_cafeLogin = false;
}

// --- Closing and logout

void CMainWnd::OnCloseMainWnd() {
    LOG_INFO(L"CMainWnd::OnCloseMainWnd enter");
    ClearAccountCookie();
    UnregisterHotKey(m_hWnd, m_bossKeyId);
    StopDownloadsOnClose();
    // The files go first: a player that is starting either has its frame
    // already (it may have read them) and is told below, or finds none.
    DropSessionHandOver();
    if (HWND frame = GameFrame())
        ::PostMessageW(frame, WM_NOTIFY_USER_LOGOUT, 0, 0);
    else
        LOG_INFO(L"CMainWnd::OnCloseMainWnd webgame hwnd=0x%p is not window", static_cast<void*>(m_hGameFrame));
    m_trayIcon.DeleteTrayIcon();
    PostMessage(WM_CLOSE, kCloseFromLauncher, 0);
    StopProgressThread();
    if (m_account.empty()) return;
    UniqueRegKey key;
    LONG rv = RegOpenKeyExW(HKEY_CURRENT_USER, kGameLaunchKey, 0, KEY_ALL_ACCESS, key.addressof());
    if (rv != ERROR_SUCCESS) {
        LOG_ERROR(L"RegOpenKeyEx failed, rv=%u LastError=0x%X", static_cast<unsigned>(rv), GetLastError());
    } else if ((rv = RegDeleteValueW(key.get(), L"param")) != ERROR_SUCCESS) {
        LOG_ERROR(L"RegDeleteValue failed, rv=%u LastError=0x%X", static_cast<unsigned>(rv), GetLastError());
    }
    LOG_DEBUG(L"CMainWnd.DoUserLogout");
    Sleep(kLogoutPauseMs);
    LOG_DEBUG(L"CMainWnd done run jscode: user logout");
    m_account.clear();
}

void CMainWnd::UserLogout() {
    OnCloseMainWnd();
    LOG_DEBUG(L"CMainWnd.UserLogout done");
}
