#pragma once
// Tasks and the engine's named threads.
#include "include/cef_base.h"

class CefTask : public virtual CefBase {
public:
    virtual void Execute() = 0;
};

// Runs the task on the named engine thread. False when that thread does not
// exist in this process (or the engine has shut down).
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);
bool CefPostDelayedTask(CefThreadId threadId, CefRefPtr<CefTask> task, int64 delay_ms);
// True when the calling thread is the named engine thread.
bool CefCurrentlyOn(CefThreadId threadId);
