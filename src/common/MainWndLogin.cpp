// The main window's login state, closing and logout.
#include "MainWnd.h"

#include "AccountCookie.h"
#include "CCefCommonUI.h"
#include "DeploymentHosts.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWndMessages.h"
#include "UniqueHandle.h"
#include "include/cef_cookie.h"

namespace {

constexpr wchar_t kAccountCookie[] = L"_bp_ff_";
constexpr wchar_t kGameLaunchKey[] = L"SoftWare\\QXORV2\\GameLaunch";
constexpr WPARAM kCloseFromLauncher = 10;
constexpr DWORD kLogoutPauseMs = 500;
constexpr DWORD kCookieWaitMs = 1000;

}  // namespace

bool CMainWnd::UpdateLoginInfo() {
    if (m_account.empty()) {
        if (m_pDragDownBtn) m_pDragDownBtn->SetVisible(false);
        return false;
    }
    if (m_pUserNick) m_pUserNick->SetText(m_nick.empty() ? L"用户未填写昵称" : m_nick.c_str());
    return true;
}

void CMainWnd::ReloadChannelPages() {
    for (const auto& entry : m_channelMap) {
        DuiLib::CControlUI* control = m_PaintManager.FindControl(FormatString(L"cef_%d", entry.first).c_str());
        auto* view = static_cast<CCefCommonUI*>(control);
        if (view && view->GetBrowser()) view->Reload();
    }
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

void CMainWnd::ClearAccountCookie() {
    CefRefPtr<CefCookieManager> manager = CefCookieManager::GetGlobalManager(nullptr);
    if (!manager) {
        LOG_ERROR(L"ClearAccountCookie cefCookieManager is null");
        return;
    }
    std::wstring site = GetDeploymentUrl(DeploymentSite::Account) + L"/";
    if (manager->DeleteCookies(site, kAccountCookie, nullptr))
        LOG_DEBUG(L"delete cookie account");
    else
        LOG_DEBUG(L"failed to delete cookie account");
}

void CMainWnd::OnCloseMainWnd() {
    LOG_INFO(L"CMainWnd::OnCloseMainWnd enter");
    ClearAccountCookie();
    UnregisterHotKey(m_hWnd, m_bossKeyId);
    StopDownloadsOnClose();
    if (m_hGameFrame && IsWindow(m_hGameFrame))
        ::PostMessageW(m_hGameFrame, WM_NOTIFY_USER_LOGOUT, 0, 0);
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
