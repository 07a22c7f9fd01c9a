#include "RunningPlayer.h"

#include "CefProgramTraits.h"
#include "CommandLineSwitch.h"
#include "GlobalFunc.h"
#include "HandOverFile.h"
#include "HandOverProtocol.h"
#include "HandOverRequest.h"
#include "LogWriter.h"
#include "PlayerSettings.h"
#include "UniqueHandle.h"

namespace {

constexpr DWORD kPollMs = 100;

#define RUNNING_LOG(level, ...) LOG_AS("wWinMain", level, __VA_ARGS__)

// A player holds the instance mutex from its start to its end; one that
// crashed holds nothing, whatever marks it left.
bool InstanceHeld() {
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, GetCefProgramTraits().instanceMutexName));
    return mutex || GetLastError() != ERROR_FILE_NOT_FOUND;
}

// [WebGame] exit: set by the running frame when its close begins, from
// which moment on it refuses requests.
bool RunningPlayerClosing() { return ReadWebGameInt(L"exit", 0) != 0; }

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The running frame, when it is not closing, gets the request; null when
// there is none or the post failed.
HWND PostToRunningFrame(unsigned request) {
    HWND frame = FindWindowW(kGameFrameClassName, nullptr);
    if (!frame || !PostMessageW(frame, WM_NOTIFY_NEW_CEF, request, 0)) return nullptr;
    RUNNING_LOG(LOG_LEVEL_DEBUG, L"request %u posted to the running player's frame 0x%p", request,
                static_cast<void*>(frame));
    return frame;
}

}  // namespace

// The frame deletes a request file once it has read it and leaves the file
// of a request it refuses, which it does from the moment its close begins
// (it sets [WebGame] exit then): a posted request is taken when its file is
// gone, and refused when it is still there once the frame closes.
RunningPlayerOutcome HandRequestToRunningPlayer(ULONGLONG deadline) {
    unsigned request = 0;
    if (!ParseRequestNumber(GetGlobalSwitchValue(kRequestSwitch), &request)) return RunningPlayerOutcome::Done;
    const std::wstring path = HandOverRequestPath(std::wstring(GetExeDir(true)), request);
    HWND postedTo = nullptr;  // not owned
    bool waitLogged = false;
    for (; GetTickCount64() < deadline; Sleep(kPollMs)) {
        if (!InstanceHeld()) {
            RUNNING_LOG(LOG_LEVEL_INFO, L"the running player ended: request %u opens here", request);
            return RunningPlayerOutcome::Ended;
        }
        const bool closing = RunningPlayerClosing();
        if (!postedTo && !FileExists(path)) {
            // The launcher took it back (a logout or its close): there is nothing to open.
            RUNNING_LOG(LOG_LEVEL_INFO, L"request %u not handed over: its file is gone", request);
            return RunningPlayerOutcome::Done;
        }
        if (postedTo && !FileExists(path)) {
            RUNNING_LOG(LOG_LEVEL_INFO, L"request %u handed to the running player", request);
            return RunningPlayerOutcome::Done;
        }
        if (!closing && !IsWindow(postedTo)) postedTo = PostToRunningFrame(request);
        if (closing && !waitLogged) {
            RUNNING_LOG(LOG_LEVEL_INFO, L"the running player is closing: request %u waits for it to end", request);
            waitLogged = true;
        }
    }
    RUNNING_LOG(LOG_LEVEL_ERROR, L"request %u not handed over: no player took it", request);
    return RunningPlayerOutcome::NoAnswer;
}
