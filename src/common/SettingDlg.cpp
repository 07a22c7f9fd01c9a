#include "SettingDlg.h"

#include "LogWriter.h"
#include "MainWnd.h"

using namespace DuiLib;

namespace {

constexpr UINT kAppIcon = 102;

bool NameIsOneOf(const CDuiString& name, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* n : names) {
        if (name == n) return true;
    }
    return false;
}

}  // namespace

const wchar_t* const CSettingDlg::kControlNames[kControlCount] = {
    L"closebtn",        L"okbtn",           L"account_btn",   L"common_btn",     L"download_btn",
    L"mainlayout",      L"phone_bind_btn",  L"id_bind_btn",   L"modify_password_btn", L"auto_start",
    L"minimize",        L"exit",            L"cloud_save_btn", L"modify_path_btn", L"open_path_btn",
    L"net_limit_btn",   L"net_limit_edit",  L"mode1_btn",     L"mode2_btn",      L"auto_download_btn",
    L"selected_path_btn",
};

CSettingDlg::CSettingDlg(CMainWnd* mainWnd) : m_pMainWnd(mainWnd) { LOG_DEBUG(L"CSettingDlg()"); }

CSettingDlg::~CSettingDlg() {
    m_pMainWnd->SetSettingDlgWindow(nullptr);
    LOG_DEBUG(L"~CSettingDlg()");
}

void CSettingDlg::InitWindow() {
    SetIcon(kAppIcon);
    m_pMainWnd->SetSettingDlgWindow(m_hWnd);
    for (int i = 0; i < kControlCount; ++i) m_controls[i] = m_PaintManager.FindControl(kControlNames[i]);
    const LauncherSettings& settings = m_pMainWnd->Settings();
    if (settings.autoRun) SelectOption(kAutoStart);
    SelectOption(settings.closeType ? kExit : kMinimize);
}

void CSettingDlg::SelectOption(Control control) {
    CControlUI* c = m_controls[control];
    if (COptionUI* option = c ? static_cast<COptionUI*>(c->GetInterface(L"Option")) : nullptr) option->Selected(true);
}

void CSettingDlg::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

void CSettingDlg::OnSelectChanged(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const CDuiString name = msg.pSender->GetName();
    LauncherSettings& settings = m_pMainWnd->Settings();
    if (name == L"account_btn") {
        LOG_DEBUG(L"CSettingDlg user btn is clicked");
    } else if (name == L"common_btn") {
        LOG_DEBUG(L"CSettingDlg common btn is clicked");
    } else if (name == L"download_btn") {
        LOG_DEBUG(L"CSettingDlg download btn is clicked");
    } else if (name == L"auto_start") {
        LOG_DEBUG(L"CSettingDlg AutoStart btn selected");
        // Selections made while the dialog is being laid out show the setting; they change nothing.
        if (!msg.pSender->IsUpdateNeeded()) settings.autoRun = !settings.autoRun;
    } else if (name == L"minimize") {
        LOG_DEBUG(L"CSettingDlg minimize btn selected");
        settings.closeType = false;
    } else if (name == L"exit") {
        LOG_DEBUG(L"CSettingDlg exit btn selected");
        settings.closeType = true;
    } else if (name == L"mode1_btn") {
        LOG_DEBUG(L"CSettingDlg download mode1 btn selected");
    } else if (name == L"mode2_btn") {
        LOG_DEBUG(L"CSettingDlg download mode2 btn selected");
    }
}

void CSettingDlg::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const CDuiString name = msg.pSender->GetName();
    if (name == L"closebtn" || name == L"okbtn") {
        Close();
    } else if (!NameIsOneOf(name, {L"phone_bind_btn", L"id_bind_btn", L"modify_password_btn", L"modify_path_btn",
                                   L"open_path_btn", L"net_limit_btn", L"auto_download_btn"}) &&
               !name.IsEmpty()) {
        LOG_DEBUG(L"CSettingDlg %s btn is clicked", name.GetData());
    }
}

LRESULT CSettingDlg::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if ((wParam & 0xFFF0) != SC_CLOSE) return WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
    LOG_DEBUG(L"CSettingDlg::OnSysCommand Close");
    Close();
    bHandled = TRUE;
    return 0;
}

LRESULT CSettingDlg::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
    bHandled = false;
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return ResponseDefaultKeyEvent(wParam);
    return 0;
}
