// A stand-in for a test program, for the check of tools/wine-run: it prints
// what a GoogleTest program prints and ends the way its argument names.
#include <windows.h>
#include <wincrypt.h>

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
    if (!wcscmp(how, L"take-root-import")) {
        // Takes Wine's root-import semaphore (as the importer, or as one that
        // passes through), lets another process start waiting for it, then
        // ends holding it, as a process killed in the middle would.
        HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1, L"crypt32_root_semaphore");
        if (semaphore && GetLastError() == ERROR_ALREADY_EXISTS) WaitForSingleObject(semaphore, 10000);
        std::printf("taken\n");
        std::fflush(stdout);
        Sleep(3000);
        TerminateProcess(GetCurrentProcess(), 0);
    }
    if (!wcscmp(how, L"root-store")) {
        HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT");
        if (!roots) return 1;
        CertCloseStore(roots, 0);
        std::printf("root store opened\n");
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
