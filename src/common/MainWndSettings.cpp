// The main window's settings: qxtarrow.ini, the screenshot folder and the
// start-with-Windows value.
#include "MainWnd.h"

#include <shlwapi.h>

#include "GlobalFunc.h"
#include "LogWriter.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Corrin";

}  // namespace

void CMainWnd::LoadSettings() {
    m_settings.Load(m_programFolder + L"qxtarrow.ini", [] { return ChooseGameDisk(CDeviceInfo::ReadDrives()); });
}

void CMainWnd::PrepareScreenshotFolder() {
    m_screenshotFullPath = PathJoin(GetModuleDir(), m_settings.screenshotPath);
    if (!PathFileExistsW(m_screenshotFullPath.c_str()) && CreateDirectoryW(m_screenshotFullPath.c_str(), nullptr))
        LOG_DEBUG(L"CreateDirectory success, ScreenshotsFilePath=%s", m_screenshotFullPath.c_str());
    std::wstring ini = m_programFolder + L"qxtarrow.ini";
    WriteSettingsValue(L"WebGame", L"ScreenshotFullPath", m_screenshotFullPath, ini);
}

void CMainWnd::SetAutoRun(bool on) {
    UniqueRegKey key;
    LONG rv = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, key.addressof());
    if (rv != ERROR_SUCCESS) {
        LOG_ERROR(L"SetAutoRun RegOpenKeyEx failed, rv=%u", static_cast<unsigned>(rv));
        return;
    }
    if (on) {
        const std::wstring command = AutoRunCommand(GetModulePath());
        rv = RegSetValueExW(key.get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    } else {
        rv = RegDeleteValueW(key.get(), kRunValue);
        if (rv == ERROR_FILE_NOT_FOUND) rv = ERROR_SUCCESS;
    }
    if (rv != ERROR_SUCCESS) LOG_ERROR(L"SetAutoRun(%d) failed, rv=%u", on ? 1 : 0, static_cast<unsigned>(rv));
}
