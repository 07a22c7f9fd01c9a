#include "LoginDlg.h"

#include <shellapi.h>

#include "DeploymentHosts.h"
#include "LogWriter.h"
#include "ShellOpen.h"
#include "WebAddress.h"

using DuiLib::TNotifyUI;

namespace {

constexpr DWORD kUrlChars = 520;

// The shell is given web addresses only.
void ShellOpenWebAddress(const std::wstring& url, int showCommand) {
    if (!IsWebAddress(url)) {
        LOG_WARNING(L"not opened: not a web address, URL=%s", url.c_str());
        return;
    }
    ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, showCommand);
}

}  // namespace

CLoginDlg::CLoginDlg(const std::wstring& iniPath, ICefUIContainer* owner)
    : CCefDialogBase(WS_EX_TOOLWINDOW | WS_EX_TOPMOST), m_iniPath(iniPath), m_owner(owner) {}

std::wstring CLoginDlg::GetStartUrl() {
    wchar_t url[kUrlChars] = {};
    GetPrivateProfileStringW(L"main", L"Login_url", L"", url, _countof(url), m_iniPath.c_str());
    return url;
}

void CLoginDlg::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    DuiLib::CDuiString name = msg.pSender->GetName();
    name.MakeLower();
    if (name == L"homepage_btn")
        ShellOpenWebAddress(GetDeploymentUrl(DeploymentSite::Homepage, m_iniPath), SW_SHOW);
    else
        CCefDialogBase::OnClick(msg);
}

bool CLoginDlg::GetLogin(Login* login) const {
    if (!m_loggedIn) return false;
    if (login) *login = m_login;
    return true;
}

// --- ICefUIContainer slots: engine UI thread.

int CLoginDlg::OpenNewPopupWnd(const wchar_t* url, const wchar_t*) {
    std::wstring address = url ? url : L"";
    m_taskRelay.Post([this, address] { OpenPopup(address); });
    return 0;
}

void CLoginDlg::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments, CCefCommonUI* control) {
    auto call = std::make_shared<const JsCallRecord>(functionName, arguments, control);
    LOG_INFO(L"CLoginDlg::HandleJSCall %s args=%d", call->name.c_str(), static_cast<int>(call->Count()));
    m_taskRelay.Post([this, call] { DispatchJsCall(*call); });
}

// --- Window thread.

void CLoginDlg::DispatchJsCall(const JsCallRecord& call) {
    if (call.name == L"userLogin")
        OnJsCall_UserLogin(call);
    else if (call.name == L"openUrl" && call.Count() >= 2)
        OnJsCall_OpenUrl(call);
}

void CLoginDlg::OnJsCall_UserLogin(const JsCallRecord& call) {
    if (call.Count() >= 2) {
        m_login.account = call.Text(0);
        m_login.nick = call.Text(0);
        m_login.headImageUrl = call.Text(1);
        m_loggedIn = true;
        LOG_DEBUG(L"CLoginDlg::HandleJSCall account=%s nick=%s head=%s", m_login.account.c_str(),
                  m_login.nick.c_str(), m_login.headImageUrl.c_str());
    }
    Close(0);
}

void CLoginDlg::OnJsCall_OpenUrl(const JsCallRecord& call) {
    int type = call.Int(0);
    std::wstring url = call.Text(1);
    LOG_DEBUG(L"login page: open type=%d URL=%s", type, url.c_str());
    if (type == 2 && m_owner)
        m_owner->OpenNewPopupWnd(url.c_str(), nullptr);
    else if (type == 1)
        ShellOpenWebAddress(url, SW_SHOW);
}

void CLoginDlg::OpenPopup(const std::wstring& url) {
    LOG_DEBUG(L"CLoginDlg::Open WebGame page URL=%s", url.c_str());
    if (!IsWebAddress(url)) {
        LOG_WARNING(L"not opened: not a web address, URL=%s", url.c_str());
        return;
    }
    OpenUrlInDefaultBrowser(url, LOG_LEVEL_TRACE);
}
