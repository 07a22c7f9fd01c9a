#include "HookAPI.h"

#include "LogWriter.h"
#include "UniqueHandle.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr wchar_t kDllName[] = L"kernel32.dll";

// Displacement of a 5-byte relative jump at from to to, when it fits. In a
// 32-bit address space every displacement fits (the sum wraps around).
bool Rel32(const void* from, const void* to, int32_t* displacement) {
#if !defined(_WIN64)
    *displacement = static_cast<int32_t>(reinterpret_cast<uintptr_t>(to) - reinterpret_cast<uintptr_t>(from) - 5);
    return true;
#else
    int64_t distance = static_cast<int64_t>(reinterpret_cast<intptr_t>(to)) -
                       static_cast<int64_t>(reinterpret_cast<intptr_t>(from)) - 5;
    if (distance < INT32_MIN || distance > INT32_MAX) return false;
    *displacement = static_cast<int32_t>(distance);
    return true;
#endif
}

void LogHookFailed(const char* funcName) {
    LOG_AS("CHookAPI::CHookAPI", LOG_LEVEL_WARNING, L"Hook api failed, dll(%s) funcName(%S)", kDllName,
           funcName ? funcName : "");
}

#if defined(_WIN64)
// jmp qword [rip+0] followed by the absolute address.
constexpr size_t kRelayBytes = 14;

// Executable memory within +-2 GB of anchor, holding a jump to destination.
void* CreateRelay(const void* anchor, const void* destination) {
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const uintptr_t granularity = system.dwAllocationGranularity;
    const uintptr_t origin = reinterpret_cast<uintptr_t>(anchor);
    const uintptr_t reach = 0x7FF00000;  // a little under 2 GB either way
    uintptr_t low = origin > reach ? origin - reach : granularity;
    uintptr_t high = origin + reach;
    for (uintptr_t at = (low + granularity - 1) / granularity * granularity; at < high;) {
        MEMORY_BASIC_INFORMATION info = {};
        if (!VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof(info))) break;
        uintptr_t regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (info.State == MEM_FREE) {
            void* memory = VirtualAlloc(reinterpret_cast<void*>(at), kRelayBytes, MEM_RESERVE | MEM_COMMIT,
                                        PAGE_EXECUTE_READWRITE);
            if (memory) {
                BYTE* code = static_cast<BYTE*>(memory);
                const BYTE jump[6] = {0xFF, 0x25, 0, 0, 0, 0};
                memcpy(code, jump, sizeof(jump));
                const uint64_t address = reinterpret_cast<uintptr_t>(destination);
                memcpy(code + sizeof(jump), &address, sizeof(address));
                FlushInstructionCache(GetCurrentProcess(), code, kRelayBytes);
                return memory;
            }
        }
        uintptr_t next = (regionEnd + granularity - 1) / granularity * granularity;
        if (next <= at) break;
        at = next;
    }
    return nullptr;
}
#endif

}  // namespace

CHookAPI::CHookAPI(const char* funcName, const void* replacement) {
    UniqueModule module(LoadLibraryW(kDllName));
    if (!module) return;
    FARPROC target = funcName ? GetProcAddress(module.get(), funcName) : nullptr;
    module.reset();  // kernel32 stays loaded: every process imports it
    if (!target) {
        LogHookFailed(funcName);
        return;
    }
    target_ = reinterpret_cast<BYTE*>(target);
    replacement_ = replacement;
    if (!PrepareJump()) {  // 64-bit only: no room for a relay near the target
        LogHookFailed(funcName);
        target_ = nullptr;
        replacement_ = nullptr;
        return;
    }
    memcpy(savedBytes_, target_, sizeof(savedBytes_));
    installed_ = 0;
    dllName_ = kDllName;
    funcName_ = funcName;
}

CHookAPI::~CHookAPI() {
    if (installed_ && target_ && WriteTarget(savedBytes_)) installed_ = 0;
    // A jump that could not be taken back still leads through the relay.
    if (installed_) relay_.release();
}

void CHookAPI::Toggle() {
    if (!target_) return;
    if (installed_) {
        if (WriteTarget(savedBytes_)) installed_ = 0;
    } else {
        if (WriteTarget(patchBytes_)) installed_ = 1;
    }
}

bool CHookAPI::PrepareJump() {
    const void* destination = replacement_;
    int32_t displacement = 0;
    if (!Rel32(target_, destination, &displacement)) {
#if defined(_WIN64)
        relay_.reset(CreateRelay(target_, replacement_));
        destination = relay_.get();
        if (!relay_ || !Rel32(target_, destination, &displacement)) return false;
#else
        return false;
#endif
    }
    patchBytes_[0] = 0xE9;
    const uint32_t bits = static_cast<uint32_t>(displacement);
    for (int i = 0; i < 4; ++i) patchBytes_[1 + i] = static_cast<BYTE>(bits >> (8 * i));
    return true;
}

bool CHookAPI::WriteTarget(const BYTE (&bytes)[5]) {
    SIZE_T written = 0;
    return WriteProcessMemory(GetCurrentProcess(), target_, bytes, sizeof(bytes), &written) &&
           written == sizeof(bytes);
}
