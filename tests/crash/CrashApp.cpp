// Helper program of crash_tests: installs the launcher's crash filter and
// crashes on purpose, as told by its one argument:
//   crash         access violation on the main thread
//   crash-thread  access violation on a second thread
//   crash-nodump  the same as crash, with the dump flag cleared first
//   version       exit 10 when GetFileVersion fails on this program (which
//                 has no version resource) and leaves its string alone
#include "CrashHandle.h"
#include "GlobalFunc.h"
#include "LogWriter.h"

#include <windows.h>

#include <cwchar>

namespace {

void Crash() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

DWORD WINAPI CrashingThread(void*) {
    Crash();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* mode = argc > 1 ? argv[1] : L"";
    if (wcscmp(mode, L"version") == 0) {
        std::wstring version = L"untouched";
        return !GetFileVersion(version) && version == L"untouched" ? 10 : 11;
    }
    LogWriter* log = LogWriter::GetInstance();
    log->outputTargets = 2;
    log->prefixFlags = 15;
    log->levelMask = 127;
    SetUnhandledExceptionFilter(AppCrashHandler);
    if (wcscmp(mode, L"crash-nodump") == 0) g_crashDumpEnabled = 0;
    LOG_INFO(L"crashing on purpose: %s", mode);
    if (wcscmp(mode, L"crash-thread") == 0) {
        HANDLE thread = CreateThread(nullptr, 0, &CrashingThread, nullptr, 0, nullptr);
        if (thread) WaitForSingleObject(thread, 30000);
        return 2;  // not reached: the crash ends the process
    }
    if (wcsncmp(mode, L"crash", 5) == 0) Crash();
    return 3;
}
