#include "WindowTool.h"

#include <algorithm>
#include <vector>

#include "Harness.h"

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace harness {

namespace {

struct FindArgs {
    const wchar_t* className;
    const wchar_t* title;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    FindArgs* args = reinterpret_cast<FindArgs*>(lParam);
    wchar_t name[256] = {};
    GetClassNameW(window, name, _countof(name));
    if (args->className && wcscmp(name, args->className) != 0) return TRUE;
    if (args->title) {
        wchar_t title[512] = {};
        GetWindowTextW(window, title, _countof(title));
        if (wcscmp(title, args->title) != 0) return TRUE;
    }
    if (args->visibleOnly && !IsWindowVisible(window)) return TRUE;
    args->found = window;
    return FALSE;
}

void SendMouse(DWORD flags, POINT screen) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    int cx = GetSystemMetrics(SM_CXSCREEN) - 1, cy = GetSystemMetrics(SM_CYSCREEN) - 1;
    input.mi.dx = MulDiv(screen.x, 65535, cx);
    input.mi.dy = MulDiv(screen.y, 65535, cy);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

bool PngEncoder(CLSID* clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (size == 0) return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

HWND FindTopWindow(const wchar_t* className, const wchar_t* title, bool visibleOnly) {
    FindArgs args = {className, title, visibleOnly, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND WaitForTopWindow(const wchar_t* className, const wchar_t* title, bool visibleOnly, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(className, title, visibleOnly)) != nullptr; }, timeoutMs);
    return found;
}

bool WaitUntilHidden(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

RECT WindowRect(HWND window) {
    RECT rect = {0, 0, 0, 0};
    if (window) GetWindowRect(window, &rect);
    return rect;
}

bool PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}

bool WindowAnswers(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

void MoveCursorTo(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    SendMouse(MOUSEEVENTF_MOVE, screen);
}

void PressLeft(POINT screen) {
    MoveCursorTo(screen);
    Sleep(50);
    SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
}

void ReleaseLeft(POINT screen) { SendMouse(MOUSEEVENTF_LEFTUP, screen); }

void ClickRight(POINT screen) {
    MoveCursorTo(screen);
    Sleep(50);
    SendMouse(MOUSEEVENTF_RIGHTDOWN, screen);
    Sleep(30);
    SendMouse(MOUSEEVENTF_RIGHTUP, screen);
}

void DragLeft(POINT from, POINT to, int steps, DWORD pauseMs) {
    PressLeft(from);
    Sleep(pauseMs);
    for (int i = 1; i <= steps; ++i) {
        POINT at = {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        MoveCursorTo(at);
        Sleep(pauseMs);
    }
    ReleaseLeft(to);
}

POINT ClientToScreenPoint(HWND window, int x, int y) {
    POINT pt = {x, y};
    ClientToScreen(window, &pt);
    return pt;
}

bool GlobalAtomExists(const wchar_t* name) { return GlobalFindAtomW(name) != 0; }

DWORD ScreenPixel(POINT screen) {
    HDC dc = GetDC(nullptr);
    COLORREF color = GetPixel(dc, screen.x, screen.y);
    ReleaseDC(nullptr, dc);
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

bool WritePng(const std::wstring& path, int cx, int cy, const std::function<DWORD(int, int)>& pixel) {
    static ULONG_PTR gdiplusToken = 0;
    if (!gdiplusToken) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
    }
    Gdiplus::Bitmap image(cx, cy, PixelFormat32bppARGB);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) image.SetPixel(x, y, Gdiplus::Color(pixel(x, y)));
    CLSID png;
    return PngEncoder(&png) && image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

bool CapturePixels(HDC source, const RECT& rect, std::vector<DWORD>* pixels) {
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, source, rect.left, rect.top, SRCCOPY) != FALSE;
        GdiFlush();
        const DWORD* first = static_cast<const DWORD*>(bits);
        pixels->assign(first, first + static_cast<size_t>(width) * height);
        for (DWORD& p : *pixels) p &= 0x00FFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    return copied;
}

bool SaveWindowScreenshot(HWND window, const std::wstring& name) {
    RECT rect = WindowRect(window);
    std::vector<DWORD> pixels;
    HDC screen = GetDC(nullptr);
    bool copied = CapturePixels(screen, rect, &pixels);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    std::wstring folder = TestDir() + L"\\screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    int width = rect.right - rect.left;
    return WritePng(folder + L"\\" + name + L".png", width, rect.bottom - rect.top,
                    [&](int x, int y) { return 0xFF000000u | pixels[static_cast<size_t>(y) * width + x]; });
}

ResponsivenessProbe::~ResponsivenessProbe() { Stop(); }

void ResponsivenessProbe::Start(HWND window, DWORD intervalMs) {
    Stop();
    stop_ = false;
    maxLatencyMs_ = 0;
    samples_ = 0;
    thread_ = std::thread([this, window, intervalMs] {
        while (!stop_) {
            DWORD start = GetTickCount();
            SYSTEMTIME now;
            GetLocalTime(&now);
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) && !IsWindow(window)) break;
            DWORD latency = GetTickCount() - start;
            if (latency > maxLatencyMs_) {
                maxLatencyMs_ = latency;
                worstAtMs_ = ((now.wHour * 60L + now.wMinute) * 60L + now.wSecond) * 1000L + now.wMilliseconds;
            }
            ++samples_;
            Sleep(intervalMs);
        }
    });
}

void ResponsivenessProbe::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

}  // namespace harness
