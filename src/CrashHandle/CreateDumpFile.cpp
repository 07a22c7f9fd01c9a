#include "CrashHandle.h"

#include "GlobalFunc.h"
#include "LogWriter.h"
#include "UniqueHandle.h"

#include <dbghelp.h>
#include <direct.h>

#include <cerrno>
#include <cwchar>

namespace {

// The Dump folder beside the program, created when missing; the program
// folder itself when it cannot be created.
std::wstring DumpFolder() {
    std::wstring programFolder = GetExeDir(true);
    std::wstring folder = programFolder + L"Dump\\";
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES && _wmkdir(folder.c_str()) != 0 &&
        errno != EEXIST) {
        int error = errno;
        LOG_AS("AppCrashHandler", LOG_LEVEL_ERROR, L"Failed to create dump directory(%s), errno = %d",
               folder.c_str(), error);
        return programFolder;
    }
    return folder;
}

}  // namespace

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

std::wstring CrashDumpFileName(const SYSTEMTIME& time, const wchar_t* programTag) {
    wchar_t name[128];
    _snwprintf(name, _countof(name) - 1, L"%d%02d%02d_%02d%02d%02d_%s.dmp", time.wYear, time.wMonth, time.wDay,
               time.wHour, time.wMinute, time.wSecond, programTag);
    name[_countof(name) - 1] = L'\0';
    return name;
}

void WriteCrashDump(EXCEPTION_POINTERS* pointers, const wchar_t* programTag) {
    std::wstring folder = DumpFolder();
    SYSTEMTIME now;
    GetLocalTime(&now);
    CreateDumpFile((folder + CrashDumpFileName(now, programTag)).c_str(), pointers);
    LOG_AS("AppCrashHandler", LOG_LEVEL_ERROR, L"Crash dump!!!!!");
}
