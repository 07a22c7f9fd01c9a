#pragma once
// The window thread's message loop. Messages go to the skin library first
// (CPaintManagerUI::TranslateMessage), then to the usual translation and
// dispatch. Any thread may hand a task to the loop's thread: it is posted as
// the registered message "Client_CustomTask" to a message-only window, or
// queued until the loop has made that window. One instance per process, on
// the stack of wWinMain; the constructing thread owns it.
#include <windows.h>

#include <deque>
#include <mutex>

#include "include/cef_task.h"

class CMainMessageLoopWin {
public:
    CMainMessageLoopWin();
    ~CMainMessageLoopWin();
    CMainMessageLoopWin(const CMainMessageLoopWin&) = delete;
    CMainMessageLoopWin& operator=(const CMainMessageLoopWin&) = delete;

    // Owner thread: runs until WM_QUIT and returns its exit code.
    int Run();
    static CMainMessageLoopWin* GetMainMessageLoop();
    bool RunsTasksOnCurrentThread() const;
    // Any thread.
    void PostTask(CefRefPtr<CefTask> task);

private:
    void PostTaskInternal(CefRefPtr<CefTask> task);
    void ReleasePostedTasks();
    static LRESULT CALLBACK MessageWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::mutex lock_;
    HWND messageHwnd_ = nullptr;                 // under lock_
    std::deque<CefRefPtr<CefTask>> pendingTasks_;  // under lock_
    const UINT taskMessageId_;
    const DWORD ownerThreadId_;
};
