#pragma once
// Helpers of the skin library tests: test skins and images, captured log
// lines, message pumping with time-outs, window screenshots.
#include <UIlib.h>
#include <functional>
#include <string>
#include <vector>

namespace skintest {

// Points the resource path at the copied test skins (and makes their images).
void UseTestSkins();
std::wstring SkinDir();

// Writes a PNG of one colour (0xAARRGGBB).
bool WriteSolidPng(const std::wstring& path, int cx, int cy, DWORD argb);

// Log lines of the library since the last Clear.
void CaptureLog();
void ClearLog();
std::vector<std::wstring> LogLines();
bool LogContains(const std::wstring& part);
std::string LogText();

// Runs the thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
void PumpFor(DWORD ms);

// The window's pixels as the screen shows them (BitBlt from the window DC).
class Screenshot {
public:
    bool Take(HWND hwnd);
    // 0x00RRGGBB at client coordinates; 0xFFFFFFFF outside.
    DWORD Pixel(int x, int y) const;
    // Saves a PNG into the test folder's "screenshots" folder.
    bool SavePng(const std::wstring& name) const;
    int Width() const { return width_; }
    int Height() const { return height_; }
private:
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

// Screen point of a client point of hwnd.
POINT ToScreen(HWND hwnd, int x, int y);
// Real input: moves the pointer there and clicks (left or right).
void MouseMoveTo(POINT screen);
void MouseClickAt(POINT screen, bool right = false);
// 0x00RRGGBB of an ARGB colour.
inline DWORD Rgb(DWORD argb) { return argb & 0x00FFFFFF; }

}  // namespace skintest
