#include "ClientAppBrowser.h"

#include <direct.h>

#include <cerrno>

#include "CefProgramTraits.h"
#include "GlobalFunc.h"
#include "LogWriter.h"

namespace {

const wchar_t kFlashDll[] = L"pepflashplayer32_25_0_0_127.dll";
const wchar_t kFlashVersion[] = L"25.0.0.127";

bool IsAscii(const std::wstring& text) {
    for (wchar_t c : text)
        if (c > 0x7F) return false;
    return true;
}

// The plug-in engine cannot load from a folder with non-ASCII characters, so
// the plug-in and its manifest are copied to "<drive root>pepplugins".
void AppendCopiedFlashPath(const std::wstring& folder, CefRefPtr<CefCommandLine> cmd) {
    LOG_WARNING(L"plugin path=%s", folder.c_str());
    size_t slash = folder.find(L'\\');
    std::wstring root = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    std::wstring copyFolder = root + L"pepplugins";
    if (_wmkdir(copyFolder.c_str()) != 0 && errno != EEXIST) {
        LOG_WARNING(L"failed to create foldor =%s", copyFolder.c_str());
        return;
    }
    CopyFileW((folder + L"plugins\\manifest.json").c_str(), (copyFolder + L"\\manifest.json").c_str(), FALSE);
    CopyFileW((folder + L"plugins\\" + kFlashDll).c_str(), (copyFolder + L"\\" + kFlashDll).c_str(), FALSE);
    cmd->AppendSwitchWithValue(L"--ppapi-flash-path", copyFolder + L"\\" + kFlashDll);
}

}  // namespace

void ClientAppBrowser::OnBeforeCommandLineProcessing(const CefString&, CefRefPtr<CefCommandLine> command_line) {
    LOG_DEBUG(L"ClientAppBrowser::OnBeforeCommandLineProcessing() cmd=%s",
              command_line->GetCommandLineString().c_str());
    AppendSwitches(GetExeDir(true), command_line);
}

void ClientAppBrowser::AppendSwitches(const std::wstring& folder, CefRefPtr<CefCommandLine> cmd) {
    if (GetCefProgramTraits().switchSet == BrowserSwitchSet::Player) {
        AppendPlayerSwitches(folder, cmd);
    } else {
        AppendLauncherSwitches(folder, cmd);
    }
}

void ClientAppBrowser::AppendLauncherSwitches(const std::wstring& folder, CefRefPtr<CefCommandLine> cmd) {
    cmd->AppendSwitch(L"--always-authorize-plugins");
    cmd->AppendSwitch(L"--ppapi-out-of-process");
    if (IsAscii(folder)) {
        cmd->AppendSwitchWithValue(L"--ppapi-flash-path", folder + L"plugins\\" + kFlashDll);
        cmd->AppendSwitchWithValue(L"--ppapi-flash-version", kFlashVersion);
    } else {
        AppendCopiedFlashPath(folder, cmd);
    }
    cmd->AppendSwitch(L"no-proxy-server");
    cmd->AppendSwitchWithValue(L"--renderer-process-limit", L"1");
}

// Renderers are not limited, so every tab has a renderer of its own; the
// plug-in is always taken from the program folder.
void ClientAppBrowser::AppendPlayerSwitches(const std::wstring& folder, CefRefPtr<CefCommandLine> cmd) {
    cmd->AppendSwitch(L"--always-authorize-plugins");
    cmd->AppendSwitch(L"--disable-breakpad");
    cmd->AppendSwitch(L"--disable-component-update");
    cmd->AppendSwitch(L"--ppapi-out-of-process");
    cmd->AppendSwitchWithValue(L"--ppapi-flash-path", folder + L"Plugins\\" + kFlashDll);
    cmd->AppendSwitchWithValue(L"--ppapi-flash-version", kFlashVersion);
    cmd->AppendSwitch(L"--enable-npapi");
    cmd->AppendSwitch(L"no-proxy-server");
}

void ClientAppBrowser::OnContextInitialized() { LOG_DEBUG(L"ClientAppBrowser::OnContextInitialized()"); }

void ClientAppBrowser::OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) {
    LOG_DEBUG(L"ClientAppBrowser::OnBeforeChildProcessLaunch() cmd=%s", command_line->GetCommandLineString().c_str());
}
