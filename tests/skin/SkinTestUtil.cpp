#include "SkinTestUtil.h"

#include <Harness.h>
#include <WindowTool.h>
#include <algorithm>
#include <mutex>

using namespace DuiLib;

namespace skintest {

namespace {

std::mutex g_logLock;
std::vector<std::wstring> g_log;

void Sink(const wchar_t* line) {
    std::lock_guard<std::mutex> hold(g_logLock);
    g_log.push_back(line);
}

}  // namespace

bool WriteSolidPng(const std::wstring& path, int cx, int cy, DWORD argb) {
    return harness::WritePng(path, cx, cy, [argb](int, int) { return argb; });
}

std::wstring SkinDir() { return harness::TestDir() + L"\\skin_skins\\"; }

void UseTestSkins() {
    static bool made = false;
    CPaintManagerUI::SetResourcePath(SkinDir().c_str());
    if (made) return;
    made = true;
    std::wstring img = SkinDir() + L"img";
    ::CreateDirectoryW(img.c_str(), nullptr);
    harness::WritePng(img + L"\\red.png", 20, 20, [](int, int) { return 0xFFFF0000u; });
    // A blue frame 3 pixels wide around a transparent centre.
    harness::WritePng(img + L"\\frame.png", 12, 12, [](int x, int y) {
        bool edge = x < 3 || y < 3 || x >= 9 || y >= 9;
        return edge ? 0xFF0000FFu : 0x00000000u;
    });
    harness::WriteFileBytes(img + L"\\truncated.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
}

void CaptureLog() { CPaintManagerUI::SetLogSink(&Sink); }

void ClearLog() {
    std::lock_guard<std::mutex> hold(g_logLock);
    g_log.clear();
}

std::vector<std::wstring> LogLines() {
    std::lock_guard<std::mutex> hold(g_logLock);
    return g_log;
}

bool LogContains(const std::wstring& part) {
    for (const std::wstring& l : LogLines())
        if (l.find(part) != std::wstring::npos) return true;
    return false;
}

std::string LogText() {
    std::string out;
    for (const std::wstring& l : LogLines()) out += harness::Narrow(l) + "\n";
    return out;
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (CPaintManagerUI::TranslateMessage(&msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (condition()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

bool Screenshot::Take(HWND hwnd) {
    RECT rc;
    if (!::GetClientRect(hwnd, &rc)) return false;
    width_ = rc.right;
    height_ = rc.bottom;
    HDC wdc = ::GetDC(hwnd);
    bool ok = harness::CapturePixels(wdc, rc, &pixels_);
    ::ReleaseDC(hwnd, wdc);
    return ok;
}

DWORD Screenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

bool Screenshot::SavePng(const std::wstring& name) const {
    std::wstring dir = harness::TestDir() + L"\\screenshots";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return harness::WritePng(dir + L"\\" + name + L".png", width_, height_,
                    [this](int x, int y) { return 0xFF000000u | Pixel(x, y); });
}

POINT ToScreen(HWND hwnd, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(hwnd, &pt);
    return pt;
}

namespace {
void SendMouse(DWORD flags, POINT screen, DWORD data = 0) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    int cx = ::GetSystemMetrics(SM_CXSCREEN) - 1, cy = ::GetSystemMetrics(SM_CYSCREEN) - 1;
    in.mi.dx = MulDiv(screen.x, 65535, cx);
    in.mi.dy = MulDiv(screen.y, 65535, cy);
    in.mi.mouseData = data;
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}
}  // namespace

void MouseMoveTo(POINT screen) {
    ::SetCursorPos(screen.x, screen.y);
    SendMouse(MOUSEEVENTF_MOVE, screen);
}

void MouseClickAt(POINT screen, bool right) {
    MouseMoveTo(screen);
    PumpFor(30);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, screen);
    PumpFor(30);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, screen);
}

}  // namespace skintest
