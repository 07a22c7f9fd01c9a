#include "CrashHandle.h"

#include "GlobalFunc.h"
#include "LogWriter.h"

#include <cerrno>
#include <cwchar>
#include <direct.h>

int g_crashDumpEnabled = 1;

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

LONG WINAPI AppCrashHandler(EXCEPTION_POINTERS* pointers) {
    if (!g_crashDumpEnabled) return EXCEPTION_EXECUTE_HANDLER;
    std::wstring folder = DumpFolder();
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t name[128];
    _snwprintf(name, _countof(name) - 1, L"%d%02d%02d_%02d%02d%02d_QXORV_Box.dmp", now.wYear, now.wMonth, now.wDay,
               now.wHour, now.wMinute, now.wSecond);
    name[_countof(name) - 1] = L'\0';
    CreateDumpFile((folder + name).c_str(), pointers);
    LOG_AS("AppCrashHandler", LOG_LEVEL_ERROR, L"Crash dump!!!!!");
    return EXCEPTION_EXECUTE_HANDLER;
}
