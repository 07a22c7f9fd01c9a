#include "DlgUpdating.h"

#include <shlobj.h>

#include "GlobalFunc.h"
#include "InetHttpClient.h"
#include "LogWriter.h"
#include "MainWnd.h"
#include "UpdateVersion.h"

using namespace DuiLib;

namespace {

constexpr wchar_t kDownloadFailedText[] = L"更新失败，请稍后重试";

// What the download thread works on, shared with the dialog.
struct PackageDownload : CUpdateWorkerLink {
    PackageDownload(std::shared_ptr<PayloadQueue> payloads, const std::wstring& url)
        : CUpdateWorkerLink(std::move(payloads)), packageUrl(url) {}
    const std::wstring packageUrl;
    int lastPercent = -1;   // download thread only
};

// Progress of the download: posted when the percent moves; a stopped
// dialog cancels the download.
bool OnDownloadProgress(void* context, int percent, int) {
    auto* download = static_cast<PackageDownload*>(context);
    if (download->Stopped()) return false;
    if (percent != download->lastPercent) {
        download->lastPercent = percent;
        download->Post(WM_UPDATE_NOTIFY, static_cast<WPARAM>(percent), 0);
    }
    return true;
}

unsigned DownloadPackage(PackageDownload& download) {
    std::wstring folder = UpdatePackageFolder(GetModuleDir());
    std::wstring folderPath = TrimTrailingBackslashes(folder);
    if (GetFileAttributesW(folderPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        int rv = SHCreateDirectoryExW(nullptr, folderPath.c_str(), nullptr);
        if (rv != ERROR_SUCCESS) LOG_ERROR(L"CDlgUpdating create %s failed, rv=%d", folderPath.c_str(), rv);
    }
    std::wstring file = UpdatePackagePath(folder, GetTickCount());
    LOG_INFO(L"CDlgUpdating download %s to %s", download.packageUrl.c_str(), file.c_str());
    int result = HttpDownloadToFile(download.packageUrl.c_str(), file.c_str(), &OnDownloadProgress, &download, false);
    LOG_INFO(L"download:%d,%s,%s", result, download.packageUrl.c_str(), file.c_str());
    download.PostOwned(WM_UPDATE_DOWNLOAD_RESULT, static_cast<WPARAM>(CheckedDownloadResult(result, file)),
                       std::make_unique<std::wstring>(file));
    return 0;
}

}  // namespace

void CDlgUpdating::InitWindow() {
    CDlgUpdateBase::InitWindow();
    CControlUI* progress = m_PaintManager.FindControl(L"progress1");
    m_pProgress = progress ? static_cast<CProgressUI*>(progress->GetInterface(L"Progress")) : nullptr;
    m_pLabelProgress = m_PaintManager.FindControl(L"label_progress");
    auto download = std::make_shared<PackageDownload>(m_payloads, m_pMainWnd->UpdateInfo().packageUrl);
    if (!StartWorker<PackageDownload, &DownloadPackage>(download)) {
        LOG_ERROR(L"CDlgUpdating download thread not started, LastError=%u", static_cast<unsigned>(GetLastError()));
        ShowFailed();
    }
}

LRESULT CDlgUpdating::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (uMsg == WM_UPDATE_NOTIFY) {
        OnProgress(wParam);
    } else if (uMsg == WM_UPDATE_DOWNLOAD_RESULT) {
        if (std::unique_ptr<std::wstring> packageFile =
                m_payloads->Take<std::wstring>(uMsg, L"WM_UPDATE_DOWNLOAD_RESULT", static_cast<UINT_PTR>(lParam)))
            OnDownloadResult(static_cast<int>(wParam), *packageFile);
    } else {
        bHandled = FALSE;
    }
    return 0;
}

void CDlgUpdating::OnProgress(WPARAM percent) {
    std::wstring text;
    if (!UpdateProgressText(static_cast<unsigned long>(percent), &text)) return;
    if (m_pProgress) m_pProgress->SetValue(static_cast<int>(percent));
    if (m_pLabelProgress) m_pLabelProgress->SetText(text.c_str());
}

void CDlgUpdating::OnDownloadResult(int result, const std::wstring& packageFile) {
    LOG_INFO(L"download result:err=%d", result);
    if (result != 0 || packageFile.empty()) {
        ShowFailed();
        return;
    }
    m_pMainWnd->UpdateInfo().packageFile = packageFile;
    Close(kUpdateDlgDownloaded);
}

void CDlgUpdating::ShowFailed() {
    if (CControlUI* offered = m_PaintManager.FindControl(L"ver")) offered->SetVisible(false);
    if (CControlUI* desc = m_PaintManager.FindControl(L"label_desc")) desc->SetText(kDownloadFailedText);
}
