#include "Startup.h"

#include "GlobalFunc.h"
#include "HookAPI.h"
#include "LogWriter.h"

#include <UIlib.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstring>
#include <mutex>

bool g_restartOnExit = false;

namespace {

// Prepared during static initialisation, installed by InstallStartupHooks,
// restored by their destructors at process exit.
CHookAPI g_createProcessHook("CreateProcessA", reinterpret_cast<const void*>(&MyCreateProcessA));
CHookAPI g_setFilterHook("SetUnhandledExceptionFilter",
                         reinterpret_cast<const void*>(&MySetUnhandledExceptionFilter));

// Serialises the lift / call / re-install sequence of the CreateProcessA hook
// between threads that come through the hook at the same time.
std::mutex g_createProcessLock;

ShellExecuteFn g_restartShellExecute = &ShellExecuteW;
int g_restartAttempts = 0;

constexpr DWORD kPathChars = 260;

std::wstring ProgramPath() {
    wchar_t path[kPathChars + 1] = {};
    GetModuleFileNameW(nullptr, path, kPathChars);
    return path;
}

void RouteSkinLogToLogger(LPCTSTR line) { LOG_AS("DuiLib", LOG_LEVEL_WARNING, L"%s", line); }

}  // namespace

void InstallStartupHooks() {
    g_setFilterHook.Toggle();
    g_createProcessHook.Toggle();
}

void ApplyLogLevel() {
    std::wstring ini = GetExeDir(true) + L"qxtarrow.ini";
    LogWriter::GetInstance()->levelMask = GetPrivateProfileIntW(L"main", L"LogLevel", 63, ini.c_str());
}

void SetUpSkinLibrary(HINSTANCE instance) {
    DuiLib::CPaintManagerUI::SetInstance(instance);
    DuiLib::CPaintManagerUI::SetResourcePath(DuiLib::CPaintManagerUI::GetInstancePath() + L"Skin\\");
    DuiLib::CPaintManagerUI::SetLogSink(&RouteSkinLogToLogger);
}

bool CreateCentredMainWindow(DuiLib::CWindowWnd* window, const wchar_t* title, DWORD style, int cx, int cy,
                             const wchar_t* failureLine) {
    if (!window->Create(nullptr, title, style, 0, 0, 0, cx, cy)) {
        LOG_AS("wWinMain", LOG_LEVEL_ERROR, L"%s", failureLine);
        delete window;
        OleUninitialize();
        return false;
    }
    window->CenterWindow();
    return true;
}

void StartSidePrograms() {
    std::wstring folder = GetParentDir(ProgramPath());
    for (const wchar_t* name : {L"Tolvane.exe", L"Ferrule.exe"}) {
        std::wstring path = PathJoin(folder, name);
        HINSTANCE result = ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), L"-s", nullptr, SW_HIDE);
        if (reinterpret_cast<INT_PTR>(result) > 31)
            LOG_AS("wWinMain", LOG_LEVEL_DEBUG, L"%s ShellExecute success, Path=%s", name, path.c_str());
        else
            LOG_AS("wWinMain", LOG_LEVEL_ERROR, L"%s ShellExecute failed, Path=%s", name, path.c_str());
    }
}

BOOL WINAPI MyCreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                             LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                             LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                             LPPROCESS_INFORMATION processInformation) {
    if (commandLine && strstr(commandLine, "cmd.exe") && strstr(commandLine, "NOT SANDBOXED")) return TRUE;
    std::lock_guard<std::mutex> hold(g_createProcessLock);
    if (g_createProcessHook.Target() && g_createProcessHook.IsInstalled()) g_createProcessHook.Toggle();
    BOOL result = CreateProcessA(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                                 creationFlags, environment, currentDirectory, startupInfo, processInformation);
    g_createProcessHook.Toggle();
    return result;
}

LPTOP_LEVEL_EXCEPTION_FILTER WINAPI MySetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER) {
    LOG_AS("MySetUnhandledExceptionFilter", LOG_LEVEL_DEBUG, L"MySetUnhandledExceptionFilter is called");
    return nullptr;
}

void SetRestartShellExecuteForTest(ShellExecuteFn fn) { g_restartShellExecute = fn ? fn : &ShellExecuteW; }

bool RestartTarrow() {
    std::wstring path = ProgramPath();
    for (;;) {
        HINSTANCE rv = g_restartShellExecute(GetDesktopWindow(), L"open", path.c_str(), L"SwitchUserRestart", nullptr,
                                             SW_SHOW);
        INT_PTR result = reinterpret_cast<INT_PTR>(rv);
        if (result >= 32) {
            LOG_AS("RestartTarrow", LOG_LEVEL_INFO, L"Restart tarrow, ShellExecute done, path=%s", path.c_str());
            return true;
        }
        LOG_AS("RestartTarrow", LOG_LEVEL_ERROR, L"Restart tarrow, ShellExecute failed, rv=%d, Path=%s",
               static_cast<int>(result), path.c_str());
        if (result != SE_ERR_ACCESSDENIED || ++g_restartAttempts >= 3) return false;
        Sleep(200);
    }
}
