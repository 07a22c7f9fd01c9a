#include "FakeLauncher.h"

#include <shellapi.h>

#include "HandOverFile.h"
#include "HandOverProtocol.h"
#include "PathUtil.h"

FakeLauncher::FakeLauncher(const std::wstring& programDir) : programDir_(programDir) {
    CreateDirectoryW((programDir_ + L"\\Temp").c_str(), nullptr);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread(&FakeLauncher::Run, this, ready);
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
}

FakeLauncher::~FakeLauncher() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void FakeLauncher::Run(HANDLE ready) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &FakeLauncher::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kMainWndClassName;
    RegisterClassW(&wc);
    // A title of its own, so nothing waiting for the real launcher takes it.
    window_ = CreateWindowExW(0, kMainWndClassName, L"FakeLauncher", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, this);
    SetEvent(ready);
    MSG msg;
    while (window_ && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

LRESULT CALLBACK FakeLauncher::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeLauncher*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_NOTIFY_GAMEFRAME_HWND) {
        self->reported_ = reinterpret_cast<HWND>(wParam);
        ++self->reports_;
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool FakeLauncher::WriteUserFile(const std::wstring& nick, const std::wstring* headImagePath) {
    std::wstring text = nick;
    if (headImagePath) text += kHeaderImageMarker + *headImagePath;
    return WriteHandOverFile(HandOverFilePath(programDir_ + L"\\", kUserFileName), text);
}

unsigned FakeLauncher::WriteRequest(const std::wstring& text) {
    unsigned request = nextRequest_++;
    WriteHandOverFile(HandOverRequestPath(programDir_ + L"\\", request), text);
    return request;
}

HWND FakeLauncher::FindPlayer() { return FindWindowW(kGameFrameClassName, nullptr); }

bool FakeLauncher::StartPlayer(unsigned request) {
    const std::wstring exe = programDir_ + L"\\Corrinweb.exe";
    HINSTANCE result = ShellExecuteW(nullptr, L"open", exe.c_str(),
                                     FormatString(L"--url=%d", static_cast<int>(request)).c_str(), nullptr, 5);
    return reinterpret_cast<INT_PTR>(result) >= 32;
}

int FakeLauncher::HandOver(const std::wstring& url, const std::wstring& param, bool smallAccount) {
    const std::wstring ini = programDir_ + L"\\qxtarrow.ini";
    if (GetPrivateProfileIntW(L"WebGame", L"exit", 0, ini.c_str()) != 0) return -1;
    WriteHandOverFile(HandOverFilePath(programDir_ + L"\\", kTokenFileName), token_);
    unsigned request = WriteRequest(url + (smallAccount ? kSmallAccountMarker : kParamMarker) + param);
    if (HWND player = FindPlayer()) PostMessageW(player, WM_NOTIFY_NEW_CEF, request, 0);
    else StartPlayer(request);
    return static_cast<int>(request);
}
