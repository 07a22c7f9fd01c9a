#include "DlgUpdateDetect.h"

#include "GlobalFunc.h"
#include "InetHttpClient.h"
#include "LogWriter.h"
#include "MainWnd.h"
#include "UpdateVersion.h"

using namespace DuiLib;

namespace {

constexpr wchar_t kCheckFailedText[] = L"更新失败，请稍后重试";

// The check thread: the server's answer, or an empty body when there is none.
unsigned CheckForUpdate(CUpdateWorkerLink& link) {
    auto body = std::make_unique<std::string>();
    int result = HttpGetVersionInfo(*body);
    if (result != kInetDone) {
        LOG_WARNING(L"CDlgUpdateDetect version check failed, result=%d", result);
        body->clear();
    }
    link.PostOwned(WM_UPDATE_NOTIFY, 0, std::move(body));
    return 0;
}

}  // namespace

void CDlgUpdateDetect::InitWindow() {
    CDlgUpdateBase::InitWindow();
    m_pLabelDesc = m_PaintManager.FindControl(L"label_desc");
    if (!StartWorker<CUpdateWorkerLink, &CheckForUpdate>(std::make_shared<CUpdateWorkerLink>(m_payloads))) {
        LOG_ERROR(L"CDlgUpdateDetect check thread not started, LastError=%u", static_cast<unsigned>(GetLastError()));
        ShowCheckFailed();
    }
}

LRESULT CDlgUpdateDetect::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM lParam, BOOL& bHandled) {
    if (uMsg != WM_UPDATE_NOTIFY) {
        bHandled = FALSE;
        return 0;
    }
    if (std::unique_ptr<std::string> body =
            m_payloads->Take<std::string>(uMsg, L"WM_UPDATE_NOTIFY", static_cast<UINT_PTR>(lParam)))
        OnVersionAnswer(*body);
    return 0;
}

void CDlgUpdateDetect::OnVersionAnswer(const std::string& body) {
    VersionAnswer answer = ParseVersionAnswer(body, &m_remoteVersion, &m_packageUrl);
    if (answer == VersionAnswer::Failed) {
        ShowCheckFailed();
        return;
    }
    if (!m_remoteVersion.empty() && !m_packageUrl.empty()) {
        std::wstring local = GetProductVersion(GetModulePath());
        m_needUpdate = CompareVersion(m_remoteVersion, local) > 0 ? 1 : 0;
        LOG_INFO(L"need update:%d, %s", m_needUpdate, m_remoteVersion.c_str());
    }
    if (!m_needUpdate) {
        Close(kUpdateDlgLatest);
        return;
    }
    if (m_pOkBtn) m_pOkBtn->SetText(L"立即更新");
    if (m_pLabelDesc) m_pLabelDesc->SetText((L"检测到新版本 V" + m_remoteVersion).c_str());
}

void CDlgUpdateDetect::ShowCheckFailed() {
    if (m_pLabelDesc) m_pLabelDesc->SetText(kCheckFailedText);
}

void CDlgUpdateDetect::OnClick(TNotifyUI& msg) {
    if (m_needUpdate && msg.pSender && msg.pSender == m_pOkBtn) {
        SelfUpdateInfo& info = m_pMainWnd->UpdateInfo();
        info.packageUrl = m_packageUrl;
        info.newVersion = m_remoteVersion;
        Close(kUpdateDlgChosen);
        return;
    }
    CDlgUpdateBase::OnClick(msg);
}
