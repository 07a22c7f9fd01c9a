#include "MainWnd.h"

#include "CCefCommonUI.h"
#include "GlobalFunc.h"
#include "LogWriter.h"

using namespace DuiLib;

CMainWnd::CMainWnd() {
    m_programFolder = GetExeDir(true);
    m_programFolderUrl = m_programFolder;
    for (wchar_t& c : m_programFolderUrl) {
        if (c == L'\\') c = L'/';
    }
    m_startPageUrl = L"file:///" + m_programFolderUrl + L"html/index.html";
}

CMainWnd::~CMainWnd() = default;

void CMainWnd::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    PostQuitMessage(0);
    delete this;
}

void CMainWnd::InitWindow() {
    LOG_DEBUG(L"CMainWnd::InitWindow(0x%p)", static_cast<void*>(GetHWND()));
    m_pGameLobby = static_cast<CCefCommonUI*>(m_PaintManager.FindControl(L"Cef_Game_lobby"));
    if (m_pGameLobby) m_pGameLobby->LoadUrl(m_startPageUrl.c_str());
}

void CMainWnd::OnClick(TNotifyUI& msg) {
    CDuiString name = msg.pSender->GetName();
    if (name == L"closebtn") {
        Close(IDOK);
    } else if (name == L"minbtn") {
        ShowWindow(SW_MINIMIZE);
    }
}

CControlUI* CMainWnd::CreateControl(LPCTSTR pstrClass) {
    if (_wcsicmp(pstrClass, L"Cef") == 0) return new CCefCommonUI(&m_PaintManager, this);
    return nullptr;
}

int CMainWnd::OpenNewPopupWnd(const wchar_t* url, const wchar_t* params) {
    LOG_INFO(L"CMainWnd::OpenNewPopupWnd url=%s param=%s", url ? url : L"", params ? params : L"");
    return 0;
}

void CMainWnd::HandleJSCall(const wchar_t* functionName, CefRefPtr<CefListValue> arguments, CCefCommonUI*) {
    LOG_INFO(L"CMainWnd::HandleJSCall %s, %d arguments", functionName ? functionName : L"",
             arguments ? static_cast<int>(arguments->GetSize()) : 0);
}

void CMainWnd::OnWebPageLoadEnd(CCefCommonUI* control, const wchar_t* frameUrl) {
    LOG_INFO(L"CMainWnd::OnWebPageLoadEnd url=%s", frameUrl ? frameUrl : L"");
    if (control) control->SetScriptRunFlag(false);
}
