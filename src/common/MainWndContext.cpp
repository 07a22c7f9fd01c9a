#include "MainWndContext.h"

#include <chrono>
#include <exception>
#include <thread>

#include "GlobalFunc.h"
#include "LogWriter.h"

CMainWndContext::CMainWndContext(const std::wstring& programFolder) : programFolder_(programFolder) {
    std::string utf8;
    UnicodeToUtf8((programFolder_ + L"orv2_1data").c_str(), utf8);
    localDb_.SetDbPath(utf8);
}

void CMainWndContext::SetWindow(HWND window) {
    std::lock_guard<std::mutex> hold(lock_);
    window_ = window;
}

HWND CMainWndContext::Window() const {
    std::lock_guard<std::mutex> hold(lock_);
    return window_;
}

bool CMainWndContext::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    // Under the lock, so the window cannot be cleared (and destroyed) between
    // the check and the post.
    std::lock_guard<std::mutex> hold(lock_);
    return window_ && ::PostMessageW(window_, message, wParam, lParam);
}

bool CMainWndContext::StartWorker(const char* name, std::function<void(CMainWndContext&)> work) {
    std::shared_ptr<CMainWndContext> self = shared_from_this();
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++runningWorkers_;
    }
    auto body = [self, name, work = std::move(work)]() {
        try {
            work(*self);
        } catch (const std::exception& e) {
            LOG_ERROR(L"worker %S ended by an exception: %S", name, e.what());
        } catch (...) {
            LOG_ERROR(L"worker %S ended by an exception", name);
        }
        std::lock_guard<std::mutex> hold(self->lock_);
        --self->runningWorkers_;
        self->workersDone_.notify_all();
    };
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::exception& e) {
        LOG_ERROR(L"worker %S could not start: %S", name, e.what());
        std::lock_guard<std::mutex> hold(lock_);
        --runningWorkers_;
        return false;
    }
}

bool CMainWndContext::WaitForWorkers(DWORD timeoutMs) {
    std::unique_lock<std::mutex> hold(lock_);
    return workersDone_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return runningWorkers_ == 0; });
}

int CMainWndContext::RunningWorkers() const {
    std::lock_guard<std::mutex> hold(lock_);
    return runningWorkers_;
}
