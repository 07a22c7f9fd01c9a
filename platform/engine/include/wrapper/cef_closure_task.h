#pragma once
// Turns any callable into a CefTask, so an operation with copies of its
// arguments can be posted: CefPostTask(TID_UI, CefCreateClosureTask(std::bind(f, a, b))).
#include <functional>
#include "include/cef_task.h"

namespace base {
typedef std::function<void()> Closure;
}

CefRefPtr<CefTask> CefCreateClosureTask(const base::Closure& closure);
