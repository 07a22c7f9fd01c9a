#include "SharedFileLock.h"

#include <cwchar>

namespace {

// Spins before the first pause, and between two looks at the holder.
constexpr unsigned kSpins = 64;

// False when the process has ended (or never was); a process this one may
// not look at counts as running.
bool ProcessRuns(DWORD pid) {
    Unique<KernelHandleTraits> process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

bool SharedFileLock::Open(const std::wstring& path) {
    Close();
    // The same name in every process for one file, short enough for any path.
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a of the lower-case path
    for (wchar_t c : path) {
        wchar_t lower = c;
        CharLowerBuffW(&lower, 1);
        hash = (hash ^ static_cast<unsigned>(lower)) * 1099511628211ull;
    }
    wchar_t name[64];
    _snwprintf(name, 63, L"CorrinFileLock:%016llx", hash);
    name[63] = L'\0';
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name));
    if (!mapping_) return false;
    word_ = static_cast<volatile LONG*>(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
    if (!word_) mapping_.reset();
    return word_ != nullptr;
}

void SharedFileLock::Close() {
    if (word_) UnmapViewOfFile(const_cast<LONG*>(word_));
    word_ = nullptr;
    mapping_.reset();
}

bool SharedFileLock::Acquire(DWORD timeoutMs) {
    if (!word_) return false;
    const LONG self = static_cast<LONG>(GetCurrentProcessId());
    const ULONGLONG start = GetTickCount64();
    for (unsigned spin = 1;; ++spin) {
        const LONG holder = InterlockedCompareExchange(word_, self, 0);
        if (holder == 0 || holder == self) return true;
        if (spin % kSpins != 0) {
            YieldProcessor();
            continue;
        }
        if (!ProcessRuns(static_cast<DWORD>(holder)) || GetTickCount64() - start >= timeoutMs) {
            if (TakeOver(holder)) return true;
            continue;
        }
        Sleep(spin < 4 * kSpins ? 0 : 1);
    }
}

bool SharedFileLock::TakeOver(LONG holder) {
    return InterlockedCompareExchange(word_, static_cast<LONG>(GetCurrentProcessId()), holder) == holder;
}

void SharedFileLock::Release() {
    if (word_) InterlockedCompareExchange(word_, 0, static_cast<LONG>(GetCurrentProcessId()));
}
