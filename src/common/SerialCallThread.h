#pragma once
// CSerialCallThread: a thread of its own that makes the calls handed to it
// one after the other, in the order they were handed over. The main window
// makes every call of the package download library through one: the window
// thread hands a call over and goes on at once, so it never waits for the
// network, for a task's threads to end or for the library's lock, while the
// library still sees the calls in the order the window meant them (bring-up
// before any task call, a pause before the resume behind it, DownUninit
// last).
//
// Threads: Queue and Finish from the owner's thread; the calls run on the
// object's thread, which is started by the first Queue. The thread shares
// the queue with the object (std::shared_ptr): when Finish gives up waiting
// for a call that does not end, the object may go and the thread still
// finishes that call. A call must not throw; one that does is logged and
// the next one runs.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class CSerialCallThread {
public:
    // name shows in the log lines ("download library").
    explicit CSerialCallThread(const wchar_t* name);
    // Finish(0) when Finish was not called.
    ~CSerialCallThread();
    CSerialCallThread(const CSerialCallThread&) = delete;
    CSerialCallThread& operator=(const CSerialCallThread&) = delete;

    // Makes call after every call queued before it. False, with an Error line
    // naming the call, when the thread cannot be started or Finish was called.
    bool Queue(const wchar_t* callName, std::function<void()> call);
    // No more calls are taken; waits up to waitMs for the queued ones to be
    // made and the thread to end. False, with a Warning, when they are not
    // done by then: the thread then finishes them on its own.
    bool Finish(DWORD waitMs);

private:
    struct Shared;
    bool StartThread(const wchar_t* callName);
    static void Run(std::shared_ptr<Shared> shared, std::wstring name);

    const std::wstring name_;
    std::shared_ptr<Shared> shared_;
    bool started_ = false;
    bool finished_ = false;
};
