#include "LoginDlg.h"

#include "CCefCommonUI.h"
#include "LogWriter.h"

using namespace DuiLib;

namespace {

constexpr UINT kAppIcon = 102;
constexpr DWORD kUrlChars = 520;

}  // namespace

CLoginDlg::CLoginDlg(const std::wstring& iniPath) : iniPath_(iniPath) {}

void CLoginDlg::InitWindow() { SetIcon(kAppIcon); }

void CLoginDlg::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

void CLoginDlg::OnClick(TNotifyUI& msg) {
    CDuiString name = msg.pSender->GetName();
    name.MakeLower();
    if (name == L"closebtn") Close(0);
}

CControlUI* CLoginDlg::CreateControl(LPCTSTR pstrClass) {
    if (_wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
    CCefCommonUI* control = new CCefCommonUI(&m_PaintManager, this);
    wchar_t url[kUrlChars] = {};
    GetPrivateProfileStringW(L"main", L"Login_url", L"", url, _countof(url), iniPath_.c_str());
    control->LoadUrl(url);
    return control;
}

int CLoginDlg::OpenNewPopupWnd(const wchar_t* url, const wchar_t*) {
    LOG_DEBUG(L"CLoginDlg::Open WebGame page URL=%s", url ? url : L"");
    return 0;
}

void CLoginDlg::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments, CCefCommonUI*) {
    LOG_INFO(L"CLoginDlg::HandleJSCall %s args=%d", functionName ? functionName : L"",
             arguments ? static_cast<int>(arguments->GetSize()) : 0);
}
