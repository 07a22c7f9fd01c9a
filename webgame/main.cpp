// Entry of every process of the player: the browser process that shows the
// frame window and each engine sub-process started from this program file.
#include <windows.h>
#include <ole2.h>

#include <cwchar>
#include <memory>
#include <string>

#include <UIlib.h>

#include "CefMainInit.h"
#include "CefProgramTraits.h"
#include "CommandLineSwitch.h"
#include "CrashHandle.h"
#include "GameFrame.h"
#include "GlobalFunc.h"
#include "HandOverProtocol.h"
#include "HandOverRequest.h"
#include "LogWriter.h"
#include "MainMessageLoopWin.h"
#include "PlayerSettings.h"
#include "Startup.h"

namespace {

constexpr DWORD kFrameStyle = 0x10CF0000;  // WS_VISIBLE | WS_OVERLAPPEDWINDOW
constexpr int kFrameWidth = 990;
constexpr int kFrameHeight = 690;
// How long a second player waits for the running player's frame.
constexpr DWORD kHandToRunningPlayerMs = 10000;
constexpr DWORD kFramePollMs = 100;

// A player started while another holds the instance (the launcher found no
// frame yet, or the other is starting or ending): its request goes to the
// running player's frame once there is one, so it is not lost.
void HandRequestToRunningPlayer() {
    unsigned request = 0;
    if (!ParseRequestNumber(GetGlobalSwitchValue(kRequestSwitch), &request)) return;
    for (DWORD waited = 0; waited < kHandToRunningPlayerMs; waited += kFramePollMs) {
        if (HWND frame = FindWindowW(kGameFrameClassName, nullptr)) {
            PostMessageW(frame, WM_NOTIFY_NEW_CEF, request, 0);
            LOG_AS("wWinMain", LOG_LEVEL_INFO, L"request %u handed to the running player", request);
            return;
        }
        Sleep(kFramePollMs);
    }
    LOG_AS("wWinMain", LOG_LEVEL_ERROR, L"request %u not handed over: no player window", request);
}

// The frame and the window thread's loop. False when OLE, the frame object
// or its window could not be set up (no loop ran; OLE is left as found).
bool RunFrame(HINSTANCE instance, const wchar_t* commandLine) {
    SetUpSkinLibrary(instance);
    if (FAILED(OleInitialize(nullptr))) return false;
    CMainWnd* frame = NewOrNull<CMainWnd>();
    if (!frame) {
        OleUninitialize();
        return false;
    }
    // Without the launcher's word to keep it, the account cookie goes before the window exists.
    if (!commandLine || !wcsstr(commandLine, kKeepCookieMarker)) frame->ClearAccountCookie();
    if (!CreateCentredMainWindow(frame, L"QuillexTarrow", kFrameStyle, kFrameWidth, kFrameHeight,
                                 L"frame window create failed")) {
        return false;
    }
    LOG_AS("wWinMain", LOG_LEVEL_INFO, L"is_multi_threaded_message_loop");
    CMainMessageLoopWin loop;
    loop.Run();
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    SelectCefProgramTraits(kPlayerCefTraits);  // in every process role: the player's engine switches, renderer, names
    SetUnhandledExceptionFilter(&AppCrashHandler);
    InstallStartupHooks();
    ApplyLogLevel();
    const bool restart = commandLine && wcsstr(commandLine, L"SwitchUserRestart") != nullptr;

    bool multiThreadedLoop = false;
    bool ok = false;
    // An engine sub-process ends inside this constructor.
    std::unique_ptr<CefMainInit> engine(new CefMainInit(instance, restart, multiThreadedLoop, ok));
    if (!ok) {
        LOG_AS("wWinMain", LOG_LEVEL_ERROR, L"cef_main_init failed");
        engine.reset();
        HandRequestToRunningPlayer();
        return -1;
    }
    if (!RunFrame(instance, commandLine)) {
        engine.reset();
        return 0;
    }
    engine.reset();  // the engine shuts down before OLE
    LOG_AS("wWinMain", LOG_LEVEL_DEBUG, L"---- WinMain out loop ----");
    OleUninitialize();
    WriteWebGameString(L"exit", L"0");
    LOG_AS("wWinMain", LOG_LEVEL_DEBUG, L"==== WinMain exit ====");
    LogWriter::DestroyInstance();
    return 0;
}
