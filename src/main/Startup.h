#pragma once
// The launcher's start-up steps that run in every one of its processes before
// the engine decides the process role, and the restart after a user switch.
// All of it runs on the process's main thread except the two hook
// replacements, which run on whatever thread calls the hooked function.
#include <windows.h>

#include <new>
#include <utility>

// Set by the main window's "user_switch" command; read after shut-down.
extern bool g_restartOnExit;

// Installs the SetUnhandledExceptionFilter hook, then the CreateProcessA hook.
void InstallStartupHooks();

// The logger's level mask from LogLevel in [main] of qxtarrow.ini beside
// the program (default 63).
void ApplyLogLevel();

// Points the skin library at this program (its instance, the resource
// folder "<program folder>Skin") and routes its log lines into the
// logger (Warning). Browser process, before the first window.
void SetUpSkinLibrary(HINSTANCE instance);

namespace DuiLib {
class CWindowWnd;
}
// Creates the program's top-level window (no parent) and centres it. When
// it cannot be made: the Error line failureLine, the window object deleted
// (nothing else would end a loop for it), OLE released, false.
bool CreateCentredMainWindow(DuiLib::CWindowWnd* window, const wchar_t* title, DWORD style, int cx, int cy,
                             const wchar_t* failureLine);

// Starts "Tolvane.exe" and then "Ferrule.exe" from the program's folder,
// hidden, with "-s"; a failure is only logged.
void StartSidePrograms();

// CreateProcessA, except that a command line holding both "cmd.exe" and
// "NOT SANDBOXED" starts nothing and reports success.
BOOL WINAPI MyCreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                             LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                             LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                             LPPROCESS_INFORMATION processInformation);

// Keeps the crash filter in force: installs nothing and answers null.
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI MySetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// Starts this program again with "SwitchUserRestart"; true when it started.
bool RestartTarrow();

// The ShellExecuteW call RestartTarrow makes, replaceable by tests.
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
void SetRestartShellExecuteForTest(ShellExecuteFn fn);

// Builds a T on the heap; null instead of an exception when memory runs out.
template <class T, class... Args>
T* NewOrNull(Args&&... args) noexcept {
    try {
        return new T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
