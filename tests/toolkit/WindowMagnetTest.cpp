// The window magnet on real top-level windows: docked windows follow the
// host's moves and resizes by their anchors; destroying the host detaches.
#include "WindowMagnet.h"

#include <gtest/gtest.h>

#include <string>

#include "WindowTestUtil.h"

namespace {

const wchar_t kPlainClass[] = L"ToolkitTestMagnetWnd";

struct HostRecord {
    bool sawDestroy = false;
    bool propGoneAtDestroy = false;
    bool ownProcAtDestroy = false;
};
HostRecord g_host;

LRESULT CALLBACK PlainProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        g_host.sawDestroy = true;
        g_host.propGoneAtDestroy = GetPropW(wnd, L"MAGNET") == nullptr;
        g_host.ownProcAtDestroy = GetWindowLongPtrW(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&PlainProc);
    }
    if (message == WM_ERASEBKGND) {
        // Each window shows its own colour in the screenshots.
        RECT client;
        GetClientRect(wnd, &client);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(wnd, GWLP_USERDATA)));
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

// Hidden unless a test shows it: under Wine without a window manager each
// visible window costs two seconds to take down.
HWND MakeWindow(const RECT& rect, COLORREF colour, DWORD style = WS_POPUP, HWND parent = nullptr) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kPlainClass;
        registered = RegisterClassExW(&wc) != 0;
    }
    HWND wnd = CreateWindowExW(WS_EX_NOACTIVATE, kPlainClass, L"", style, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
    return wnd;
}

RECT WindowRect(HWND wnd) {
    RECT rect = {};
    GetWindowRect(wnd, &rect);
    return rect;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

#define EXPECT_RECT(expected, actual) EXPECT_EQ(Describe(expected), Describe(actual))

WindowMagnet::DockedWindow Dock(HWND wnd, unsigned anchor, int x, int y, int right, int bottom, int width,
                                int height) {
    WindowMagnet::DockedWindow entry;
    entry.wnd = wnd;
    entry.anchor = anchor;
    entry.x = x;
    entry.y = y;
    entry.right = right;
    entry.bottom = bottom;
    entry.width = width;
    entry.height = height;
    return entry;
}

class WindowMagnetTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_host = HostRecord();
        host_ = MakeWindow(RECT{100, 100, 400, 300}, RGB(40, 40, 160));
        ASSERT_TRUE(host_);
    }
    void TearDown() override {
        magnet_.reset();
        for (HWND wnd : {host_, a_, b_, c_})
            if (wnd && IsWindow(wnd)) DestroyWindow(wnd);
    }
    void Shot(const wchar_t* name) {
        for (HWND wnd : {host_, a_, b_, c_})
            if (wnd) ShowWindow(wnd, SW_SHOWNOACTIVATE);
        wintest::PumpFor(100);
        wintest::SaveScreenshot(wintest::CaptureScreen(RECT{0, 0, 900, 700}), name);
    }
    HWND host_ = nullptr, a_ = nullptr, b_ = nullptr, c_ = nullptr;
    std::unique_ptr<WindowMagnet> magnet_ = std::make_unique<WindowMagnet>();
};

TEST_F(WindowMagnetTest, MovingTheHostMovesLeftTopDockedWindowsByTheSameAmount) {
    a_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(200, 60, 60));
    magnet_->SetHostWindow(host_);
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 17, 10, 20, 0, 0, 50, 40)));  // 17: left and top
    // Nothing moves until the host does.
    EXPECT_RECT((RECT{0, 0, 50, 40}), WindowRect(a_));
    SetWindowPos(host_, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_RECT((RECT{310, 220, 360, 260}), WindowRect(a_));
    MoveWindow(host_, 335, 245, 300, 200, TRUE);
    EXPECT_RECT((RECT{345, 265, 395, 305}), WindowRect(a_));
    Shot(L"magnet_moved");
}

TEST_F(WindowMagnetTest, ResizingTheHostPlacesEachAnchorKind) {
    a_ = MakeWindow(RECT{0, 0, 10, 10}, RGB(200, 60, 60));
    b_ = MakeWindow(RECT{0, 0, 10, 10}, RGB(60, 200, 60));
    c_ = MakeWindow(RECT{0, 0, 10, 10}, RGB(220, 220, 60));
    magnet_->SetHostWindow(host_);
    using M = WindowMagnet;
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, M::kStretchX | M::kStretchY, 5, 6, 7, 8, 0, 0)));
    ASSERT_TRUE(magnet_->AddWindow(Dock(b_, M::kRight | M::kBottom, 0, 0, -10, -12, 30, 20)));
    ASSERT_TRUE(magnet_->AddWindow(Dock(c_, M::kCenterX | M::kCenterY, -15, -10, 0, 0, 30, 20)));
    SetWindowPos(host_, nullptr, 200, 150, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);  // L200 T150 R600 B450
    EXPECT_RECT((RECT{205, 156, 593, 442}), WindowRect(a_));
    EXPECT_RECT((RECT{560, 418, 590, 438}), WindowRect(b_));
    EXPECT_RECT((RECT{385, 290, 415, 310}), WindowRect(c_));
    Shot(L"magnet_resized");
    // Growing again keeps the stretch margins and the far-edge distances.
    SetWindowPos(host_, nullptr, 0, 0, 500, 360, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_RECT((RECT{205, 156, 693, 502}), WindowRect(a_));
    EXPECT_RECT((RECT{660, 478, 690, 498}), WindowRect(b_));
}

TEST_F(WindowMagnetTest, AChangeThatNeitherMovesNorSizesMovesNothing) {
    a_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(200, 60, 60));
    magnet_->SetHostWindow(host_);
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 0, 10, 20, 0, 0, 50, 40)));
    SetWindowPos(host_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    EXPECT_RECT((RECT{0, 0, 50, 40}), WindowRect(a_));
}

TEST_F(WindowMagnetTest, ChildWindowsAreRefusedAndDockingTwiceUpdatesTheEntry) {
    a_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(200, 60, 60));
    HWND child = MakeWindow(RECT{0, 0, 10, 10}, RGB(0, 0, 0), WS_CHILD | WS_VISIBLE, host_);
    ASSERT_TRUE(child);
    EXPECT_FALSE(magnet_->AddWindow(Dock(child, 0, 0, 0, 0, 0, 10, 10)));
    EXPECT_FALSE(magnet_->AddWindow(Dock(nullptr, 0, 0, 0, 0, 0, 10, 10)));
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 0, 10, 20, 0, 0, 50, 40)));
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 0, 1, 2, 0, 0, 60, 30)));
    ASSERT_EQ(1u, magnet_->GetDockedWindows().size());
    magnet_->SetHostWindow(host_);
    MoveWindow(host_, 150, 160, 300, 200, FALSE);
    EXPECT_RECT((RECT{151, 162, 211, 192}), WindowRect(a_));
    EXPECT_FALSE(magnet_->RemoveWindow(child));
    EXPECT_FALSE(magnet_->RemoveWindow(nullptr));
    EXPECT_TRUE(magnet_->RemoveWindow(a_));
    EXPECT_FALSE(magnet_->RemoveWindow(a_));
}

TEST_F(WindowMagnetTest, DetachingRestoresTheHostAndKeepsTheList) {
    a_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(200, 60, 60));
    const LONG_PTR ownProc = GetWindowLongPtrW(host_, GWLP_WNDPROC);
    magnet_->SetHostWindow(host_);
    EXPECT_NE(ownProc, GetWindowLongPtrW(host_, GWLP_WNDPROC));
    EXPECT_EQ(magnet_.get(), GetPropW(host_, L"MAGNET"));
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 0, 10, 20, 0, 0, 50, 40)));
    magnet_->SetHostWindow(nullptr);
    EXPECT_EQ(ownProc, GetWindowLongPtrW(host_, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, GetPropW(host_, L"MAGNET"));
    EXPECT_EQ(1u, magnet_->GetDockedWindows().size());
    MoveWindow(host_, 250, 250, 300, 200, FALSE);
    EXPECT_RECT((RECT{0, 0, 50, 40}), WindowRect(a_));
    // The destructor detaches too.
    magnet_->SetHostWindow(host_);
    magnet_.reset();
    EXPECT_EQ(ownProc, GetWindowLongPtrW(host_, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, GetPropW(host_, L"MAGNET"));
}

TEST_F(WindowMagnetTest, DestroyingTheHostDetachesBeforeItsOwnDestroyRuns) {
    a_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(200, 60, 60));
    magnet_->SetHostWindow(host_);
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 0, 10, 20, 0, 0, 50, 40)));
    ASSERT_TRUE(DestroyWindow(host_));
    EXPECT_TRUE(g_host.sawDestroy);
    EXPECT_TRUE(g_host.propGoneAtDestroy);
    EXPECT_TRUE(g_host.ownProcAtDestroy);
    EXPECT_EQ(nullptr, magnet_->GetHostWindow());
}

TEST_F(WindowMagnetTest, VanishedDockedWindowsAreSkipped) {
    a_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(200, 60, 60));
    b_ = MakeWindow(RECT{0, 0, 50, 40}, RGB(60, 200, 60));
    magnet_->SetHostWindow(host_);
    ASSERT_TRUE(magnet_->AddWindow(Dock(a_, 0, 10, 20, 0, 0, 50, 40)));
    ASSERT_TRUE(magnet_->AddWindow(Dock(b_, 0, 70, 20, 0, 0, 50, 40)));
    DestroyWindow(a_);
    a_ = nullptr;
    MoveWindow(host_, 120, 130, 300, 200, FALSE);
    EXPECT_RECT((RECT{190, 150, 240, 190}), WindowRect(b_));
}

}  // namespace
