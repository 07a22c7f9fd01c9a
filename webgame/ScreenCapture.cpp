#include "ScreenCapture.h"

#include "LogWriter.h"
#include "ScopedGdi.h"

#include <gdiplus.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace screencapture {
namespace {

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: the PNG encoder of GDI+.
const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// GetWindowDC's DC, released to its window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetWindowDC(window)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

SIZE DisplaySize() {
    toolkit::UniqueMemDc display(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));  // released by DeleteDC
    if (!display) return SIZE{0, 0};
    return SIZE{::GetDeviceCaps(display.get(), HORZRES), ::GetDeviceCaps(display.get(), VERTRES)};
}

// The visible part of window as a bitmap; null when none of it is visible.
toolkit::UniqueBitmap CaptureVisiblePart(HWND window) {
    RECT rect = {};
    if (!::GetWindowRect(window, &rect)) return toolkit::UniqueBitmap();
    const SIZE display = DisplaySize();
    const RECT visible = VisiblePart(rect, display.cx, display.cy);
    const int width = visible.right - visible.left, height = visible.bottom - visible.top;
    if (width <= 0 || height <= 0) {
        LOG_ERROR(L"nothing of the window is on the display, rect=(%ld,%ld,%ld,%ld)", rect.left, rect.top, rect.right,
                  rect.bottom);
        return toolkit::UniqueBitmap();
    }
    WindowDc source(window);
    if (!source.Get()) return toolkit::UniqueBitmap();
    toolkit::UniqueMemDc memory(::CreateCompatibleDC(source.Get()));
    toolkit::UniqueBitmap bitmap(::CreateCompatibleBitmap(source.Get(), width, height));
    if (!memory || !bitmap) return toolkit::UniqueBitmap();
    BOOL copied = FALSE;
    {
        toolkit::SelectGuard select(memory.get(), bitmap.get());
        copied = ::BitBlt(memory.get(), 0, 0, width, height, source.Get(), visible.left - rect.left,
                          visible.top - rect.top, SRCCOPY);
    }
    if (!copied) {
        LOG_ERROR(L"BitBlt failed, LastError=%u", ::GetLastError());
        return toolkit::UniqueBitmap();
    }
    return bitmap;
}

bool EnsureFolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return true;
    const std::wstring folder = path.substr(0, slash);
    if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const int rv = ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (rv == ERROR_SUCCESS || rv == ERROR_ALREADY_EXISTS) return true;
    LOG_ERROR(L"cannot create the screenshot folder %s, rv=%d", folder.c_str(), rv);
    return false;
}

}  // namespace

RECT VisiblePart(const RECT& rect, int displayWidth, int displayHeight) {
    RECT visible = {std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
                    std::min<LONG>(rect.right, displayWidth), std::min<LONG>(rect.bottom, displayHeight)};
    if (visible.right < visible.left) visible.right = visible.left;
    if (visible.bottom < visible.top) visible.bottom = visible.top;
    return visible;
}

std::wstring WithSeparator(const std::wstring& folder) {
    if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder;
    return folder + L'\\';
}

std::wstring PictureName(int number) { return L"MyPicture" + std::to_wstring(number) + L".png"; }

int NextFreeNumber(const std::wstring& folder, int counter) {
    // A counter spoilt in the settings (negative, or at the top of int) starts again at 1.
    int number = counter < 0 || counter == INT_MAX ? 1 : counter + 1;
    while (number < INT_MAX && ::GetFileAttributesW((folder + PictureName(number)).c_str()) != INVALID_FILE_ATTRIBUTES)
        ++number;
    return number;
}

bool SaveWindowAsPng(HWND window, const std::wstring& path) {
    toolkit::UniqueBitmap bitmap = CaptureVisiblePart(window);
    if (!bitmap || !EnsureFolderOf(path)) return false;
    GdiplusSession gdiplus;
    if (!gdiplus.Ok()) return false;
    std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromHBITMAP(bitmap.get(), nullptr));
    if (!image || image->GetLastStatus() != Gdiplus::Ok) return false;
    const Gdiplus::Status saved = image->Save(path.c_str(), &kPngEncoder, nullptr);
    if (saved != Gdiplus::Ok) {
        LOG_ERROR(L"saving %s failed, status=%d", path.c_str(), static_cast<int>(saved));
        ::DeleteFileW(path.c_str());  // no partial file is left
        return false;
    }
    return true;
}

}  // namespace screencapture
