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
