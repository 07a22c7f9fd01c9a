// The browser dialogs' shared window structure as a real window under
// Xvfb: the transparent bar over the dialog (its window, styles, place,
// visibility), the magnet keeping it there, the two ways to close (real
// clicks), the modal run, and page calls that come while the dialog goes.
// No engine runs: the browser control never gets a browser, and a page call
// is made the way the engine makes it, through the control's client.
#include "CefDialogBase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CCefCommonUI.h"
#include "Harness.h"
#include "TestImages.h"
#include "WindowTestUtil.h"
#include "include/cef_process_message.h"

namespace {

constexpr int kWidth = 486, kHeight = 332;

const char kSkin[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Window size=\"486,332\" caption=\"0,0,0,36\">\n"
    "  <VerticalLayout bkcolor=\"#FFFFFFFF\">\n"
    "    <HorizontalLayout height=\"36\" bkcolor=\"#FF2D3039\">\n"
    "      <Control/>\n"
    "      <Button name=\"closebtn\" width=\"36\" bkcolor=\"#FFE81123\"/>\n"
    "    </HorizontalLayout>\n"
    "    <Control bkcolor=\"#FF20C020\"/>\n"
    "  </VerticalLayout>\n"
    "</Window>\n";

// The same dialog with a browser control.
const char kPageSkin[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Window size=\"486,332\" caption=\"0,0,0,36\">\n"
    "  <VerticalLayout bkcolor=\"#FFFFFFFF\">\n"
    "    <Button name=\"closebtn\" height=\"36\" bkcolor=\"#FFE81123\"/>\n"
    "    <Cef name=\"page\"/>\n"
    "  </VerticalLayout>\n"
    "</Window>\n";

class TestDialog : public CCefDialogBase {
public:
    explicit TestDialog(DWORD barExStyle, const wchar_t* skinFile = L"cefdialog.xml")
        : CCefDialogBase(barExStyle), skinFile_(skinFile) {}
    LPCTSTR GetWindowClassName() const override { return L"CefDialogTestWnd"; }
    int finalMessages = 0;

protected:
    DuiLib::CDuiString GetSkinFile() override { return skinFile_; }
    std::wstring GetStartUrl() override { return L"https://page.example/"; }
    void OnFinalMessage(HWND hWnd) override {
        ++finalMessages;
        CCefDialogBase::OnFinalMessage(hWnd);
    }

private:
    const wchar_t* const skinFile_;
};

// A page calls a native function: the engine hands the renderer's message
// to the control's client on its UI thread.
void PageCall(const CefRefPtr<CefClient>& client, const wchar_t* name) {
    client->OnProcessMessageReceived(nullptr, PID_RENDERER, CefProcessMessage::Create(name));
}

// The page calls that reached a PageDialog (counted outside it: a call that
// reaches a dialog whose members are gone must not touch them).
int g_pageCallsReached = 0;

// A dialog whose page calls once more while the object goes: its member
// makes the call as it is destroyed, before the bases (and with the paint
// manager the browser control) go.
class PageDialog : public TestDialog {
public:
    PageDialog() : TestDialog(WS_EX_TOOLWINDOW, L"cefpage.xml") {}
    void HandleJSCall(const wchar_t*, CefRefPtr<CefListValue>, CCefCommonUI*) override { ++g_pageCallsReached; }

    struct LateCall {
        CefRefPtr<CefClient> client;
        ~LateCall() {
            if (client) PageCall(client, L"late");
        }
    } lateCall;
};

RECT WindowRect(HWND wnd) {
    RECT rect = {};
    GetWindowRect(wnd, &rect);
    return rect;
}

bool SameRect(HWND a, HWND b) {
    const RECT ra = WindowRect(a), rb = WindowRect(b);
    return EqualRect(&ra, &rb) != 0;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// A real click (the pointer of the display) at a screen point.
void ClickScreen(POINT at) {
    wintest::MouseMoveTo(at.x, at.y);
    wintest::MouseLeftDown(at.x, at.y);
    wintest::MouseLeftUp(at.x, at.y);
}

class CefDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::wstring dir = harness::MakeScratchDir(L"cefdialog");
        ASSERT_TRUE(harness::WriteFileBytes(dir + L"\\cefdialog.xml", kSkin));
        ASSERT_TRUE(harness::WriteFileBytes(dir + L"\\cefpage.xml", kPageSkin));
        DuiLib::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        DuiLib::CPaintManagerUI::SetResourcePath((dir + L"\\").c_str());
        // The bar's close button image, where the bar looks for it (beside the program).
        const std::wstring skin = harness::TestDir() + L"\\skin";
        CreateDirectoryW(skin.c_str(), nullptr);
        CreateDirectoryW((skin + L"\\common").c_str(), nullptr);
        ASSERT_TRUE(testimg::WriteWithGdiplus(skin + L"\\common\\close.png", L"image/png",
                                              testimg::MakePattern(100, 20, [](int, int) { return 0xFF2040E0u; })));
    }

    // Made as the small-account windows are: a popup owned by owner, centred.
    HWND Create(TestDialog& dialog, HWND owner) {
        HWND wnd = dialog.Create(owner, L"测试窗口", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, kWidth, kHeight);
        if (wnd) dialog.CenterWindow();
        wintest::PumpFor(200);
        return wnd;
    }
};

TEST_F(CefDialogTest, BarLiesOverTheDialogAndFollowsIt) {
    TestDialog dialog(WS_EX_TOOLWINDOW);
    HWND wnd = Create(dialog, nullptr);
    ASSERT_TRUE(wnd);
    HWND bar = dialog.GetBarWindow();
    ASSERT_TRUE(bar);
    wchar_t className[64] = {};
    GetClassNameW(bar, className, 64);
    EXPECT_STREQ(L"NormalWnd201705", className);
    EXPECT_EQ(wnd, GetWindow(bar, GW_OWNER));
    const LONG_PTR exStyle = GetWindowLongPtrW(bar, GWL_EXSTYLE);
    EXPECT_EQ(WS_EX_LAYERED | WS_EX_TOOLWINDOW, exStyle & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(wintest::PumpUntil([&] { return SameRect(bar, wnd); }, 5000))
        << Describe(WindowRect(bar)) << " vs " << Describe(WindowRect(wnd));

    SetWindowPos(wnd, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(wintest::PumpUntil([&] { return SameRect(bar, wnd); }, 5000))
        << Describe(WindowRect(bar)) << " vs " << Describe(WindowRect(wnd));
    EXPECT_EQ(30, WindowRect(bar).left);

    ShowWindow(wnd, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(bar));
    ShowWindow(wnd, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(bar));
    wintest::PumpFor(200);
    wintest::SaveScreenshot(wintest::CaptureScreen(WindowRect(wnd)), L"cef_dialog_with_bar");

    DestroyWindow(wnd);
    EXPECT_FALSE(IsWindow(bar));  // the bar goes with the dialog
    EXPECT_EQ(1, dialog.finalMessages);
}

TEST_F(CefDialogTest, LoginBarIsTopmost) {
    TestDialog dialog(WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    HWND wnd = Create(dialog, nullptr);
    ASSERT_TRUE(wnd && dialog.GetBarWindow());
    EXPECT_TRUE(GetWindowLongPtrW(dialog.GetBarWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(wnd);
}

TEST_F(CefDialogTest, CloseButtonAndBarCloseEndTheModalRun) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner);
    for (bool throughBar : {false, true}) {
        TestDialog dialog(WS_EX_TOOLWINDOW);
        HWND wnd = Create(dialog, owner);
        ASSERT_TRUE(wnd);
        HWND bar = dialog.GetBarWindow();
        ASSERT_TRUE(bar);
        if (throughBar) {
            // The bar's own close button (a 20 x 20 frame, 1 pixel in from the top right).
            const RECT rect = WindowRect(bar);
            ClickScreen(POINT{rect.right - 11, rect.top + 11});
        } else {
            // The skin's close button, left of the bar's button: the bar lets the click through.
            DuiLib::CControlUI* closebtn = dialog.GetPaintManager()->FindControl(L"closebtn");
            ASSERT_TRUE(closebtn);
            const RECT pos = closebtn->GetPos();
            POINT at = {pos.left + 4, (pos.top + pos.bottom) / 2};
            ClientToScreen(wnd, &at);
            ClickScreen(at);
        }
        // The modal loop runs the posted close and gives the owner back enabled.
        EXPECT_EQ(0u, dialog.ShowModal()) << (throughBar ? "bar" : "closebtn");
        EXPECT_FALSE(IsWindow(wnd));
        EXPECT_FALSE(IsWindow(bar));
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    DestroyWindow(owner);
}

// A page call reaches the dialog while its window lives. From the window's
// end on - while the window goes, and while the object goes after it, its
// own members first - the control's client no longer calls the dialog.
TEST_F(CefDialogTest, PageCallsStopReachingTheDialogWhenItsWindowGoes) {
    g_pageCallsReached = 0;
    {
        PageDialog dialog;
        HWND wnd = Create(dialog, nullptr);
        ASSERT_TRUE(wnd);
        auto* page = static_cast<CCefCommonUI*>(dialog.GetPaintManager()->FindControl(L"page"));
        ASSERT_NE(nullptr, page);
        CefRefPtr<CefClient> client = page->GetClient();
        ASSERT_TRUE(client);
        PageCall(client, L"closeModal");
        EXPECT_EQ(1, g_pageCallsReached);

        DestroyWindow(wnd);
        PageCall(client, L"closeModal");
        EXPECT_EQ(1, g_pageCallsReached) << "a call after the window went reached the dialog";
        dialog.lateCall.client = client;
    }
    EXPECT_EQ(1, g_pageCallsReached) << "a call while the dialog object went reached it";
}

}  // namespace
