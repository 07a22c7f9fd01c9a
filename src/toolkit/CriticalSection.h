#pragma once
// Process-wide locks of the widget layer. OS::CriticalSection wraps one
// CRITICAL_SECTION; OS::AutoLock holds one for a scope. Two process-wide
// instances guard the lazily filled caches: the font cache and the module path.
#include <windows.h>

namespace OS {

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    virtual ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    virtual void Lock() { ::EnterCriticalSection(&section_); }
    virtual void Unlock() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class AutoLock {
public:
    explicit AutoLock(CriticalSection& lock) : lock_(lock) { lock_.Lock(); }
    ~AutoLock() { lock_.Unlock(); }
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CriticalSection& lock_;
};

// The two process-wide locks, made during static initialisation (before any
// thread of ours runs) and destroyed at exit.
CriticalSection& FontCacheLock();
CriticalSection& ModulePathLock();

}  // namespace OS
