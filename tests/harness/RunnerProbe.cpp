// A stand-in for a test program, for the check of tools/wine-run: it prints
// what a GoogleTest program prints and ends the way its argument names.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

DWORD WINAPI CrashingWorker(void*) {
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* how = argc > 1 ? argv[1] : L"";
    if (!wcscmp(how, L"pass")) {
        std::printf("[  PASSED  ] 1 test.\n");
        return 0;
    }
    if (!wcscmp(how, L"failed-summary")) {
        std::printf("[  PASSED  ] 1 test.\n[  FAILED  ] 1 test, listed below:\n");
        return 0;
    }
    if (!wcscmp(how, L"no-summary")) {
        std::printf("[ RUN      ] Probe.Runs\n");
        return 0;
    }
    if (!wcscmp(how, L"reported-crash")) {
        // What Wine prints of a worker thread's crash when the process still ends with 0.
        std::printf("[  PASSED  ] 1 test.\n");
        std::fflush(stdout);
        std::fprintf(stderr, "wine: Unhandled page fault on write access to 00000000 at address 00401000\n");
        return 0;
    }
    if (!wcscmp(how, L"hang")) {
        std::printf("[ RUN      ] Probe.Hangs\n");
        std::fflush(stdout);
        Sleep(INFINITE);
    }
    if (!wcscmp(how, L"crash-after-failure")) {
        std::printf("[  FAILED  ] Probe.Runs\n");
        std::fflush(stdout);
        HANDLE worker = CreateThread(nullptr, 0, CrashingWorker, nullptr, 0, nullptr);
        if (worker) WaitForSingleObject(worker, INFINITE);
        return 0;
    }
    return 2;
}
