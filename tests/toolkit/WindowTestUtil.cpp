#include "WindowTestUtil.h"

#include "Harness.h"

namespace wintest {

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {

void SendMouse(int x, int y, DWORD flags) {
    SetCursorPos(x, y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = (y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    SendInput(1, &input, sizeof(input));
    PumpFor(60);
}

}  // namespace

void MouseMoveTo(int x, int y) { SendMouse(x, y, 0); }
void MouseLeftDown(int x, int y) { SendMouse(x, y, MOUSEEVENTF_LEFTDOWN); }
void MouseLeftUp(int x, int y) { SendMouse(x, y, MOUSEEVENTF_LEFTUP); }

testimg::Image CaptureScreen(const RECT& rect) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    testimg::Image image;
    image.width = w;
    image.height = h;
    testimg::Surface surface(w, h, true, 0);
    HDC screen = GetDC(nullptr);
    BitBlt(surface.Dc(), 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.bgra.push_back(surface.At(x, y) | 0xFF000000u);
    return image;
}

std::wstring SaveScreenshot(const testimg::Image& image, const std::wstring& name) {
    const std::wstring dir = harness::TestDir() + L"\\screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"\\" + name + L".png";
    testimg::WriteWithGdiplus(path, L"image/png", image);
    return path;
}

}  // namespace wintest
