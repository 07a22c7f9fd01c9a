#include "SerialCallThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "LogWriter.h"

struct CSerialCallThread::Shared {
    struct Call {
        std::wstring name;
        std::function<void()> body;
    };
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Call> calls;
    bool finishing = false;  // no more calls come: end once the queue is empty
    bool ended = false;      // the thread is done with every call
};

namespace {

void RunCall(const wchar_t* threadName, const std::wstring& callName, const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        LOG_ERROR(L"%s thread: %s ended by an exception: %S", threadName, callName.c_str(), e.what());
    } catch (...) {
        LOG_ERROR(L"%s thread: %s ended by an exception", threadName, callName.c_str());
    }
}

}  // namespace

CSerialCallThread::CSerialCallThread(const wchar_t* name) : name_(name), shared_(std::make_shared<Shared>()) {}

CSerialCallThread::~CSerialCallThread() {
    if (!finished_) Finish(0);
}

bool CSerialCallThread::Queue(const wchar_t* callName, std::function<void()> call) {
    if (finished_) {
        LOG_ERROR(L"%s thread: %s refused, the thread has finished", name_.c_str(), callName);
        return false;
    }
    if (!started_ && !StartThread(callName)) return false;
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->calls.push_back(Shared::Call{callName, std::move(call)});
    shared_->changed.notify_all();
    return true;
}

bool CSerialCallThread::StartThread(const wchar_t* callName) {
    try {
        std::thread(&CSerialCallThread::Run, shared_, name_).detach();
    } catch (const std::exception& e) {
        LOG_ERROR(L"%s thread not started: %S; %s refused", name_.c_str(), e.what(), callName);
        return false;
    }
    started_ = true;
    return true;
}

void CSerialCallThread::Run(std::shared_ptr<Shared> shared, std::wstring name) {
    std::unique_lock<std::mutex> hold(shared->lock);
    while (true) {
        shared->changed.wait(hold, [&] { return shared->finishing || !shared->calls.empty(); });
        if (shared->calls.empty()) break;
        Shared::Call next = std::move(shared->calls.front());
        shared->calls.pop_front();
        hold.unlock();
        RunCall(name.c_str(), next.name, next.body);
        hold.lock();
    }
    shared->ended = true;
    shared->changed.notify_all();
}

bool CSerialCallThread::Finish(DWORD waitMs) {
    finished_ = true;
    std::unique_lock<std::mutex> hold(shared_->lock);
    shared_->finishing = true;
    shared_->changed.notify_all();
    if (!started_) return true;
    if (shared_->changed.wait_for(hold, std::chrono::milliseconds(waitMs), [this] { return shared_->ended; }))
        return true;
    LOG_WARNING(L"%s thread still busy after %u ms with %u more calls queued: they are made later", name_.c_str(),
                static_cast<unsigned>(waitMs), static_cast<unsigned>(shared_->calls.size()));
    return false;
}
