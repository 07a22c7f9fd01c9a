#include "MainMessageLoopWin.h"

#include <UIlib.h>

#include "LogWriter.h"
#include "include/base/cef_logging.h"

namespace {
const wchar_t kWindowClass[] = L"Client_MessageWindow";
const wchar_t kTaskMessage[] = L"Client_CustomTask";
CMainMessageLoopWin* g_mainMessageLoop = nullptr;
}  // namespace

CMainMessageLoopWin::CMainMessageLoopWin()
    : taskMessageId_(RegisterWindowMessageW(kTaskMessage)), ownerThreadId_(GetCurrentThreadId()) {
    g_mainMessageLoop = this;
}

CMainMessageLoopWin::~CMainMessageLoopWin() {
    g_mainMessageLoop = nullptr;
    std::lock_guard<std::mutex> lock(lock_);
    pendingTasks_.clear();  // releases each queued task
}

CMainMessageLoopWin* CMainMessageLoopWin::GetMainMessageLoop() { return g_mainMessageLoop; }

bool CMainMessageLoopWin::RunsTasksOnCurrentThread() const { return GetCurrentThreadId() == ownerThreadId_; }

void CMainMessageLoopWin::PostTask(CefRefPtr<CefTask> task) {
    if (!task) return;
    std::lock_guard<std::mutex> lock(lock_);
    PostTaskInternal(task);
}

void CMainMessageLoopWin::PostTaskInternal(CefRefPtr<CefTask> task) {
    if (!messageHwnd_) {
        pendingTasks_.push_back(task);
        return;
    }
    // The posted message holds one reference, released after the task ran.
    task->AddRef();
    if (!PostMessageW(messageHwnd_, taskMessageId_, reinterpret_cast<WPARAM>(task.get()), 0)) {
        LOG_ERROR(L"posting a task failed: %lu", GetLastError());
        task->Release();
    }
}

int CMainMessageLoopWin::Run() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = MessageWndProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        RegisterClassExW(&wc);  // an earlier registration is fine
        HWND _message_hwnd_ = CreateWindowExW(0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              instance, nullptr);
        CHECK(_message_hwnd_);
        messageHwnd_ = _message_hwnd_;
        SetWindowLongPtrW(messageHwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        while (!pendingTasks_.empty()) {
            PostTaskInternal(pendingTasks_.front());
            pendingTasks_.pop_front();
        }
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (DuiLib::CPaintManagerUI::TranslateMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    std::lock_guard<std::mutex> lock(lock_);
    ReleasePostedTasks();
    DestroyWindow(messageHwnd_);
    messageHwnd_ = nullptr;
    return static_cast<int>(msg.wParam);
}

// Task messages still queued when the loop ends are not run; their
// references are released here rather than lost with the window.
void CMainMessageLoopWin::ReleasePostedTasks() {
    MSG msg;
    while (PeekMessageW(&msg, messageHwnd_, taskMessageId_, taskMessageId_, PM_REMOVE))
        reinterpret_cast<CefTask*>(msg.wParam)->Release();
}

LRESULT CALLBACK CMainMessageLoopWin::MessageWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CMainMessageLoopWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == self->taskMessageId_) {
        auto* task = reinterpret_cast<CefTask*>(wParam);
        try {
            task->Execute();
        } catch (...) {
            LOG_ERROR(L"a task threw an exception");
        }
        task->Release();
    } else if (message == WM_DESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
