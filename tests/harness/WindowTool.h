#pragma once
// A window tool for integration tests: what a user sees of another program's
// windows (class, title, visibility, rectangle), messages posted to them,
// the real mouse (SendInput, so programs that read GetCursorPos see it too),
// global atoms, screenshots and a probe of a window thread's responsiveness.
// Everything is bounded in time. Tests that move the mouse must run alone
// (CTest RUN_SERIAL): the pointer is shared by the whole display.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace harness {

// The first top-level window of the class (and title, when given), visible
// ones only when visibleOnly; null when none.
HWND FindTopWindow(const wchar_t* className, const wchar_t* title, bool visibleOnly);
// Waits for such a window; null after the time-out.
HWND WaitForTopWindow(const wchar_t* className, const wchar_t* title, bool visibleOnly, DWORD timeoutMs);
// Waits until the window is gone or hidden; true when it is.
bool WaitUntilHidden(HWND window, DWORD timeoutMs);
// Screen rectangle of the window; an empty one when it does not exist.
RECT WindowRect(HWND window);
bool PostToWindow(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Whether the window's thread answers a WM_NULL within the time.
bool WindowAnswers(HWND window, DWORD timeoutMs);

// The real pointer: moves to the screen point (SetCursorPos and a SendInput
// move), presses or releases a button there.
void MoveCursorTo(POINT screen);
void PressLeft(POINT screen);
void ReleaseLeft(POINT screen);
void ClickRight(POINT screen);
// Moves the pointer with the left button down from one point to another in
// steps, pausing between them (so the program sees each move), then releases.
void DragLeft(POINT from, POINT to, int steps, DWORD pauseMs);
// The screen point of a point in a window's client area.
POINT ClientToScreenPoint(HWND window, int x, int y);

// True when the global atom table holds the name.
bool GlobalAtomExists(const wchar_t* name);

// The pixels of a rectangle of a device context, top-down rows of
// 0x00RRGGBB; false when they could not be copied.
bool CapturePixels(HDC source, const RECT& rect, std::vector<DWORD>* pixels);
// Writes a PNG of cx x cy pixels; pixel(x, y) gives 0xAARRGGBB (not premultiplied).
bool WritePng(const std::wstring& path, int cx, int cy, const std::function<DWORD(int, int)>& pixel);

// What the screen shows at a point, as 0x00RRGGBB.
DWORD ScreenPixel(POINT screen);

// Keeps a PNG of what the screen shows inside the window's rectangle as
// <test folder>\screenshots\<name>.png; false when it could not be written.
bool SaveWindowScreenshot(HWND window, const std::wstring& name);

// Sends WM_NULL to a window every intervalMs from its own thread and records
// the longest time the window thread took to answer (SendMessageTimeout).
class ResponsivenessProbe {
public:
    ResponsivenessProbe() = default;
    ~ResponsivenessProbe();
    ResponsivenessProbe(const ResponsivenessProbe&) = delete;
    ResponsivenessProbe& operator=(const ResponsivenessProbe&) = delete;

    void Start(HWND window, DWORD intervalMs = 20);
    void Stop();
    DWORD MaxLatencyMs() const { return maxLatencyMs_; }
    // The local time of day (ms) when the longest wait began.
    long WorstAtMs() const { return worstAtMs_; }
    int Samples() const { return samples_; }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> maxLatencyMs_{0};
    std::atomic<long> worstAtMs_{0};
    std::atomic<int> samples_{0};
};

}  // namespace harness
