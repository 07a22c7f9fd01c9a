// The screenshot's rules (visible part, folder, numbering) and the capture
// of a real window of this program into a PNG file.
#include "ScreenCapture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <climits>
#include <memory>

#include "Harness.h"

namespace {

using screencapture::NextFreeNumber;
using screencapture::PictureName;
using screencapture::VisiblePart;
using screencapture::WithSeparator;

constexpr COLORREF kFill = RGB(0x20, 0x80, 0xC0);

std::wstring Describe(const RECT& r) {
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
           std::to_wstring(r.bottom);
}

TEST(ScreenCapture, VisiblePartIsClippedToTheDisplay) {
    struct Case {
        RECT window;
        RECT visible;
    } cases[] = {
        {{100, 50, 1090, 740}, {100, 50, 1090, 740}},      // on the display
        {{-200, 50, 790, 740}, {0, 50, 790, 740}},         // off on the left
        {{1000, 500, 1990, 1190}, {1000, 500, 1600, 1000}},  // off right and bottom
        {{-32000, -32000, -31840, -31972}, {0, 0, 0, 0}},  // minimised: nothing
        {{1700, 100, 1800, 200}, {1700, 100, 1700, 200}},  // right of the display: empty
    };
    for (const Case& c : cases) {
        const RECT got = VisiblePart(c.window, 1600, 1000);
        EXPECT_TRUE(EqualRect(&got, &c.visible)) << harness::Narrow(Describe(got));
    }
}

TEST(ScreenCapture, FolderSeparatorAndNumbersThatOverwriteNothing) {
    EXPECT_EQ(L"C:\\shots\\", WithSeparator(L"C:\\shots"));
    EXPECT_EQ(L"C:\\shots\\", WithSeparator(L"C:\\shots\\"));
    EXPECT_EQ(L"C:/shots/", WithSeparator(L"C:/shots/"));
    EXPECT_EQ(L"", WithSeparator(L""));
    EXPECT_EQ(L"MyPicture6.png", PictureName(6));

    const std::wstring folder = harness::MakeScratchDir(L"shots") + L"\\";
    EXPECT_EQ(6, NextFreeNumber(folder, 5));
    ASSERT_TRUE(harness::WriteFileBytes(folder + L"MyPicture6.png", "old"));
    ASSERT_TRUE(harness::WriteFileBytes(folder + L"MyPicture7.png", "old"));
    EXPECT_EQ(8, NextFreeNumber(folder, 5));
    EXPECT_EQ(9, NextFreeNumber(folder, 8));
    // A spoilt counter starts again at 1, past the files already there.
    ASSERT_TRUE(harness::WriteFileBytes(folder + L"MyPicture1.png", "old"));
    EXPECT_EQ(2, NextFreeNumber(folder, -3));
    EXPECT_EQ(2, NextFreeNumber(folder, INT_MAX));
}

LRESULT CALLBACK FillProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT rect;
        GetClientRect(wnd, &rect);
        HBRUSH brush = CreateSolidBrush(kFill);
        FillRect(reinterpret_cast<HDC>(wParam), &rect, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

// A plain popup filled with one colour.
class FilledWindow {
public:
    FilledWindow(int x, int y, int cx, int cy) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = FillProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ScreenCaptureTestWnd";
        RegisterClassExW(&wc);
        wnd_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, x, y, cx, cy, nullptr,
                               nullptr, wc.hInstance, nullptr);
        UpdateWindow(wnd_);
        MSG msg;
        for (int i = 0; i < 20 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageW(&msg);
    }
    ~FilledWindow() { DestroyWindow(wnd_); }
    HWND Get() const { return wnd_; }

private:
    HWND wnd_ = nullptr;
};

struct Png {
    int width = 0, height = 0;
    DWORD centre = 0;
};

bool ReadPng(const std::wstring& path, Png* png) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool ok = false;
    {
        std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromFile(path.c_str()));
        if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok) {
            png->width = static_cast<int>(bitmap->GetWidth());
            png->height = static_cast<int>(bitmap->GetHeight());
            Gdiplus::Color colour;
            bitmap->GetPixel(png->width / 2, png->height / 2, &colour);
            png->centre = colour.GetValue() & 0x00FFFFFF;
            ok = true;
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return ok;
}

TEST(ScreenCapture, WindowPartlyOffTheDisplayGivesItsVisiblePart) {
    const std::wstring folder = harness::MakeScratchDir(L"capture");
    FilledWindow window(-60, 40, 200, 120);
    ASSERT_TRUE(window.Get());
    const std::wstring path = folder + L"\\new\\MyPicture1.png";  // the folder is made
    ASSERT_TRUE(screencapture::SaveWindowAsPng(window.Get(), path));
    Png png;
    ASSERT_TRUE(ReadPng(path, &png));
    EXPECT_EQ(140, png.width);
    EXPECT_EQ(120, png.height);
    EXPECT_EQ(0x2080C0u, png.centre);
}

TEST(ScreenCapture, NothingVisibleOrNoFolderGivesNoFile) {
    const std::wstring folder = harness::MakeScratchDir(L"capture_fail");
    {
        FilledWindow window(-500, 40, 200, 120);  // wholly off the display
        ASSERT_TRUE(window.Get());
        EXPECT_FALSE(screencapture::SaveWindowAsPng(window.Get(), folder + L"\\MyPicture1.png"));
        EXPECT_FALSE(harness::FileExists(folder + L"\\MyPicture1.png"));
    }
    FilledWindow window(100, 100, 200, 120);
    ASSERT_TRUE(harness::WriteFileBytes(folder + L"\\file", "x"));
    EXPECT_FALSE(screencapture::SaveWindowAsPng(window.Get(), folder + L"\\file\\MyPicture1.png"));
    EXPECT_FALSE(harness::FileExists(folder + L"\\file\\MyPicture1.png"));
}

}  // namespace
