// The window thread's task loop, the browser process's engine switches and
// the single-instance mutex.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <UIlib.h>

#include "ClientAppBrowser.h"
#include "Harness.h"
#include "MainMessageLoopWin.h"
#include "include/cef_command_line.h"

namespace {

struct TaskLog {
    std::mutex m;
    std::vector<std::string> order;
    std::vector<DWORD> threads;
    std::atomic<int> destroyed{0};
};

class LoggingTask : public CefTask {
public:
    LoggingTask(std::shared_ptr<TaskLog> log, std::string name, bool quit = false)
        : log_(std::move(log)), name_(std::move(name)), quit_(quit) {}
    ~LoggingTask() override { ++log_->destroyed; }
    void Execute() override {
        std::lock_guard<std::mutex> lock(log_->m);
        log_->order.push_back(name_);
        log_->threads.push_back(GetCurrentThreadId());
        if (quit_) PostQuitMessage(7);
    }

private:
    std::shared_ptr<TaskLog> log_;
    std::string name_;
    bool quit_;
    IMPLEMENT_REFCOUNTING(LoggingTask);
};

}  // namespace

TEST(MainMessageLoop, TasksBeforeRunFromThreadsAndAfterTheEnd) {
    auto log = std::make_shared<TaskLog>();
    int exitCode = 0;
    {
        CMainMessageLoopWin loop;
        EXPECT_EQ(&loop, CMainMessageLoopWin::GetMainMessageLoop());
        EXPECT_TRUE(loop.RunsTasksOnCurrentThread());
        bool otherThreadRuns = true;
        std::thread([&] { otherThreadRuns = loop.RunsTasksOnCurrentThread(); }).join();
        EXPECT_FALSE(otherThreadRuns);

        loop.PostTask(new LoggingTask(log, "early"));
        // Four threads post five tasks each once the loop runs; the last task ends the loop.
        std::vector<std::thread> posters;
        std::atomic<int> posted{0};
        for (int t = 0; t < 4; ++t) {
            posters.emplace_back([&, t] {
                for (int k = 0; k < 5; ++k) {
                    loop.PostTask(new LoggingTask(log, "t" + std::to_string(t)));
                    ++posted;
                }
            });
        }
        std::thread finisher([&] {
            harness::WaitUntil([&] { return posted == 20; }, 10000);
            loop.PostTask(new LoggingTask(log, "quit", true));
        });
        exitCode = loop.Run();
        for (auto& p : posters) p.join();
        finisher.join();
        // After the loop: never runs, released by the destructor.
        loop.PostTask(new LoggingTask(log, "late"));
        EXPECT_EQ(22, log->destroyed.load());
    }
    EXPECT_EQ(7, exitCode);
    EXPECT_EQ(nullptr, CMainMessageLoopWin::GetMainMessageLoop());
    EXPECT_EQ(23, log->destroyed.load());
    ASSERT_EQ(22u, log->order.size());
    EXPECT_EQ("early", log->order.front());
    EXPECT_EQ("quit", log->order.back());
    for (DWORD t : log->threads) EXPECT_EQ(GetCurrentThreadId(), t);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(5, std::count(log->order.begin(), log->order.end(), "t" + std::to_string(t)));
}

TEST(MainMessageLoop, TasksStillQueuedWhenTheLoopEndsAreReleasedNotRun) {
    auto log = std::make_shared<TaskLog>();
    {
        CMainMessageLoopWin loop;
        // The first task ends the loop with a WM_QUIT queued in order, so the
        // three tasks after it are still waiting when the loop stops.
        class EndTask : public CefTask {
        public:
            EndTask(CMainMessageLoopWin* loop, std::shared_ptr<TaskLog> log) : loop_(loop), log_(std::move(log)) {}
            void Execute() override {
                PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 3, 0);
                for (int k = 0; k < 3; ++k) loop_->PostTask(new LoggingTask(log_, "after the end"));
            }

        private:
            CMainMessageLoopWin* loop_;
            std::shared_ptr<TaskLog> log_;
            IMPLEMENT_REFCOUNTING(EndTask);
        };
        loop.PostTask(new EndTask(&loop, log));
        EXPECT_EQ(3, loop.Run());
        EXPECT_EQ(3, log->destroyed.load()) << "the queued tasks were not released with the loop's window";
    }
    EXPECT_TRUE(log->order.empty());
}

// Records the keys that reach it and takes F5 before the window sees it.
class F5Filter : public DuiLib::IMessageFilterUI {
public:
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) override {
        if (uMsg == WM_KEYDOWN) ++keys;
        bHandled = uMsg == WM_KEYDOWN && wParam == VK_F5;
        return 0;
    }
    int keys = 0;
};

std::atomic<int> g_keysAtWindow{0};
LRESULT CALLBACK KeyWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN) ++g_keysAtWindow;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(MainMessageLoop, TheSkinLibrarySeesEachMessageFirst) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = KeyWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LoopKeyTarget";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"LoopKeyTarget", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                  nullptr);
    ASSERT_NE(nullptr, window);
    F5Filter filter;
    {
        DuiLib::CPaintManagerUI manager;
        manager.Init(window);
        manager.AddPreMessageFilter(&filter);
        CMainMessageLoopWin loop;
        PostMessageW(window, WM_KEYDOWN, VK_F5, 0);  // taken by the skin library
        PostMessageW(window, WM_KEYDOWN, VK_F6, 0);  // passed on to the window
        PostQuitMessage(0);
        loop.Run();
        manager.RemovePreMessageFilter(&filter);
    }
    DestroyWindow(window);
    EXPECT_EQ(2, filter.keys);
    EXPECT_EQ(1, g_keysAtWindow.load());
}

TEST(ClientAppBrowserSwitches, AsciiFolderUsesThePluginInPlace) {
    CefRefPtr<CefCommandLine> cmd = CefCommandLine::CreateCommandLine();
    ClientAppBrowser::AppendSwitches(L"C:\\Games\\app\\", cmd);
    EXPECT_TRUE(cmd->HasSwitch(L"always-authorize-plugins"));
    EXPECT_TRUE(cmd->HasSwitch(L"ppapi-out-of-process"));
    EXPECT_TRUE(cmd->HasSwitch(L"no-proxy-server"));
    EXPECT_EQ(L"C:\\Games\\app\\plugins\\pepflashplayer32_25_0_0_127.dll",
              cmd->GetSwitchValue(L"ppapi-flash-path").ToWString());
    EXPECT_EQ(L"25.0.0.127", cmd->GetSwitchValue(L"ppapi-flash-version").ToWString());
    EXPECT_EQ(L"1", cmd->GetSwitchValue(L"renderer-process-limit").ToWString());
}

TEST(ClientAppBrowserSwitches, NonAsciiFolderCopiesThePluginToTheDriveRoot) {
    // C: is the test prefix's own drive, so the copy stays inside the prefix.
    std::wstring base = L"C:\\引擎测试";
    std::wstring folder = base + L"\\app\\";
    harness::RemoveTree(base);
    harness::RemoveTree(L"C:\\pepplugins");
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((base + L"\\app").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"plugins").c_str(), nullptr));
    ASSERT_TRUE(harness::WriteFileBytes(folder + L"plugins\\manifest.json", "{\"version\": \"25.0.0.127\"}"));
    ASSERT_TRUE(harness::WriteFileBytes(folder + L"plugins\\pepflashplayer32_25_0_0_127.dll", "MZ plug-in"));
    CefRefPtr<CefCommandLine> cmd = CefCommandLine::CreateCommandLine();
    ClientAppBrowser::AppendSwitches(folder, cmd);
    EXPECT_EQ(L"C:\\pepplugins\\pepflashplayer32_25_0_0_127.dll", cmd->GetSwitchValue(L"ppapi-flash-path").ToWString());
    EXPECT_FALSE(cmd->HasSwitch(L"ppapi-flash-version"));
    EXPECT_EQ("MZ plug-in", harness::ReadFileBytes(L"C:\\pepplugins\\pepflashplayer32_25_0_0_127.dll"));
    EXPECT_EQ("{\"version\": \"25.0.0.127\"}", harness::ReadFileBytes(L"C:\\pepplugins\\manifest.json"));
    EXPECT_TRUE(cmd->HasSwitch(L"no-proxy-server"));
    harness::RemoveTree(base);
    harness::RemoveTree(L"C:\\pepplugins");
}
