#pragma once
// Fatal checks: a failed CHECK writes "Check failed: <condition>. " to the
// engine log and the debugger output, then ends the process.
#include "include/internal/cef_string.h"

namespace cef_logging {
[[noreturn]] void CheckFailed(const char* file, int line, const char* condition);
}

#define CHECK(condition) \
    ((condition) ? (void)0 : ::cef_logging::CheckFailed(__FILE__, __LINE__, #condition))
#define DCHECK(condition) CHECK(condition)
#define NOTREACHED() ::cef_logging::CheckFailed(__FILE__, __LINE__, "NOTREACHED")
