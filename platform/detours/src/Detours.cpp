// Hook library stand-in: transactions of 5-byte jump patches with trampolines.
#include "detours.h"

#include "Disasm.h"
#include "TrampolineArena.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace detours {
namespace {

#if defined(_WIN64)
constexpr CpuMode kMode = CpuMode::X64;
#else
constexpr CpuMode kMode = CpuMode::X86;
#endif

constexpr size_t kPatchSize = kJump32Size;
// The most a patch can cover: it ends inside an instruction of at most 15 bytes.
constexpr size_t kMaxTaken = kPatchSize - 1 + 15;
// A slot: the relocated instructions and the jump back, then (x86-64, when
// the detour is out of rel32 reach) a relay: jmp qword [rip+0] and the address.
constexpr size_t kCodeArea = 48;
constexpr size_t kRelayOffset = kCodeArea;
static_assert(kRelayOffset + 6 + 8 <= TrampolineArena::kSlotSize, "relay fits the slot");

struct PendingAttach {
    PVOID* pointer = nullptr;
    BYTE* target = nullptr;
    BYTE* slot = nullptr;
    Relocation relocation;
    BYTE patch[kMaxTaken] = {};
};

struct Transaction {
    DWORD owner = 0;  // id of the thread that began it; 0 when none is open
    LONG error = NO_ERROR;
    std::vector<PendingAttach> attaches;
    std::vector<HANDLE> threads;
};

std::mutex g_lock;
Transaction g_transaction;
TrampolineArena g_arena;

uint64_t Address(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }

bool OwnsTransaction() { return g_transaction.owner != 0 && g_transaction.owner == GetCurrentThreadId(); }

LONG Fail(LONG error) {
    if (g_transaction.error == NO_ERROR) g_transaction.error = error;
    return error;
}

bool Overlaps(const BYTE* target, size_t taken) {
    for (const PendingAttach& other : g_transaction.attaches) {
        if (target < other.target + other.relocation.taken && other.target < target + taken) return true;
    }
    return false;
}

// Fills in the trampoline and the patch bytes; false when the prologue is refused.
bool Prepare(PendingAttach* attach, const void* detour) {
    BYTE* slot = attach->slot;
    Relocation& relocation = attach->relocation;
    if (!RelocateInstructions(kMode, attach->target, kMaxTaken, Address(attach->target), kPatchSize, slot,
                              kCodeArea - kJump32Size, Address(slot), &relocation))
        return false;
    if (!WriteJump32(kMode, slot + relocation.written, Address(slot + relocation.written),
                     Address(attach->target + relocation.taken)))
        return false;
    uint64_t destination = Address(detour);
    int32_t unused = 0;
    if (!Rel32(kMode, Address(attach->target + kPatchSize), destination, &unused)) {
        BYTE* relay = slot + kRelayOffset;
        const BYTE jump[6] = {0xFF, 0x25, 0, 0, 0, 0};
        memcpy(relay, jump, sizeof(jump));
        memcpy(relay + sizeof(jump), &destination, sizeof(destination));
        destination = Address(relay);
    }
    if (!WriteJump32(kMode, attach->patch, Address(attach->target), destination)) return false;
    // What the patch leaves of the last instruction taken must never run.
    memset(attach->patch + kPatchSize, 0xCC, relocation.taken - kPatchSize);
    FlushInstructionCache(GetCurrentProcess(), slot, TrampolineArena::kSlotSize);
    return true;
}

// Nothing may allocate between here and the resume: a held thread may own the heap's lock.
LONG SuspendThreads(std::vector<HANDLE>* suspended) {
    for (HANDLE thread : g_transaction.threads) {
        if (GetThreadId(thread) == GetCurrentThreadId()) continue;
        if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
            const LONG error = static_cast<LONG>(GetLastError());
            // A thread that has ended since it was named runs nothing any more.
            if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) continue;
            return error;
        }
        suspended->push_back(thread);
    }
    return NO_ERROR;
}

// A held thread that stands inside the bytes about to be replaced goes on at
// the same instruction in the trampoline.
LONG MoveThreadsOut(const std::vector<HANDLE>& suspended, bool* moved) {
    for (HANDLE thread : suspended) {
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        if (!GetThreadContext(thread, &context)) return static_cast<LONG>(GetLastError());
#if defined(_WIN64)
        using Ip = DWORD64;
        Ip& ip = context.Rip;
#else
        using Ip = DWORD;
        Ip& ip = context.Eip;
#endif
        for (const PendingAttach& attach : g_transaction.attaches) {
            const uint64_t start = Address(attach.target);
            if (ip < start || ip >= start + attach.relocation.taken) continue;
            bool found = false;
            for (const auto& [original, copy] : attach.relocation.starts) {
                if (start + original != ip) continue;
                ip = static_cast<Ip>(Address(attach.slot + copy));
                found = true;
            }
            if (!found) return ERROR_INVALID_OPERATION;  // not on an instruction boundary
            if (!SetThreadContext(thread, &context)) return static_cast<LONG>(GetLastError());
            *moved = true;
        }
    }
    return NO_ERROR;
}

// Every patch, or none. protections holds one entry per attach.
LONG WritePatches(std::vector<DWORD>& protections) {
    for (size_t i = 0; i < g_transaction.attaches.size(); ++i) {
        const PendingAttach& attach = g_transaction.attaches[i];
        if (VirtualProtect(attach.target, attach.relocation.taken, PAGE_EXECUTE_READWRITE, &protections[i])) continue;
        const LONG error = static_cast<LONG>(GetLastError());
        DWORD unused = 0;
        while (i-- > 0) {
            const PendingAttach& done = g_transaction.attaches[i];
            VirtualProtect(done.target, done.relocation.taken, protections[i], &unused);
        }
        return error;
    }
    for (const PendingAttach& attach : g_transaction.attaches) {
        memcpy(attach.target, attach.patch, attach.relocation.taken);
        FlushInstructionCache(GetCurrentProcess(), attach.target, attach.relocation.taken);
    }
    // Backwards: two patches on one page get the page's first protection back.
    for (size_t i = g_transaction.attaches.size(); i-- > 0;) {
        const PendingAttach& attach = g_transaction.attaches[i];
        DWORD unused = 0;
        VirtualProtect(attach.target, attach.relocation.taken, protections[i], &unused);
    }
    return NO_ERROR;
}

}  // namespace
}  // namespace detours

using namespace detours;

LONG WINAPI DetourTransactionBegin(void) {
    static std::once_flag announced;
    std::call_once(announced, [] { OutputDebugStringA("detours stand-in active\n"); });
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_transaction.owner != 0) return ERROR_INVALID_OPERATION;
    g_transaction = Transaction{};
    g_transaction.owner = GetCurrentThreadId();
    return NO_ERROR;
}

LONG WINAPI DetourUpdateThread(HANDLE thread) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    if (!thread) return Fail(ERROR_INVALID_HANDLE);
    g_transaction.threads.push_back(thread);
    return NO_ERROR;
}

LONG WINAPI DetourAttach(PVOID* pointer, PVOID detour) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    if (!pointer || !*pointer || !detour) return Fail(ERROR_INVALID_HANDLE);
    PendingAttach attach;
    attach.pointer = pointer;
    attach.target = static_cast<BYTE*>(*pointer);
    attach.slot = g_arena.Take(attach.target);
    if (!attach.slot) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    if (!Prepare(&attach, detour)) {
        g_arena.Give(attach.slot);
        return Fail(ERROR_INVALID_BLOCK);
    }
    if (Overlaps(attach.target, attach.relocation.taken)) {
        g_arena.Give(attach.slot);
        return Fail(ERROR_INVALID_OPERATION);
    }
    g_transaction.attaches.push_back(attach);
    return NO_ERROR;
}

LONG WINAPI DetourTransactionCommit(void) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!OwnsTransaction()) return ERROR_INVALID_OPERATION;
    LONG result = g_transaction.error;
    std::vector<HANDLE> suspended;
    suspended.reserve(g_transaction.threads.size());
    std::vector<DWORD> protections(g_transaction.attaches.size());
    bool moved = false, published = false;
    if (result == NO_ERROR) result = SuspendThreads(&suspended);
    if (result == NO_ERROR) result = MoveThreadsOut(suspended, &moved);
    if (result == NO_ERROR) {
        // The callers' pointers lead to the trampolines before any patch is
        // written: a detour entered meanwhile on another thread already
        // reaches the original through its trampoline, never back into itself.
        for (const PendingAttach& attach : g_transaction.attaches) *attach.pointer = attach.slot;
        published = true;
        result = WritePatches(protections);
        if (result != NO_ERROR) {
            for (const PendingAttach& attach : g_transaction.attaches) *attach.pointer = attach.target;
        }
    }
    for (HANDLE thread : suspended) ResumeThread(thread);
    // A slot a thread was moved into, or that was handed out, stays.
    if (result != NO_ERROR && !moved && !published) {
        for (const PendingAttach& attach : g_transaction.attaches) g_arena.Give(attach.slot);
    }
    g_transaction = Transaction{};
    return result;
}

PVOID WINAPI DetourFindFunction(LPCSTR module, LPCSTR function) {
    if (!module || !function) return nullptr;
    HMODULE handle = LoadLibraryA(module);
    if (!handle) return nullptr;
    return reinterpret_cast<PVOID>(GetProcAddress(handle, function));
}
