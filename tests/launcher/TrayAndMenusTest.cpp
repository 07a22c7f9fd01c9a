// The launcher's tray icon, boss key and menus, started as a user would,
// with a recording stand-in of the player's frame: what the window does and
// what the player is told.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "DialogTestSupport.h"
#include "FakeGameFrame.h"
#include "LauncherRun.h"
#include "MainWndMessages.h"
#include "WindowTool.h"

namespace {

using dialogs::OpenTrayMenu;
using dialogs::SaveSettledScreenshot;
using dialogs::WaitUntilResponsive;
using launcher::Control;
using launcher::LauncherRun;
using Message = FakeGameFrame::Message;

constexpr DWORD kShowBoundMs = 2000;   // far above the 100 ms a user should see

// Milliseconds until the condition holds, polled every millisecond; timeoutMs + 1 when it never does.
DWORD MsUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (;;) {
        QueryPerformanceCounter(&now);
        DWORD elapsed = static_cast<DWORD>((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
        if (condition()) return elapsed;
        if (elapsed > timeoutMs) return timeoutMs + 1;
        Sleep(1);
    }
}

// A shell's notification area made anew, as after the shell restarted: a
// hidden top-most window of class "Shell_TrayWnd" on its own thread, found
// before the running shell's, that records which windows add, change or
// delete icons (Wine's Shell_NotifyIcon sends it WM_COPYDATA with the
// NIM_ code as dwData and the icon's window as wParam).
class FakeShellTray {
public:
    struct Call {
        DWORD code;
        HWND window;
    };

    FakeShellTray() {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread(&FakeShellTray::Run, this, ready);
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    ~FakeShellTray() {
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (thread_.joinable()) thread_.join();
    }
    FakeShellTray(const FakeShellTray&) = delete;
    FakeShellTray& operator=(const FakeShellTray&) = delete;

    bool IsTheTray() const { return window_ && FindWindowW(L"Shell_TrayWnd", nullptr) == window_; }
    // The icons window added so far.
    size_t AddsFrom(HWND window) const {
        std::lock_guard<std::mutex> hold(lock_);
        size_t adds = 0;
        for (const Call& call : calls_) adds += call.code == NIM_ADD && call.window == window;
        return adds;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<FakeShellTray*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == WM_COPYDATA) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            std::lock_guard<std::mutex> hold(self->lock_);
            self->calls_.push_back(Call{static_cast<DWORD>(data->dwData), reinterpret_cast<HWND>(wParam)});
            return TRUE;
        }
        if (msg == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    void Run(HANDLE ready) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &FakeShellTray::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", nullptr, WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, wc.hInstance, this);
        SetEvent(ready);
        MSG msg;
        while (window_ && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }

    std::thread thread_;
    HWND window_ = nullptr;
    mutable std::mutex lock_;
    std::vector<Call> calls_;
};

Message Show() { return Message{WM_NOTIFY_SHOW_GAMEFRAME, 0}; }
Message Hide() { return Message{WM_NOTIFY_SHOW_GAMEFRAME, 1}; }

class TrayAndMenusTest : public launcher::LauncherTest {};

TEST_F(TrayAndMenusTest, TrayClicksShowTheWindowAndTheMenuEndsTheLauncher) {
    FakeGameFrame player;
    LauncherRun run;
    run.WriteIni();
    run.SetIniValue(L"main", L"CloseType", L"0");
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();
    ASSERT_TRUE(run.WaitForLog(L"gameframe=0x")) << "the launcher looks for the player's frame";

    // The right button: the tray menu, above the pointer.
    HWND menu = OpenTrayMenu(run);
    ASSERT_NE(nullptr, menu) << run.LogText();
    std::vector<std::wstring> items;
    for (const Control& c : run.Tree(menu)) {
        if (c.className == L"MenuElementUI") items.push_back(c.name);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"show_main", L"menu_setting", L"menu_update", L"menu_about", L"exit_main"}),
              items);
    SaveSettledScreenshot(menu, L"menu_tray");
    harness::PostToWindow(menu, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(harness::WaitUntilHidden(menu, 5000));

    // Hidden (CloseType 0 hides on close): the left button shows it, and the player too.
    ASSERT_TRUE(run.Click(L"closebtn"));
    ASSERT_TRUE(harness::WaitUntilHidden(window, 10000));
    // Timed from a window thread that is free again (a hide may hold it under Xvfb).
    ASSERT_TRUE(WaitUntilResponsive(window));
    // The shell restarts meanwhile: its new taskbar gets the launcher's icon
    // when it says "TaskbarCreated", so the tray still reaches the launcher.
    {
        FakeShellTray tray;
        ASSERT_TRUE(tray.IsTheTray());
        EXPECT_EQ(0u, tray.AddsFrom(window));
        harness::PostToWindow(window, RegisterWindowMessageW(L"TaskbarCreated"));
        EXPECT_TRUE(harness::WaitUntil([&] { return tray.AddsFrom(window) == 1; }, 5000)) << run.LogText();
    }
    harness::PostToWindow(window, UIMSG_TRAYICON, 0, WM_LBUTTONUP);
    DWORD shownMs = MsUntil([&] { return IsWindowVisible(window) != FALSE; }, 10000);
    std::cout << "benchmark: tray click to window shown " << shownMs << " ms" << std::endl;
    EXPECT_LE(shownMs, kShowBoundMs);
    ASSERT_TRUE(player.WaitForCount(1, 5000));
    EXPECT_EQ((std::vector<Message>{Show()}), player.Received());
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|CMainWnd OnTrayMessage : show_main"));

    // Minimised: the left button only restores it.
    harness::PostToWindow(window, WM_SYSCOMMAND, SC_MINIMIZE);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));
    harness::PostToWindow(window, UIMSG_TRAYICON, 0, WM_LBUTTONUP);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsIconic(window); }, 5000));
    EXPECT_TRUE(run.WaitForLog(L"[Debug]|CMainWnd OnTrayMessage : restore"));
    Sleep(300);
    EXPECT_EQ(1u, player.Received().size()) << "a restore tells the player nothing";

    // Other mouse messages of the icon do nothing.
    harness::PostToWindow(window, UIMSG_TRAYICON, 0, WM_MOUSEMOVE);
    harness::PostToWindow(window, UIMSG_TRAYICON, 0, WM_LBUTTONDOWN);

    // "exit_main": the launcher ends, the player is told to log out and close.
    menu = OpenTrayMenu(run);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(run.Click(L"exit_main", menu));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(run.LogHas(L"[Debug]|CMainWnd on menu clicked : exit_main"));
    EXPECT_EQ((std::vector<Message>{Show(), Message{WM_NOTIFY_USER_LOGOUT, 0}}), player.Received());
}

TEST_F(TrayAndMenusTest, BossKeyHidesAndShowsTheLauncherAndThePlayer) {
    FakeGameFrame player;
    LauncherRun run;
    run.WriteIni();
    HWND window = dialogs::StartWithBossKey(run);
    ASSERT_NE(nullptr, window) << run.LogText();
    ATOM atom = GlobalFindAtomW(L"HotKey_boss");
    ASSERT_NE(0, atom);
    const WPARAM bossKey = atom - 0xC000;

    // Another hot key id does nothing.
    harness::PostToWindow(window, WM_HOTKEY, bossKey + 1, MAKELPARAM(MOD_ALT, 'D'));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(player.Received().empty());

    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    DWORD hiddenMs = MsUntil([&] { return !IsWindowVisible(window); }, 10000);
    ASSERT_TRUE(WaitUntilResponsive(window));
    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    DWORD shownMs = MsUntil([&] { return IsWindowVisible(window) != FALSE; }, 10000);
    std::cout << "benchmark: boss key to window hidden " << hiddenMs << " ms, shown " << shownMs << " ms"
              << std::endl;
    EXPECT_LE(hiddenMs, kShowBoundMs);
    EXPECT_LE(shownMs, kShowBoundMs);
    ASSERT_TRUE(player.WaitForCount(2, 5000));
    EXPECT_EQ((std::vector<Message>{Hide(), Show()}), player.Received());
    EXPECT_TRUE(run.LogHas(L"[Debug]|CMainWnd boss key: hidden"));

    // Hidden by the boss key, then shown from the tray: the next press hides again.
    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    ASSERT_TRUE(harness::WaitUntilHidden(window, 5000));
    harness::PostToWindow(window, UIMSG_TRAYICON, 0, WM_LBUTTONUP);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    EXPECT_TRUE(harness::WaitUntilHidden(window, 5000)) << "the tray cleared the boss key's state";
    ASSERT_TRUE(player.WaitForCount(5, 5000));
    EXPECT_EQ((std::vector<Message>{Hide(), Show(), Hide(), Show(), Hide()}), player.Received());

    harness::PostToWindow(window, WM_HOTKEY, bossKey, MAKELPARAM(MOD_ALT, 'D'));
    ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(&code));
    EXPECT_EQ(0u, code);
}

TEST_F(TrayAndMenusTest, TitleBarMenuReplacesAnOpenMenuAndTheEndFindsAnUnreportedPlayer) {
    LauncherRun run;
    run.WriteIni();
    // Item names are matched without regard to case.
    const std::wstring menuFile = run.Dir() + L"\\Skin\\menu_more.xml";
    std::string menuXml = harness::ReadFileBytes(menuFile);
    size_t at = menuXml.find("name=\"menu_about\"");
    ASSERT_NE(std::string::npos, at);
    menuXml.replace(at, 17, "name=\"Menu_About\"");
    ASSERT_TRUE(harness::WriteFileBytes(menuFile, menuXml));
    ASSERT_TRUE(run.Start());
    HWND window = run.WaitForMainWindow();
    ASSERT_NE(nullptr, window) << run.LogText();

    HWND trayMenu = OpenTrayMenu(run);
    ASSERT_NE(nullptr, trayMenu);
    ASSERT_TRUE(run.Click(L"menubtn"));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(trayMenu); }, 10000)) << "one menu at a time";
    HWND menu = harness::WaitForTopWindow(L"DuiMenuWnd", nullptr, true, 10000);
    ASSERT_NE(nullptr, menu);
    Control item;
    EXPECT_TRUE(run.FindControl(L"Menu_About", &item, menu));
    EXPECT_FALSE(run.FindControl(L"exit_main", &item, menu));
    SaveSettledScreenshot(menu, L"menu_more");
    harness::PostToWindow(menu, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(harness::WaitUntilHidden(menu, 5000));
    HWND about = dialogs::OpenFromTitleMenu(run, L"Menu_About", L"DlgAbout");
    ASSERT_NE(nullptr, about) << run.LogText();
    harness::PostToWindow(about, WM_CLOSE);
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(about); }, 10000));

    // Logged out, the drop-down button opens nothing.
    Control dragdown;
    ASSERT_TRUE(run.FindControl(L"dragdown_btn", &dragdown));
    EXPECT_FALSE(dragdown.visible);

    // A player's frame the launcher has not heard of (its report has not
    // come, as while the player starts) is told to log out at the end too.
    FakeGameFrame player;
    menu = OpenTrayMenu(run);
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(run.Click(L"exit_main", menu));
    DWORD code = 1;
    ASSERT_TRUE(run.Process().Wait(30000, &code)) << run.LogText();
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(player.WaitForCount(1, 5000)) << run.LogText();
    EXPECT_EQ((std::vector<Message>{Message{WM_NOTIFY_USER_LOGOUT, 0}}), player.Received());
    EXPECT_FALSE(run.LogHas(L"is not window"));
}

}  // namespace
