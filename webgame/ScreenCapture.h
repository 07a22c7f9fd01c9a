#pragma once
// The player's screenshot: the part of a window that stands on the primary
// display, saved as a PNG file named "MyPicture<N>.png" in a folder.
// Window thread (the window's DC).
#include <windows.h>

#include <string>

namespace screencapture {

// The part of rect (screen coordinates) on a display of that size; empty
// (right <= left or bottom <= top) when none of it is.
RECT VisiblePart(const RECT& rect, int displayWidth, int displayHeight);

// folder with a backslash at its end (an empty folder stays empty).
std::wstring WithSeparator(const std::wstring& folder);

// The first number above counter whose "MyPicture<N>.png" does not exist in
// folder (with its separator), so no older shot is overwritten; from 1 when
// counter is negative or the largest int.
int NextFreeNumber(const std::wstring& folder, int counter);
std::wstring PictureName(int number);

// Captures the visible part of window (from its window DC) and writes it as
// PNG to path, creating the folder when missing. False, logged, when nothing
// of the window is on the display or the file could not be written.
bool SaveWindowAsPng(HWND window, const std::wstring& path);

}  // namespace screencapture
