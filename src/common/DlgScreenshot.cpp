#include "DlgScreenshot.h"

#include <shlobj.h>

#include <memory>

#include "LauncherSettings.h"
#include "LogWriter.h"
#include "MainWnd.h"

using namespace DuiLib;

namespace {

constexpr UINT kAppIcon = 102;
// BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_BROWSEINCLUDEFILES
constexpr UINT kPickerFlags = 16389;

struct ItemListDeleter {
    void operator()(ITEMIDLIST* list) const { ::CoTaskMemFree(list); }
};
using UniqueItemList = std::unique_ptr<ITEMIDLIST, ItemListDeleter>;

// The picker starts on the folder in data and shows the selected path as its status.
int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM lParam, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        ::SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
        ::SendMessageW(picker, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(L""));
        ::SetWindowTextW(picker, L"浏览目录");
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
            ::SendMessageW(picker, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

}  // namespace

void CDlgScreenshot::InitWindow() {
    SetIcon(kAppIcon);
    m_pCloseBtn = m_PaintManager.FindControl(L"closebtn");
    m_pOkBtn = m_PaintManager.FindControl(L"okbtn");
    m_pBrowseBtn = m_PaintManager.FindControl(L"browsebtn");
    m_pPathEdit = m_PaintManager.FindControl(L"selected_path_edit");
    const std::wstring& folder = m_pMainWnd->ScreenshotFolder();
    if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES && !::CreateDirectoryW(folder.c_str(), nullptr))
        LOG_WARNING(L"CDlgScreenshot cannot create %s, LastError=%u", folder.c_str(), ::GetLastError());
    if (m_pPathEdit) m_pPathEdit->SetText(folder.c_str());
}

void CDlgScreenshot::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

void CDlgScreenshot::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    if (msg.pSender == m_pCloseBtn) {
        Close();
    } else if (msg.pSender == m_pOkBtn) {
        SaveFolder();
        Close();
    } else if (msg.pSender == m_pBrowseBtn) {
        BrowseForFolder();
    }
}

void CDlgScreenshot::SaveFolder() {
    if (!m_pPathEdit) return;
    std::wstring folder = m_pPathEdit->GetText().GetData();
    // Not written: the player keeps the stored folder, and so does the launcher.
    if (!WriteSettingsValue(L"WebGame", L"ScreenshotFullPath", folder, m_pMainWnd->ProgramFolder() + L"qxtarrow.ini"))
        return;
    m_pMainWnd->ScreenshotFolder() = folder;
    LOG_INFO(L"CDlgScreenshot screenshot folder=%s", folder.c_str());
}

void CDlgScreenshot::BrowseForFolder() {
    std::wstring current = m_pPathEdit ? m_pPathEdit->GetText().GetData() : std::wstring();
    BROWSEINFOW info = {};
    info.hwndOwner = m_hWnd;
    info.lpszTitle = L"请选择路径";
    info.ulFlags = kPickerFlags;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(current.c_str());
    UniqueItemList chosen(::SHBrowseForFolderW(&info));
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(chosen.get(), path) && m_pPathEdit) m_pPathEdit->SetText(path);
}
