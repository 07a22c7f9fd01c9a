// The cloud-save upload window on its own, in this process, from the
// shipped skin: its rows, its place at the bottom right of the work area,
// and a system close that closes it alone.
#include <gtest/gtest.h>

#include "GameUploadProgressWnd.h"
#include "Harness.h"
#include "WindowTool.h"

namespace {

using DuiLib::CPaintManagerUI;

// Handles what is queued for this thread; true when a WM_QUIT was among it.
bool PumpSawQuit() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) quit = true;
        DispatchMessageW(&msg);
    }
    return quit;
}

class UploadProgressWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        CPaintManagerUI::SetResourcePath((harness::ProgramDir() + L"\\Skin\\").c_str());
    }
};

TEST_F(UploadProgressWndTest, SitsAtTheWorkAreaCornerAndClosesAloneOnASystemClose) {
    auto* window = new CGameUploadProgressWnd();
    window->AddItem(1);
    window->AddItem(2);
    HWND hwnd = window->Create(nullptr, L"ORV游戏云存档进度", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                               0, 0, 300, 200);
    ASSERT_NE(nullptr, hwnd);
    window->ShowWindow(true, true);
    ASSERT_TRUE(harness::WaitUntil([&] { PumpSawQuit(); return harness::WindowRect(hwnd).left != 0; }, 10000))
        << "placed when the window is first painted";

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor));
    RECT rect = harness::WindowRect(hwnd);
    EXPECT_EQ(236, rect.right - rect.left);
    EXPECT_EQ(150, rect.bottom - rect.top) << "70 + 40 per game";
    EXPECT_EQ(monitor.rcWork.right - 237, rect.left);
    EXPECT_EQ(monitor.rcWork.bottom, rect.bottom);

    // One row per game: icon, name, and the progress column.
    CPaintManagerUI* manager = window->GetPaintManager();
    DuiLib::CContainerUI* panel =
        static_cast<DuiLib::CContainerUI*>(manager->FindControl(L"main_panel")->GetInterface(L"IContainer"));
    ASSERT_EQ(2, panel->GetCount());
    for (int i = 0; i < panel->GetCount(); ++i) {
        DuiLib::CControlUI* row = panel->GetItemAt(i);
        EXPECT_STREQ(L"game_upload_item", row->GetName().GetData());
        EXPECT_EQ(40, row->GetFixedHeight());
    }
    DuiLib::CControlUI* name = manager->FindControl(L"text_game_name");
    ASSERT_NE(nullptr, name);
    EXPECT_STREQ(L"绝地大逃杀", name->GetText().GetData());
    DuiLib::CControlUI* percent = manager->FindControl(L"text_progress_1");
    ASSERT_NE(nullptr, percent);
    EXPECT_STREQ(L"35%", percent->GetText().GetData());
    DuiLib::CControlUI* bar = manager->FindControl(L"progress_1");
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(35, static_cast<DuiLib::CProgressUI*>(bar->GetInterface(L"Progress"))->GetValue());
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    harness::WaitUntil([] { PumpSawQuit(); return false; }, 300);   // painted on screen
    harness::SaveWindowScreenshot(hwnd, L"window_game_upload");

    // The system close: this window goes, nothing asks the thread to quit.
    PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    bool quit = false;
    ASSERT_TRUE(harness::WaitUntil([&] { quit |= PumpSawQuit(); return !IsWindow(hwnd); }, 10000));
    quit |= PumpSawQuit();
    EXPECT_FALSE(quit) << "a system close must not end the launcher's message loop";
}

}  // namespace
