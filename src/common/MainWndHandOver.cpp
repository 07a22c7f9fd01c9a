// Game launch: the hand-over of a web game to the player Corrinweb (the
// request files in Temp, then message 6026 to the running player, or the
// player started with the first request on its command line), and the watch
// of a started game's process. Window thread.
#include "MainWnd.h"

#include <shellapi.h>

#include "CefProgramTraits.h"
#include "GlobalFunc.h"
#include "HandOverFile.h"
#include "HandOverProtocol.h"
#include "LogWriter.h"
#include "MainWndMessages.h"
#include "PathUtil.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kPlayerExe[] = L"Corrinweb.exe";
// How long a started player has to report its frame (6025); meanwhile the
// requests wait for it instead of starting a second player.
constexpr ULONGLONG kPlayerStartWaitMs = 10000;
constexpr UINT kGameRunningCheckMs = 60000;

// A player holds its instance mutex from its start to its end; a player that
// crashed while closing is gone although it left its "exiting" mark behind.
bool IsPlayerRunning() {
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kPlayerCefTraits.instanceMutexName));
    return mutex || GetLastError() != ERROR_FILE_NOT_FOUND;
}

// Any program can post 6025: only a window of the player's frame class is taken.
bool IsGameFrameWindow(HWND window) {
    wchar_t className[64] = {};
    return window && ::IsWindow(window) && ::GetClassNameW(window, className, _countof(className)) > 0 &&
           wcscmp(className, kGameFrameClassName) == 0;
}

// Removes a hand-over file; one that is not there is fine.
void RemoveHandOverFile(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) {
        LOG_DEBUG(L"hand-over file removed: %s", path.c_str());
        return;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        LOG_WARNING(L"hand-over file not removed: %s, LastError=%u", path.c_str(), error);
}

}  // namespace

void CMainWnd::OnJsCall_StartGame(const JsCallRecord& call) { StartGameFromPage(call, false); }

void CMainWnd::OnJsCall_SmallAccountStartGame(const JsCallRecord& call) { StartGameFromPage(call, true); }

// The small-account mark belongs to this one call: a call that hands
// nothing over leaves nothing behind for the next start.
void CMainWnd::StartGameFromPage(const JsCallRecord& call, bool smallAccount) {
    if (m_account.empty()) {
        PostMessage(WM_SHOW_LOGIN_WND, 0, 0);
        return;
    }
    std::wstring url = call.Text(0);
    if (url.empty()) {
        LOG_WARNING(L"%s without a page address: nothing handed over", call.name.c_str());
        return;
    }
    std::wstring param = call.Text(1);
    OpenPopupOnWindowThread(url, param.c_str(), smallAccount);
}

void CMainWnd::HandOverToPlayer(const std::wstring& url, const std::wstring& param, bool smallAccount) {
    const std::wstring ini = m_programFolder + L"qxtarrow.ini";
    if (GetPrivateProfileIntW(L"WebGame", L"exit", 0, ini.c_str()) != 0) {
        if (IsPlayerRunning()) {
            LOG_INFO(L"WebGame is exiting, wait a moment");
            return;
        }
        LOG_WARNING(L"WebGame exit mark left by a player that is gone: cleared");
        WritePrivateProfileStringW(L"WebGame", L"exit", L"0", ini.c_str());
    }
    WriteTokenFile();
    const unsigned request = m_requestCounter;
    WriteRequestFile(request, url, param, smallAccount);
    SendRequestToPlayer(request);
    ++m_requestCounter;
}

void CMainWnd::WriteTokenFile() {
    std::wstring path = HandOverFilePath(m_programFolder, kTokenFileName);
    HandOverFileWriter file;
    if (!file.Open(path)) {
        LOG_ERROR(L"fopen 10001.txt failed: %s", path.c_str());
        return;
    }
    m_loginToken = ReadTokenFromCookie();
    file.Write(m_loginToken);
}

void CMainWnd::WriteRequestFile(unsigned request, const std::wstring& url, const std::wstring& param,
                                bool smallAccount) {
    std::wstring path = HandOverRequestPath(m_programFolder, request);
    HandOverFileWriter file;
    if (!file.Open(path)) {
        LOG_ERROR(L"fopen failed: %s", path.c_str());
        return;
    }
    file.Write(url + (smallAccount ? kSmallAccountMarker : kParamMarker) + param);
}

HWND CMainWnd::GameFrame() {
    if (!m_hGameFrame || !::IsWindow(m_hGameFrame)) m_hGameFrame = FindWindowW(kGameFrameClassName, nullptr);
    return m_hGameFrame;
}

void CMainWnd::SendRequestToPlayer(unsigned request) {
    if (HWND frame = GameFrame()) {
        ::PostMessageW(frame, WM_NOTIFY_NEW_CEF, request, 0);
        LOG_DEBUG(L"Open WebGame page, post msg, id=%u", request);
        return;
    }
    // A player started a moment ago cannot show its frame yet; a second one
    // would find the first holding the instance and end.
    if (m_playerStartTick != 0 && GetTickCount64() - m_playerStartTick < kPlayerStartWaitMs) {
        m_waitingRequests.push_back(request);
        LOG_DEBUG(L"Open WebGame page, the player is starting, id=%u waits for its window", request);
        return;
    }
    std::wstring exe = m_programFolder + kPlayerExe;
    std::wstring params = FormatString(L"--url=%d", static_cast<int>(request));
    INT_PTR rv = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", exe.c_str(), params.c_str(), nullptr, SW_SHOW));
    if (rv >= 32) {
        LOG_DEBUG(L"Open WebGame page, ShellExecute=%s", exe.c_str());
        m_playerStartTick = GetTickCount64();
        m_playerStartRequest = request;
    } else {
        LOG_ERROR(L"ShellExecute failed, rv=%d", static_cast<int>(rv));
    }
}

void CMainWnd::OnGameFrameReported(HWND frame) {
    if (!IsGameFrameWindow(frame)) {
        LOG_WARNING(L"CMainWnd WM_NOTIFY_GAMEFRAME_HWND (%u): 0x%p is no player frame, ignored",
                    WM_NOTIFY_GAMEFRAME_HWND, static_cast<void*>(frame));
        return;
    }
    m_hGameFrame = frame;
    m_playerStartTick = 0;
    m_playerStartRequest.reset();
    LOG_DEBUG(L"CMainWnd get gameframe=0x%p by msg", static_cast<void*>(frame));
    for (unsigned request : m_waitingRequests) {
        ::PostMessageW(frame, WM_NOTIFY_NEW_CEF, request, 0);
        LOG_DEBUG(L"Open WebGame page, post msg, id=%u", request);
    }
    m_waitingRequests.clear();
}

// The session ends (logout, close): its token and user files go, and so do
// the requests a player that is still starting has not opened (the one on
// its command line and those waiting for its window). A player that starts
// after this finds no token to put back and no game to show; one that
// already runs read both files at its start.
void CMainWnd::DropSessionHandOver() {
    RemoveHandOverFile(HandOverFilePath(m_programFolder, kTokenFileName));
    RemoveHandOverFile(HandOverFilePath(m_programFolder, kUserFileName));
    auto drop = [this](unsigned request) {
        RemoveHandOverFile(HandOverRequestPath(m_programFolder, request));
        LOG_INFO(L"CMainWnd request %u not opened by the starting player: dropped", request);
    };
    if (m_playerStartRequest) drop(*m_playerStartRequest);
    for (unsigned request : m_waitingRequests) drop(request);
    m_playerStartRequest.reset();
    m_waitingRequests.clear();
}

// --- The game-process watch (timers 12 and 13). Nothing fills the watched
// game yet, so the watch stays idle.

void CMainWnd::CheckGameRunningStatus() {
    if (m_watchedGameExeName.empty()) return;
    std::vector<DWORD> ids;
    GetProcessIdsByName(m_watchedGameExeName.c_str(), ids);
    bool running = false;
    for (DWORD pid : ids) running = running || _wcsicmp(GetProcessImagePath(pid).c_str(), m_watchedGameExePath.c_str()) == 0;
    CGameRunWatch::Step step = m_gameRunWatch.Check(GetTickCount64(), running);
    if (step.started) {
        LOG_INFO(L"Find game(%s) running", m_watchedGameExeName.c_str());
        KillTimer(m_hWnd, kTimerGameRunning);
        SetTimer(m_hWnd, kTimerGameRunningSlow, kGameRunningCheckMs, nullptr);
    }
    if (step.exited) {
        LOG_INFO(L"Find game(%s) exit", m_watchedGameExeName.c_str());
        KillTimer(m_hWnd, kTimerGameRunningSlow);
    }
    if (step.reportSeconds >= 0) StartGameRunTimeReport(step.reportSeconds);
}
