// Helper program of crash_tests: installs the launcher's crash filter and
// crashes on purpose, as told by its one argument:
//   crash         access violation on the main thread
//   crash-thread  access violation on a second thread
//   crash-nodump  the same as crash, with the dump flag cleared first
//   version       exit 10 when GetFileVersion fails on this program (which
//                 has no version resource) and leaves its string alone
//   identity      writes what the helpers say about this program, one item a
//                 line (UTF-8), to "<program path>.identity.txt"
#include "CrashHandle.h"
#include "GlobalFunc.h"
#include "LogWriter.h"

#include <windows.h>

#include <cstdio>
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

int WriteIdentity() {
    int beaconcli = IsRunInBeaconcli();
    std::wstring text = FormatString(L"%d\n", beaconcli) + BeaconcliFallbackFolder() + L"\n" + GetExeDir(true) +
                        L"\n" + GetExeName(false) + L"\n" + GetModulePath() + L"\n";
    std::string utf8;
    UnicodeToUtf8(text.c_str(), utf8);
    FILE* file = _wfopen((GetModulePath() + L".identity.txt").c_str(), L"wb");
    if (!file) return 12;
    fwrite(utf8.data(), 1, utf8.size(), file);
    fclose(file);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* mode = argc > 1 ? argv[1] : L"";
    if (wcscmp(mode, L"version") == 0) {
        std::wstring version = L"untouched";
        return !GetFileVersion(version) && version == L"untouched" ? 10 : 11;
    }
    if (wcscmp(mode, L"identity") == 0) return WriteIdentity();
    LogWriter* log = LogWriter::GetInstance();
    log->outputTargets = 2;
    log->prefixFlags = 15;
    log->levelMask = 127;
    SetUnhandledExceptionFilter(AppCrashHandler);
    if (wcscmp(mode, L"crash-nodump") == 0) g_crashDumpEnabled = 0;
    LOG_INFO(L"crashing on purpose: %s", mode);
    if (wcscmp(mode, L"crash-thread") == 0) {
        // A dump of a crash on a second thread takes Wine's dump writer 15-30 s
        // on a loaded machine; the test bounds the whole run, so this thread only
        // waits for the crash to end the process.
        HANDLE thread = CreateThread(nullptr, 0, &CrashingThread, nullptr, 0, nullptr);
        if (thread) WaitForSingleObject(thread, INFINITE);
        return 2;  // not reached: the crash ends the process
    }
    if (wcsncmp(mode, L"crash", 5) == 0) Crash();
    return 3;
}
