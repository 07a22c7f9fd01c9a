// Runs for the length of a test session in its Wine prefix (tools/run-tests.sh
// starts it). Wine 8 imports the root certificates into each process's first
// certificate check under one named semaphore that every process shares: the
// process that creates the semaphore imports while the others wait for it.
// A process ended in the middle of that (a test's time-out, a crash test, a
// program killed by a failing test) leaves the semaphore taken, and every
// later process's first secure connection then waits for ever.
//
// So this program makes the import once, then holds the semaphore open so
// that later processes only pass through it instead of importing again, and
// gives it back when it has stayed taken far longer than passing through
// takes (its taker is gone). It logs what it does to the file named by its
// first argument (one file a session).
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

namespace {

constexpr wchar_t kSemaphoreName[] = L"crypt32_root_semaphore";
// Passing through takes it for microseconds; no import runs once it is held.
constexpr int kTakenLimitSeconds = 5;

struct SemaphoreCount {
    LONG current;
    LONG maximum;
};
using NtQuerySemaphoreFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

void Log(FILE* log, const char* text) {
    if (!log) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::fprintf(log, "[%02u:%02u:%02u] %s\n", t.wHour, t.wMinute, t.wSecond, text);
    std::fflush(log);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    FILE* log = argc > 1 ? _wfopen(argv[1], L"w") : nullptr;
    if (HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT")) CertCloseStore(roots, 0);
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, kSemaphoreName);
    auto query = reinterpret_cast<NtQuerySemaphoreFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySemaphore")));
    if (!semaphore || !query) {
        Log(log, "root import guard: the semaphore cannot be held or read");
        return 1;
    }
    Log(log, "root import guard: certificates imported, semaphore held");
    for (int takenSeconds = 0;; Sleep(1000)) {
        SemaphoreCount count = {};
        if (query(semaphore, 0, &count, sizeof(count), nullptr) != 0) continue;
        takenSeconds = count.current == 0 ? takenSeconds + 1 : 0;
        if (takenSeconds < kTakenLimitSeconds) continue;
        Log(log, "root import guard: semaphore taken for 5 s by a process that is gone: given back");
        ReleaseSemaphore(semaphore, 1, nullptr);
        takenSeconds = 0;
    }
}
