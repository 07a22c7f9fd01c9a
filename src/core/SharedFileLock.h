#pragma once
// A lock shared by the processes that append to one file, cheap enough to
// take for every line: one word of a named shared memory section (named after
// the file's path), taken with an interlocked exchange, so no kernel call is
// made while it is free. The word holds the holder's process id; a holder
// that ended while holding it (killed in the middle of a line) is noticed and
// its lock taken over. Within a process the caller serialises its threads.
#include <windows.h>

#include <string>

#include "UniqueHandle.h"

class SharedFileLock {
public:
    SharedFileLock() = default;
    ~SharedFileLock() { Close(); }
    SharedFileLock(const SharedFileLock&) = delete;
    SharedFileLock& operator=(const SharedFileLock&) = delete;

    // Binds to the lock of the file at path (letter case does not matter).
    // False when the shared section cannot be made; Acquire then fails.
    bool Open(const std::wstring& path);
    void Close();
    // Waits until this process holds the lock. After timeoutMs the lock is
    // taken over whoever holds it. False only when the lock is not open.
    bool Acquire(DWORD timeoutMs);
    void Release();

private:
    bool TakeOver(LONG holder);

    Unique<KernelHandleTraits> mapping_;
    volatile LONG* word_ = nullptr;
};
