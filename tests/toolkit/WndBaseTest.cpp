// CWndBase: the class registration, the binding of object and window, and
// the routing of each message to its handler, on real windows.
#include "WndBase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "WindowTestUtil.h"

namespace {

class RecordingWnd : public CWndBase {
public:
    std::vector<std::string> calls;
    int lastX = 0, lastY = 0;
    UINT_PTR lastTimer = 0;
    HDC lastPaintDc = nullptr;
    bool lastPaintFromWParam = false;
    HWND finalWnd = nullptr;
    bool hwndClearedAtFinal = false;
    UINT swallow = 0;  // PreHandleMessage answers non-zero for this message

    LRESULT OnCreate(LPARAM lParam) override {
        calls.push_back("create");
        return CWndBase::OnCreate(lParam);
    }
    void OnDestroy() override {
        calls.push_back("destroy");
        CWndBase::OnDestroy();
    }
    void OnPaint(HDC dc, bool fromWParam) override {
        calls.push_back("paint");
        lastPaintDc = dc;
        lastPaintFromWParam = fromWParam;
    }
    void OnTimer(UINT_PTR id) override {
        calls.push_back("timer");
        lastTimer = id;
    }
    void OnSize(UINT flags, int cx, int cy) override {
        calls.push_back("size");
        Keep(cx, cy);
        CWndBase::OnSize(flags, cx, cy);
    }
    void OnMouseMove(UINT, int x, int y) override { Record("move", x, y); }
    void OnLButtonDown(UINT, int x, int y) override { Record("ldown", x, y); }
    void OnLButtonUp(UINT, int x, int y) override { Record("lup", x, y); }
    void OnRButtonUp(UINT, int x, int y) override { Record("rup", x, y); }
    void OnCommand(WPARAM wParam, LPARAM) override {
        calls.push_back("command");
        lastTimer = wParam;
    }
    void OnFinalMessage(HWND wnd) override {
        calls.push_back("final");
        finalWnd = wnd;
        hwndClearedAtFinal = GetHWND() == nullptr && GetWindowLongPtrW(wnd, GWLP_USERDATA) == 0;
    }
    LRESULT PreHandleMessage(UINT message, WPARAM, LPARAM) override { return message == swallow ? 1 : 0; }

private:
    void Keep(int x, int y) {
        lastX = x;
        lastY = y;
    }
    void Record(const char* name, int x, int y) {
        calls.push_back(name);
        Keep(x, y);
    }
};

HWND CreateFor(CWndBase* object) {
    return CreateWindowExW(0, kNormalWndClassName, L"wndbase", WS_POPUP, 50, 60, 120, 80, nullptr, nullptr,
                           GetModuleHandleW(nullptr), object);
}

bool Called(const RecordingWnd& wnd, const char* name) {
    for (const std::string& call : wnd.calls)
        if (call == name) return true;
    return false;
}

class WndBaseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CWndBase::RegisterWndClass(GetModuleHandleW(nullptr))); }
};

TEST_F(WndBaseTest, ClassIsRegisteredOnceWithItsStyle) {
    ASSERT_TRUE(CWndBase::RegisterWndClass(GetModuleHandleW(nullptr)));  // again: already there
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"NormalWnd201705", &wc));
    EXPECT_EQ(static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS), wc.style);
    EXPECT_EQ(&CWndBase::WndProc, wc.lpfnWndProc);
    EXPECT_EQ(nullptr, wc.hbrBackground);
    EXPECT_NE(nullptr, wc.hCursor);
    EXPECT_EQ(0, wc.cbWndExtra);
}

TEST_F(WndBaseTest, ObjectIsBoundAtCreateAndReceivesItsMessages) {
    RecordingWnd wnd;
    HWND hwnd = CreateFor(&wnd);
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(hwnd, wnd.GetHWND());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&wnd), GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    ASSERT_FALSE(wnd.calls.empty());
    EXPECT_EQ("create", wnd.calls.front());

    // Mouse coordinates are the signed words of lParam.
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-5), static_cast<WORD>(-7)));
    EXPECT_EQ("move", wnd.calls.back());
    EXPECT_EQ(-5, wnd.lastX);
    EXPECT_EQ(-7, wnd.lastY);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
    EXPECT_EQ("ldown", wnd.calls.back());
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(11, 21));
    EXPECT_EQ("lup", wnd.calls.back());
    SendMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(12, 22));
    EXPECT_EQ("rup", wnd.calls.back());
    EXPECT_EQ(12, wnd.lastX);
    SendMessageW(hwnd, WM_TIMER, 42, 0);
    EXPECT_EQ(42u, wnd.lastTimer);
    SendMessageW(hwnd, WM_COMMAND, 257, 0);
    EXPECT_EQ("command", wnd.calls.back());
    SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_EQ("size", wnd.calls.back());
    EXPECT_EQ(300, wnd.lastX);
    EXPECT_EQ(200, wnd.lastY);
}

TEST_F(WndBaseTest, PaintTakesTheDcOfWParamOrOfBeginPaint) {
    RecordingWnd wnd;
    HWND hwnd = CreateFor(&wnd);
    ASSERT_TRUE(hwnd);
    HDC memDc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(0, SendMessageW(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(memDc), 0));
    EXPECT_EQ(memDc, wnd.lastPaintDc);
    EXPECT_TRUE(wnd.lastPaintFromWParam);
    DeleteDC(memDc);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    wnd.lastPaintDc = nullptr;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    EXPECT_NE(nullptr, wnd.lastPaintDc);
    EXPECT_FALSE(wnd.lastPaintFromWParam);
    // Painted, nothing left to paint.
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
}

TEST_F(WndBaseTest, BackgroundIsNeverErased) {
    RecordingWnd wnd;
    HWND hwnd = CreateFor(&wnd);
    ASSERT_TRUE(hwnd);
    testimg::Surface surface(120, 80, false, 0x12345678);
    EXPECT_EQ(1, SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.Dc()), 0));
    EXPECT_FALSE(Called(wnd, "paint"));
    for (int y = 0; y < 80; y += 7)
        for (int x = 0; x < 120; x += 7) ASSERT_EQ(0x12345678u, surface.At(x, y));
}

TEST_F(WndBaseTest, PreHandledMessagesStopThere) {
    RecordingWnd wnd;
    HWND hwnd = CreateFor(&wnd);
    ASSERT_TRUE(hwnd);
    wnd.swallow = WM_LBUTTONDOWN;
    EXPECT_EQ(0, SendMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1)));
    EXPECT_FALSE(Called(wnd, "ldown"));
    wnd.swallow = WM_CLOSE;
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(WndBaseTest, CloseDestroysTheWindowButNotTheObject) {
    RecordingWnd wnd;
    HWND hwnd = CreateFor(&wnd);
    ASSERT_TRUE(hwnd);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, wnd.GetHWND());
    EXPECT_TRUE(Called(wnd, "destroy"));
    EXPECT_EQ(hwnd, wnd.finalWnd);
    EXPECT_TRUE(wnd.hwndClearedAtFinal);
    EXPECT_EQ("final", wnd.calls.back());
}

TEST_F(WndBaseTest, DestroyingTheObjectDestroysItsWindow) {
    auto wnd = std::make_unique<RecordingWnd>();
    HWND hwnd = CreateFor(wnd.get());
    ASSERT_TRUE(hwnd);
    wnd.reset();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WndBaseTest, AWindowWithoutObjectBehavesAsADefaultWindow) {
    HWND hwnd = CreateFor(nullptr);
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(0, GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, 0);
    EXPECT_TRUE(DestroyWindow(hwnd));
}

}  // namespace
