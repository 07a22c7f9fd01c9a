#include "ModulePath.h"

#include <windows.h>

#include <atomic>
#include <vector>

#include "CriticalSection.h"
#include "PathUtil.h"

namespace toolkit {
namespace {

std::atomic<const std::wstring*> g_modulePath{nullptr};

// The whole path however long it is: a path cut at 260 characters would
// name another file.
std::wstring ReadModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        if (buffer.size() >= 32768) return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::wstring GetCachedModulePath() {
    if (const std::wstring* path = g_modulePath.load(std::memory_order_acquire)) return *path;
    OS::AutoLock lock(OS::ModulePathLock());
    if (!g_modulePath.load(std::memory_order_relaxed))
        g_modulePath.store(new std::wstring(ReadModulePath()), std::memory_order_release);  // kept for the process
    return *g_modulePath.load(std::memory_order_relaxed);
}

std::wstring ModuleRelativePath(const std::wstring& relative) {
    return PathJoin(GetParentDir(GetCachedModulePath()), relative);
}

}  // namespace toolkit
