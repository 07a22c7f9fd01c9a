#pragma once
// Helpers of the window tests: bounded message pumping, real mouse input at
// screen positions, screen read-back and screenshots kept as PNG files in
// the build folder (tests\screenshots).
#include <windows.h>

#include <functional>
#include <string>

#include "TestImages.h"

namespace wintest {

// Dispatches this thread's messages for the given time.
void PumpFor(DWORD ms);
// Dispatches messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Real input through SendInput: moves the pointer to the screen point, and
// presses or releases the left button there.
void MouseMoveTo(int x, int y);
void MouseLeftDown(int x, int y);
void MouseLeftUp(int x, int y);

// The screen's pixels inside the rectangle (screen coordinates), as opaque BGRA.
testimg::Image CaptureScreen(const RECT& rect);
// Keeps a PNG of the image as tests\screenshots\<name>.png; its path.
std::wstring SaveScreenshot(const testimg::Image& image, const std::wstring& name);
// The colour part (no alpha) of a BGRA pixel.
inline uint32_t Rgb(uint32_t bgra) { return bgra & 0x00FFFFFFu; }

}  // namespace wintest
