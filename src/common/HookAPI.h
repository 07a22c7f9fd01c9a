#pragma once
// An inline hook on a kernel32.dll export: the function's first 5 bytes are
// replaced by a relative jump (E9 rel32) to a replacement in this program,
// and can be put back. The object is prepared at construction and does
// nothing further until Toggle; the destructor puts the bytes back.
//
// No lock: the owner decides which thread toggles (the entry, and the
// replacement that lifts its own hook around a passed-through call).
#include "UniqueHandle.h"

#include <windows.h>

#include <string>

class CHookAPI {
public:
    CHookAPI(const char* funcName, const void* replacement);
    ~CHookAPI();
    CHookAPI(const CHookAPI&) = delete;
    CHookAPI& operator=(const CHookAPI&) = delete;

    // Installed: writes the saved bytes back; not installed: writes the jump.
    // Nothing when the export was not found.
    void Toggle();

    bool IsInstalled() const { return installed_ != 0; }
    // The hooked function's address; null when the object is inert.
    const void* Target() const { return target_; }

private:
    bool WriteTarget(const BYTE (&bytes)[5]);
    bool PrepareJump();

    std::wstring dllName_;
    std::string funcName_;
    const void* replacement_ = nullptr;
    int installed_ = 0;
    BYTE* target_ = nullptr;
    BYTE savedBytes_[5] = {};
    BYTE patchBytes_[5] = {};
    // 64-bit only: an absolute jump to the replacement, placed within reach
    // of a rel32 jump from the target when the replacement itself is not.
    UniqueVirtualMemory relay_;
};
