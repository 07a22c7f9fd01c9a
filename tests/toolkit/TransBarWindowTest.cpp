// The transparent bar as a real layered window under Xvfb: what is on the
// screen where it stands, its close button's five frames under real mouse
// input, and the close command.
#include "WndTransBar.h"

#include <gtest/gtest.h>

#include <memory>

#include "Harness.h"
#include "TestImages.h"
#include "WindowTestUtil.h"

namespace {

constexpr int kFrameW = 20, kFrameH = 16;
// Frames of the test strip: normal, pushed, disabled, hover, focused.
constexpr uint32_t kFrameColours[5] = {0xFFE02020, 0xFF20C020, 0xFF808080, 0xFF2040E0, 0xFFE0E020};
constexpr uint32_t kBackdrop = 0x00FF00FF;  // magenta, as COLORREF and as RGB alike
constexpr int kBarX = 100, kBarY = 100, kBarW = 200, kBarH = 100;

// As the login dialog makes it.
constexpr DWORD kBarExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

uint32_t Strip(int x, int) { return kFrameColours[x / kFrameW]; }

const wchar_t kBackdropClass[] = L"ToolkitTestBackdrop";
int g_backdropCloses = 0;

// Counts WM_CLOSE instead of closing, so the bar's close command can be seen.
LRESULT CALLBACK BackdropProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++g_backdropCloses;
        return 0;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

// An opaque magenta window under the bar, to tell its transparent pixels apart.
HWND MakeBackdrop(const RECT& rect) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = BackdropProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(kBackdrop);
    wc.lpszClassName = kBackdropClass;
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, kBackdropClass, L"backdrop", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(wnd);
    return wnd;
}

std::wstring ClosePngPath() { return harness::TestDir() + L"\\skin\\common\\close.png"; }

class TransBarWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::wstring skin = harness::TestDir() + L"\\skin";
        CreateDirectoryW(skin.c_str(), nullptr);
        CreateDirectoryW((skin + L"\\common").c_str(), nullptr);
        ASSERT_TRUE(testimg::WriteWithGdiplus(ClosePngPath(), L"image/png",
                                              testimg::MakePattern(kFrameW * 5, kFrameH, Strip)));
    }
    void SetUp() override {
        g_backdropCloses = 0;
        wintest::MouseMoveTo(5, 5);
        ASSERT_TRUE(CWndBase::RegisterWndClass(GetModuleHandleW(nullptr)));
        backdrop_ = MakeBackdrop(RECT{kBarX - 20, kBarY - 20, kBarX + kBarW + 20, kBarY + kBarH + 20});
        ASSERT_TRUE(backdrop_);
        bar_ = std::make_unique<CWndTransBar>();
        HWND bar = CreateWindowExW(kBarExStyle, kNormalWndClassName, L"", WS_POPUP, kBarX,
                                   kBarY, 400, 400, backdrop_, nullptr, GetModuleHandleW(nullptr), bar_.get());
        ASSERT_TRUE(bar);
        ASSERT_EQ(bar, bar_->GetHWND());
        bar_->SetOwnerWnd(backdrop_);
        bar_->SetBarSize(kBarW, kBarH);
        ShowWindow(bar, SW_SHOWNOACTIVATE);
        wintest::PumpFor(200);
    }
    void TearDown() override {
        bar_.reset();
        DestroyWindow(backdrop_);
        wintest::PumpFor(50);
    }
    static RECT BarRect() { return RECT{kBarX, kBarY, kBarX + kBarW, kBarY + kBarH}; }
    // Screen points inside and outside the close button.
    static POINT Inside() { return POINT{kBarX + kBarW - 1 - kFrameW / 2, kBarY + 1 + kFrameH / 2}; }
    static POINT Outside() { return POINT{kBarX + 40, kBarY + 60}; }
    // The colour at the button's centre, once it shows the frame (or after 3 s).
    uint32_t WaitForFrame(int frame, const std::wstring& shot) {
        const POINT c = Inside();
        testimg::Image image;
        wintest::PumpUntil(
            [&] {
                image = wintest::CaptureScreen(BarRect());
                return wintest::Rgb(image.At(c.x - kBarX, c.y - kBarY)) == wintest::Rgb(kFrameColours[frame]);
            },
            3000);
        wintest::SaveScreenshot(image, shot);
        return wintest::Rgb(image.At(c.x - kBarX, c.y - kBarY));
    }
    void Click(POINT down, POINT up) {
        wintest::MouseMoveTo(down.x, down.y);
        wintest::MouseLeftDown(down.x, down.y);
        wintest::MouseMoveTo(up.x, up.y);
        wintest::MouseLeftUp(up.x, up.y);
        wintest::PumpFor(100);
    }

    HWND backdrop_ = nullptr;
    std::unique_ptr<CWndTransBar> bar_;
};

TEST_F(TransBarWindowTest, ShowsOnlyItsCloseButtonOverWhatIsBehind) {
    ASSERT_EQ(wintest::Rgb(kFrameColours[0]), WaitForFrame(0, L"transbar"));
    RECT window;
    GetWindowRect(bar_->GetHWND(), &window);
    EXPECT_EQ(kBarW, window.right - window.left);
    EXPECT_EQ(kBarH, window.bottom - window.top);
    EXPECT_TRUE(GetWindowLongPtrW(bar_->GetHWND(), GWL_EXSTYLE) & WS_EX_LAYERED);
    const RECT button = bar_->GetCloseButton().GetRect();
    EXPECT_EQ((RECT{kBarW - kFrameW - 1, 1, kBarW - 1, 1 + kFrameH}.left), button.left);
    EXPECT_EQ(kBarW - 1, button.right);
    EXPECT_EQ(1 + kFrameH, button.bottom);
    const testimg::Image image = wintest::CaptureScreen(BarRect());
    for (int y = 0; y < kBarH; ++y) {
        for (int x = 0; x < kBarW; ++x) {
            const POINT pt = {x, y};
            const uint32_t expected = PtInRect(&button, pt) ? wintest::Rgb(kFrameColours[0]) : kBackdrop;
            ASSERT_EQ(expected, wintest::Rgb(image.At(x, y))) << x << "," << y;
        }
    }
}

TEST_F(TransBarWindowTest, CloseButtonShowsEachFrameUnderTheMouse) {
    EXPECT_EQ(wintest::Rgb(kFrameColours[0]), WaitForFrame(0, L"button_normal"));
    const POINT in = Inside();
    wintest::MouseMoveTo(in.x - 2, in.y);
    wintest::MouseMoveTo(in.x, in.y);
    EXPECT_EQ(wintest::Rgb(kFrameColours[3]), WaitForFrame(3, L"button_hover"));
    wintest::MouseLeftDown(in.x, in.y);
    EXPECT_EQ(wintest::Rgb(kFrameColours[1]), WaitForFrame(1, L"button_pushed"));
    wintest::MouseLeftUp(in.x, in.y);
    EXPECT_EQ(wintest::Rgb(kFrameColours[3]), WaitForFrame(3, L"button_released"));
    EXPECT_TRUE(wintest::PumpUntil([] { return g_backdropCloses == 1; }, 2000));

    const POINT out = Outside();
    wintest::MouseMoveTo(out.x, out.y);
    EXPECT_EQ(wintest::Rgb(kFrameColours[0]), WaitForFrame(0, L"button_left"));
    bar_->GetCloseButton().SetFocused(true);
    EXPECT_EQ(wintest::Rgb(kFrameColours[4]), WaitForFrame(4, L"button_focused"));
    bar_->GetCloseButton().SetEnabled(false);
    InvalidateRect(bar_->GetHWND(), nullptr, FALSE);
    EXPECT_EQ(wintest::Rgb(kFrameColours[2]), WaitForFrame(2, L"button_disabled"));
    EXPECT_EQ(1, g_backdropCloses);
}

TEST_F(TransBarWindowTest, DraggingOffTheButtonBeforeReleaseDoesNotClose) {
    const POINT in = Inside();
    wintest::MouseMoveTo(in.x, in.y);
    wintest::MouseLeftDown(in.x, in.y);
    EXPECT_EQ(wintest::Rgb(kFrameColours[1]), WaitForFrame(1, L"drag_pushed"));
    const POINT out = Outside();
    wintest::MouseMoveTo(out.x, out.y);
    // Still pushed while the button holds the capture.
    EXPECT_EQ(wintest::Rgb(kFrameColours[1]), WaitForFrame(1, L"drag_outside"));
    wintest::MouseLeftUp(out.x, out.y);
    EXPECT_EQ(wintest::Rgb(kFrameColours[0]), WaitForFrame(0, L"drag_released"));
    wintest::PumpFor(200);
    EXPECT_EQ(0, g_backdropCloses);
    EXPECT_EQ(uiskin::CButtonUI::kNormal, bar_->GetCloseButton().GetState());
    EXPECT_NE(bar_->GetHWND(), GetCapture());
}

TEST_F(TransBarWindowTest, LosingTheCaptureWhilePushedReleasesWithoutClosing) {
    const POINT in = Inside();
    wintest::MouseMoveTo(in.x, in.y);
    wintest::MouseLeftDown(in.x, in.y);
    ASSERT_EQ(uiskin::CButtonUI::kPushed, bar_->GetCloseButton().GetState());
    ASSERT_EQ(bar_->GetHWND(), GetCapture());
    SetCapture(backdrop_);
    EXPECT_EQ(uiskin::CButtonUI::kNormal, bar_->GetCloseButton().GetState());
    EXPECT_EQ(wintest::Rgb(kFrameColours[0]), WaitForFrame(0, L"capture_lost"));
    wintest::MouseLeftUp(in.x, in.y);
    ReleaseCapture();
    wintest::PumpFor(200);
    EXPECT_EQ(0, g_backdropCloses);
}

TEST_F(TransBarWindowTest, WithoutOwnerTheCloseButtonClosesNothing) {
    bar_->SetOwnerWnd(nullptr);
    Click(Inside(), Inside());
    EXPECT_EQ(uiskin::CButtonUI::kHover, bar_->GetCloseButton().GetState());
    wintest::PumpFor(200);
    EXPECT_EQ(0, g_backdropCloses);
    EXPECT_TRUE(IsWindow(bar_->GetHWND()));
}

TEST_F(TransBarWindowTest, HidingTheBarPutsTheButtonBackToNormal) {
    const POINT in = Inside();
    wintest::MouseMoveTo(in.x, in.y);
    ASSERT_EQ(wintest::Rgb(kFrameColours[3]), WaitForFrame(3, L"hide_hover"));
    ShowWindow(bar_->GetHWND(), SW_HIDE);
    EXPECT_EQ(uiskin::CButtonUI::kNormal, bar_->GetCloseButton().GetState());
    wintest::MouseMoveTo(Outside().x, Outside().y);
    ShowWindow(bar_->GetHWND(), SW_SHOWNOACTIVATE);
    InvalidateRect(bar_->GetHWND(), nullptr, FALSE);
    EXPECT_EQ(wintest::Rgb(kFrameColours[0]), WaitForFrame(0, L"hide_shown_again"));
}

TEST_F(TransBarWindowTest, WithoutItsImageTheBarIsWhollyTransparent) {
    bar_.reset();
    ASSERT_TRUE(MoveFileW(ClosePngPath().c_str(), (ClosePngPath() + L".away").c_str()));
    bar_ = std::make_unique<CWndTransBar>();
    HWND bar = CreateWindowExW(kBarExStyle, kNormalWndClassName, L"", WS_POPUP, kBarX, kBarY,
                               400, 400, backdrop_, nullptr, GetModuleHandleW(nullptr), bar_.get());
    const bool restored = MoveFileW((ClosePngPath() + L".away").c_str(), ClosePngPath().c_str()) != FALSE;
    ASSERT_TRUE(restored);
    ASSERT_TRUE(bar);
    EXPECT_EQ(0, bar_->GetCloseButton().GetSize().cx);
    EXPECT_EQ(0, bar_->GetCloseButton().GetSize().cy);
    bar_->SetBarSize(kBarW, kBarH);
    ShowWindow(bar, SW_SHOWNOACTIVATE);
    wintest::PumpFor(300);
    const testimg::Image image = wintest::CaptureScreen(BarRect());
    wintest::SaveScreenshot(image, L"transbar_no_image");
    for (uint32_t px : image.bgra) ASSERT_EQ(kBackdrop, wintest::Rgb(px));
}

TEST_F(TransBarWindowTest, DestroyingTheObjectDestroysItsWindow) {
    HWND bar = bar_->GetHWND();
    bar_.reset();
    EXPECT_FALSE(IsWindow(bar));
}

}  // namespace
