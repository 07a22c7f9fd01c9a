#include "CrashHandle.h"

#include "LogWriter.h"
#include "UniqueHandle.h"

#include <dbghelp.h>

void CreateDumpFile(const wchar_t* path, EXCEPTION_POINTERS* pointers) {
    UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    MINIDUMP_EXCEPTION_INFORMATION exception = {};
    exception.ThreadId = GetCurrentThreadId();
    exception.ExceptionPointers = pointers;
    exception.ClientPointers = TRUE;
    // No file: the writer is not handed the invalid handle (it equals the
    // current-process pseudo-handle); the failure is logged the same way.
    if (!file || !MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(), MiniDumpNormal,
                                    &exception, nullptr, nullptr)) {
        LOG_AS("CreateDumpFile", LOG_LEVEL_ERROR, L"MiniDumpWriteDump failed");
    }
}
