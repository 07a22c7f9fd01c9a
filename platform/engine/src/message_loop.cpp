// Task loops and the engine's named threads.
#include "message_loop.h"

#include <ole2.h>

#include "include/wrapper/cef_closure_task.h"

namespace cefstub {
namespace {
const wchar_t kWakeClass[] = L"CefTaskWakeWindow";
const UINT kWakeMessage = WM_APP + 1;
const UINT_PTR kWakeTimer = 1;
const int kTasksPerWake = 64;
}  // namespace

static void RunGuarded(Closure& task) {
    try {
        task();
    } catch (...) {
        Log(LogSeverity::Error, L"engine task threw an exception");
    }
}

MessageLoop::MessageLoop() : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

MessageLoop::~MessageLoop() = default;

bool MessageLoop::PostTask(Closure task) { return PostDelayedTask(std::move(task), 0); }

bool MessageLoop::PostDelayedTask(Closure task, int64_t delayMs) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (quit_) return false;
        if (delayMs <= 0) tasks_.push_back(std::move(task));
        else delayed_.emplace(Clock::now() + std::chrono::milliseconds(delayMs), std::move(task));
    }
    Wake();
    return true;
}

void MessageLoop::Wake() {
    SetEvent(wake_.get());
    HWND hwnd = wakeHwnd_.load();
    // A busy loop thread may be inside a modal loop, where only messages arrive.
    if (hwnd && !idle_ && !wakePosted_.exchange(true)) PostMessageW(hwnd, kWakeMessage, 0, 0);
}

bool MessageLoop::CreateWakeWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WakeProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWakeClass;
    RegisterClassExW(&wc);  // once per process; later calls fail harmlessly
    HWND hwnd = CreateWindowExW(0, kWakeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!hwnd) return false;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    wakeHwnd_ = hwnd;
    return true;
}

// Runs what is ready (a bounded number, so window messages still flow) and
// sets a timer for the next delayed task.
void MessageLoop::RunReadyFromWindow(HWND hwnd) {
    wakePosted_ = false;
    Closure task;
    DWORD wait = INFINITE;
    int n = 0;
    for (; n < kTasksPerWake && TakeReady(&task, &wait); ++n) {
        RunGuarded(task);
        task = nullptr;
    }
    if (n == kTasksPerWake) Wake();
    else if (wait != INFINITE) SetTimer(hwnd, kWakeTimer, wait, nullptr);
    else KillTimer(hwnd, kWakeTimer);
}

LRESULT CALLBACK MessageLoop::WakeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MessageLoop*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == kWakeMessage || (msg == WM_TIMER && wp == kWakeTimer))) {
        self->RunReadyFromWindow(hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void MessageLoop::Quit() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        quit_ = true;
    }
    SetEvent(wake_.get());
}

bool MessageLoop::TakeReady(Closure* task, DWORD* waitMs) {
    std::lock_guard<std::mutex> lock(lock_);
    auto now = Clock::now();
    while (!delayed_.empty() && delayed_.begin()->first <= now) {
        tasks_.push_back(std::move(delayed_.begin()->second));
        delayed_.erase(delayed_.begin());
    }
    if (!tasks_.empty()) {
        *task = std::move(tasks_.front());
        tasks_.pop_front();
        return true;
    }
    *waitMs = INFINITE;
    if (!delayed_.empty()) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(delayed_.begin()->first - now).count() + 1;
        *waitMs = static_cast<DWORD>(ms);
    }
    return false;
}

// Dispatches what is queued; false when WM_QUIT was seen.
bool MessageLoop::PumpWindowMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}


void MessageLoop::RunPending() {
    threadId_ = GetCurrentThreadId();
    PumpWindowMessages();
    Closure task;
    DWORD wait;
    while (TakeReady(&task, &wait)) RunGuarded(task);
}

void MessageLoop::Run() {
    threadId_ = GetCurrentThreadId();
    for (;;) {
        Closure task;
        DWORD wait = 0;
        // Window messages and tasks take turns so neither starves the other.
        if (TakeReady(&task, &wait)) {
            RunGuarded(task);
            task = nullptr;
            if (!PumpWindowMessages()) break;
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (quit_) break;
        }
        HANDLE h = wake_.get();
        idle_ = true;
        MsgWaitForMultipleObjectsEx(1, &h, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        idle_ = false;
        if (!PumpWindowMessages()) break;
    }
    if (HWND hwnd = wakeHwnd_.exchange(nullptr)) DestroyWindow(hwnd);
    // Tasks still queued are dropped (their references released) here.
    std::deque<Closure> rest;
    std::multimap<Clock::time_point, Closure> restDelayed;
    {
        std::lock_guard<std::mutex> lock(lock_);
        quit_ = true;
        rest.swap(tasks_);
        restDelayed.swap(delayed_);
    }
}

bool EngineThread::Start() {
    thread_ = std::thread([this] { Main(); });
    std::unique_lock<std::mutex> lock(lock_);
    return started_.wait_for(lock, std::chrono::seconds(10), [this] { return running_; });
}

void EngineThread::Main() {
    loop_.BindToCurrentThread();
    bool ole = windowThread_ && SUCCEEDED(OleInitialize(nullptr));
    if (windowThread_) loop_.CreateWakeWindow();
    RegisterThread(id_, &loop_);
    {
        std::lock_guard<std::mutex> lock(lock_);
        running_ = true;
    }
    started_.notify_all();
    loop_.Run();
    UnregisterThread(id_);
    if (ole) OleUninitialize();
    SetEvent(finished_.get());
}

void EngineThread::Stop() {
    if (!thread_.joinable()) return;
    loop_.Quit();
    WaitAnswering(finished_.get(), INFINITE);
    thread_.join();
}

// ---- Registry of named threads.
namespace {
std::mutex g_threadsLock;
std::map<int, MessageLoop*> g_threads;
}  // namespace

void RegisterThread(CefThreadId id, MessageLoop* loop) {
    std::lock_guard<std::mutex> lock(g_threadsLock);
    g_threads[id] = loop;
}

void UnregisterThread(CefThreadId id) {
    std::lock_guard<std::mutex> lock(g_threadsLock);
    g_threads.erase(id);
}

bool PostToThread(CefThreadId id, Closure task, int64_t delayMs) {
    std::lock_guard<std::mutex> lock(g_threadsLock);
    auto it = g_threads.find(id);
    return it != g_threads.end() && it->second->PostDelayedTask(std::move(task), delayMs);
}

bool IsOnThread(CefThreadId id) {
    std::lock_guard<std::mutex> lock(g_threadsLock);
    auto it = g_threads.find(id);
    return it != g_threads.end() && it->second->RunsOnCurrentThread();
}

}  // namespace cefstub

bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task) { return CefPostDelayedTask(threadId, task, 0); }

bool CefPostDelayedTask(CefThreadId threadId, CefRefPtr<CefTask> task, int64 delay_ms) {
    if (!task) return false;
    return cefstub::PostToThread(threadId, [task] { task->Execute(); }, delay_ms);
}

bool CefCurrentlyOn(CefThreadId threadId) { return cefstub::IsOnThread(threadId); }

namespace {
class ClosureTask : public CefTask {
public:
    explicit ClosureTask(base::Closure c) : closure_(std::move(c)) {}
    void Execute() override {
        if (closure_) closure_();
    }

private:
    base::Closure closure_;
    IMPLEMENT_REFCOUNTING(ClosureTask);
};
}  // namespace

CefRefPtr<CefTask> CefCreateClosureTask(const base::Closure& closure) { return new ClosureTask(closure); }
