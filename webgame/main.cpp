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
#include "CrashHandle.h"
#include "GameFrame.h"
#include "GlobalFunc.h"
#include "HandOverProtocol.h"
#include "LogWriter.h"
#include "MainMessageLoopWin.h"
#include "PlayerSettings.h"
#include "RunningPlayer.h"
#include "Startup.h"

namespace {

constexpr DWORD kFrameStyle = 0x10CF0000;  // WS_VISIBLE | WS_OVERLAPPEDWINDOW
constexpr int kFrameWidth = 990;
constexpr int kFrameHeight = 690;
// How long, in all, a player started while another holds the instance waits
// for the other's frame to take its request or, when that one is closing,
// for it to end (its renderers have 10 s to end).
constexpr DWORD kWaitForRunningPlayerMs = 30000;
// Starts of the engine: the first, and one after each running player that ended meanwhile.
constexpr int kEngineStarts = 3;

// The engine of this browser process (an engine sub-process ends inside).
// Null when this player does not run: another one took its request, or
// neither took it nor ended in time, or the engine did not start.
std::unique_ptr<CefMainInit> StartEngine(HINSTANCE instance, bool restart, bool* multiThreadedLoop) {
    const ULONGLONG deadline = GetTickCount64() + kWaitForRunningPlayerMs;
    for (int start = 0; start < kEngineStarts; ++start) {
        bool ok = false;
        std::unique_ptr<CefMainInit> engine(new CefMainInit(instance, restart, *multiThreadedLoop, ok));
        if (ok) return engine;
        LOG_AS("wWinMain", LOG_LEVEL_ERROR, L"cef_main_init failed");
        const bool otherRuns = engine->OtherInstanceRuns();
        engine.reset();
        if (!otherRuns || HandRequestToRunningPlayer(deadline) != RunningPlayerOutcome::Ended) break;
    }
    return nullptr;
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
    std::unique_ptr<CefMainInit> engine = StartEngine(instance, restart, &multiThreadedLoop);
    if (!engine) return -1;
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
