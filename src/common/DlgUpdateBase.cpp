#include "DlgUpdateBase.h"

#include <shellapi.h>

#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainWnd.h"
#include "UpdateVersion.h"

using namespace DuiLib;

namespace {

constexpr UINT kAppIcon = 102;
constexpr wchar_t kUpdateFailedText[] = L"更新失败，请稍后重试";

}  // namespace

// --- CDlgUpdateBase

void CDlgUpdateBase::InitWindow() {
    m_payloads->SetWindow(m_hWnd);
    SetIcon(kAppIcon);
    m_pCloseBtn = m_PaintManager.FindControl(L"closebtn");
    m_pOkBtn = m_PaintManager.FindControl(L"okbtn");
    if (CControlUI* own = m_PaintManager.FindControl(L"label_ver")) {
        own->SetText(OwnVersionLabel().c_str());
    } else if (CControlUI* offered = m_PaintManager.FindControl(L"ver")) {
        offered->SetText(m_pMainWnd->UpdateInfo().newVersion.c_str());
    }
}

void CDlgUpdateBase::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

void CDlgUpdateBase::OnClick(TNotifyUI& msg) {
    if (msg.pSender == m_pCloseBtn || msg.pSender == m_pOkBtn) Close(kUpdateDlgClosed);
}

LRESULT CDlgUpdateBase::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    StopWorker();
    bHandled = FALSE;
    return 0;
}

void CDlgUpdateBase::StopWorker() {
    m_payloads->SetWindow(nullptr);
    if (!m_thread) return;
    DWORD wait = ::WaitForSingleObject(m_thread.get(), WorkerWaitMs());
    if (wait != WAIT_OBJECT_0)
        LOG_WARNING(L"CDlgUpdateBase worker still runs after %u ms (wait=%u); it ends on its own",
                    static_cast<unsigned>(WorkerWaitMs()), static_cast<unsigned>(wait));
    m_thread.reset();
}

// --- CDlgUpdateComplete

void CDlgUpdateComplete::InitWindow() {
    SetIcon(kAppIcon);
    m_pOkBtn = m_PaintManager.FindControl(L"okbtn");
}

void CDlgUpdateComplete::OnClick(TNotifyUI& msg) {
    if (!msg.pSender || msg.pSender != m_pOkBtn) return;
    if (m_bUpdaterFailed) {
        Close(kUpdateDlgClosed);
        return;
    }
    if (!StartUpdater()) {
        ShowUpdaterFailed();
        return;
    }
    m_pMainWnd->PrepareExitForUpdate();
    LOG_INFO(L"CDlgUpdateComplete the launcher ends for the update");
    ::TerminateProcess(::GetCurrentProcess(), 0);
}

bool CDlgUpdateComplete::StartUpdater() {
    // The updater takes the whole parameter string as the package path, unquoted.
    const std::wstring package = m_pMainWnd->UpdateInfo().packageFile;
    const std::wstring updater = GetExeDir(true) + L"SelfUpdate.exe";
    const std::wstring folder = GetParentDir(package);
    INT_PTR rv = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", updater.c_str(), package.c_str(), folder.c_str(), SW_SHOWNORMAL));
    LOG_INFO(L"CDlgUpdateComplete start %s %s, rv=%d", updater.c_str(), package.c_str(), static_cast<int>(rv));
    return rv > 32;
}

// The launcher keeps running and the player is told nothing.
void CDlgUpdateComplete::ShowUpdaterFailed() {
    LOG_ERROR(L"CDlgUpdateComplete the updater did not start: the launcher goes on");
    m_bUpdaterFailed = true;
    if (CControlUI* desc = m_PaintManager.FindControl(L"label_desc")) desc->SetText(kUpdateFailedText);
    if (CControlUI* hint = m_PaintManager.FindControl(L"label_hint")) hint->SetVisible(false);
    if (CControlUI* icon = m_PaintManager.FindControl(L"update_icon")) icon->SetBkImage(L"dialog/update.png");
    if (m_pOkBtn) m_pOkBtn->SetText(L"确定");
}
