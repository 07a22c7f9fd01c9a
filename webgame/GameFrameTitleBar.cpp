// The frame's title-bar features that open a window over it: the
// screenshot (and its message box) and the small-account windows. Each runs
// modally over the frame, inside a ModalRun, so a close asked for meanwhile
// ends that window first.
#include "GameFrame.h"

#include "LogWriter.h"
#include "PlayerSettings.h"
#include "ScreenCapture.h"
#include "SmallAccountDlg.h"

namespace {

constexpr unsigned kFolderChars = 520;

}  // namespace

// The frame as it stands on the display, as "MyPicture<N>.png" in the
// screenshot folder. The number goes on from the last shot and is kept at
// once; a failed shot keeps the old number and says so.
void CMainWnd::Screenshot() {
    std::wstring folder = ReadWebGameString(L"ScreenshotFullPath", L"", kFolderChars);
    folder = screencapture::WithSeparator(folder.empty() ? m_programFolder : folder);
    const int number = screencapture::NextFreeNumber(folder, m_screenshotCounter);
    const std::wstring path = folder + screencapture::PictureName(number);
    const ULONGLONG start = ::GetTickCount64();
    const bool saved = screencapture::SaveWindowAsPng(m_hWnd, path);
    if (saved) {
        m_screenshotCounter = number;
        WriteWebGameString(L"SCreenID", std::to_wstring(number));
        LOG_INFO(L"CMainWnd::Screenshot %s saved in %llu ms", path.c_str(), ::GetTickCount64() - start);
    } else {
        LOG_ERROR(L"CMainWnd::Screenshot %s could not be saved", path.c_str());
    }
    ModalRun modal(*this);
    ::MessageBoxW(m_hWnd, saved ? L"截屏保存成功（路径设置参见游戏大厅右上角）" : L"截屏保存失败", L"提示", MB_OK);
}

// The window shows the shown tab's request parameter (none: no window) and
// lives for its modal run; the caller's object goes afterwards.
void CMainWnd::RunSmallAccountWindow(CSmallAccountDlg& dialog) {
    ModalRun modal(*this);
    if (!dialog.RunModal(ShownTabParam())) LOG_DEBUG(L"CMainWnd: no small-account window for a tab without a parameter");
}
