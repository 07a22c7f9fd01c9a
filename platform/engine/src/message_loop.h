#pragma once
// A task loop that also pumps the thread's window messages, so the engine UI
// thread can own windows. Tasks run one at a time, in posting order, on the
// thread that calls Run. Any thread may post.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "include/cef_task.h"
#include "util.h"

namespace cefstub {

using Closure = std::function<void()>;

class MessageLoop {
public:
    MessageLoop();
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // False once the loop has quit.
    bool PostTask(Closure task);
    bool PostDelayedTask(Closure task, int64_t delayMs);
    // Runs until Quit; binds the loop to the calling thread.
    void Run();
    void Quit();
    // Runs the tasks and messages that are ready, without waiting.
    void RunPending();
    void BindToCurrentThread() { threadId_ = GetCurrentThreadId(); }
    // Loop thread, before Run: tasks also arrive as messages to a hidden
    // window, so they keep running inside modal loops (menus, dialogs).
    bool CreateWakeWindow();
    bool RunsOnCurrentThread() const { return threadId_ == GetCurrentThreadId(); }

private:
    using Clock = std::chrono::steady_clock;
    bool TakeReady(Closure* task, DWORD* waitMs);
    bool PumpWindowMessages();
    void Wake();
    void RunReadyFromWindow(HWND hwnd);
    static LRESULT CALLBACK WakeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    std::mutex lock_;
    std::deque<Closure> tasks_;
    std::multimap<Clock::time_point, Closure> delayed_;
    UniqueHandle wake_;
    bool quit_ = false;
    std::atomic<DWORD> threadId_{0};
    std::atomic<HWND> wakeHwnd_{nullptr};
    std::atomic<bool> wakePosted_{false};
    std::atomic<bool> idle_{false};  // the loop waits in Run: the event alone wakes it
};

// A thread running its own MessageLoop, registered under an engine thread id.
class EngineThread {
public:
    // A window thread initialises OLE (drag and drop) and keeps tasks running
    // inside modal loops.
    EngineThread(CefThreadId id, bool windowThread) : id_(id), windowThread_(windowThread) {}
    ~EngineThread() { Stop(); }
    bool Start();
    // Runs the loop's remaining tasks, then ends the thread.
    void Stop();
    MessageLoop* loop() { return &loop_; }

private:
    void Main();
    CefThreadId id_;
    bool windowThread_;
    MessageLoop loop_;
    std::thread thread_;
    UniqueHandle finished_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::mutex lock_;
    std::condition_variable started_;
    bool running_ = false;
};

// The loops that serve CefPostTask in this process.
void RegisterThread(CefThreadId id, MessageLoop* loop);
void UnregisterThread(CefThreadId id);
bool PostToThread(CefThreadId id, Closure task, int64_t delayMs = 0);
bool IsOnThread(CefThreadId id);

}  // namespace cefstub
