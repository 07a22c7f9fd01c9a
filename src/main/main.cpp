// Entry of every process of the launcher: the browser process that shows the
// main window and each engine sub-process started from this program file.
#include <windows.h>
#include <ole2.h>

#include <string>

#include <UIlib.h>

#include "CafeClient.h"
#include "CefMainInit.h"
#include "CrashHandle.h"
#include "GlobalFunc.h"
#include "LogWriter.h"
#include "MainMessageLoopWin.h"
#include "MainWnd.h"
#include "MainWndMessages.h"
#include "Startup.h"

namespace {

bool HasStartGameRequest(const wchar_t* commandLine) {
    return commandLine && wcsstr(commandLine, L"gameId=") != nullptr;
}

// The browser process once the engine is up: window, loop, the first steps of
// the shut-down. False when OLE, the window object or its window could not be
// set up (no loop ran).
bool RunBrowserProcess(HINSTANCE instance, const wchar_t* commandLine) {
    SetUpSkinLibrary(instance);
    if (FAILED(OleInitialize(nullptr))) return false;
    // The loop exists before the window: what the window's browsers hand to
    // the window thread meanwhile waits in its queue.
    CMainMessageLoopWin loop;
    CMainWnd* mainWnd = NewOrNull<CMainWnd>();
    if (!mainWnd) {
        OleUninitialize();
        return false;
    }
    if (GetCafeClientPath().empty())
        mainWnd->SetNoCafeClient(1);
    else if (HasStartGameRequest(commandLine))
        mainWnd->ParseStartGameInfo(commandLine);
    mainWnd->DoReportQXTarrow();
    if (!CreateCentredMainWindow(mainWnd, kMainWndTitle, WS_VISIBLE | WS_OVERLAPPEDWINDOW, 1280, 800,
                                 L"main window create failed")) {
        return false;
    }

    LOG_AS("wWinMain", LOG_LEVEL_INFO, L"is_multi_threaded_message_loop");
    loop.Run();
    LOG_AS("wWinMain", LOG_LEVEL_DEBUG, L"---- WinMain out loop ----");
    g_crashDumpEnabled = 0;
    OleUninitialize();
    Sleep(100);
    return true;
}

// A start-game request that found the launcher running: the window object
// takes it and is dropped again; nothing is handed to the running instance.
void DropStartGameRequest(const wchar_t* commandLine) {
    CMainWnd* mainWnd = NewOrNull<CMainWnd>();
    if (!mainWnd) return;
    mainWnd->ParseStartGameInfo(commandLine);
    delete mainWnd;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    SetUnhandledExceptionFilter(&AppCrashHandler);
    InstallStartupHooks();
    ApplyLogLevel();
    StartSidePrograms();
    bool restart = commandLine && wcsstr(commandLine, L"SwitchUserRestart") != nullptr;

    bool multiThreadedLoop = false;
    bool ok = false;
    {
        // An engine sub-process ends inside this constructor.
        CefMainInit engine(instance, restart, multiThreadedLoop, ok);
        if (!ok) {
            if (HasStartGameRequest(commandLine))
                DropStartGameRequest(commandLine);
            else
                LOG_AS("wWinMain", LOG_LEVEL_ERROR, L"cef_main_init failed");
            return -1;
        }
        if (!RunBrowserProcess(instance, commandLine)) return 0;
    }  // the engine shuts down here, after OLE
    LOG_AS("wWinMain", LOG_LEVEL_DEBUG, L"==== WinMain exit ====");
    if (g_restartOnExit) RestartTarrow();
    LogWriter::DestroyInstance();
    return 0;
}
