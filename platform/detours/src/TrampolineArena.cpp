// Executable slots for trampolines, near the functions they serve.
#include "TrampolineArena.h"

#include <cstdint>

namespace detours {
namespace {

constexpr size_t kRegionSize = 0x10000;  // the allocation granularity of Windows
constexpr uintptr_t kReach = 0x7FF00000;  // a little under 2 GB either way

BYTE* AllocateAt(uintptr_t at) {
    return static_cast<BYTE*>(
        VirtualAlloc(reinterpret_cast<void*>(at), kRegionSize, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
}

#if defined(_WIN64)
// The first free granule met walking from the anchor outwards in one
// direction, within reach.
BYTE* ScanFrom(uintptr_t anchor, bool upwards) {
    const uintptr_t low = anchor > kReach ? anchor - kReach : kRegionSize;
    const uintptr_t high = anchor + kReach - kRegionSize;
    uintptr_t at = anchor / kRegionSize * kRegionSize + (upwards ? kRegionSize : 0);
    while (at >= low && at <= high) {
        MEMORY_BASIC_INFORMATION info = {};
        if (!VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof(info))) return nullptr;
        if (info.State == MEM_FREE) {
            if (BYTE* region = AllocateAt(at)) return region;
        }
        const uintptr_t base = reinterpret_cast<uintptr_t>(info.BaseAddress);
        if (upwards) {
            at = (base + info.RegionSize + kRegionSize - 1) / kRegionSize * kRegionSize;
        } else {
            if (base < kRegionSize) return nullptr;
            const uintptr_t below = (base - 1) / kRegionSize * kRegionSize;
            at = below < at ? below : at - kRegionSize;
        }
    }
    return nullptr;
}
#endif

}  // namespace

bool TrampolineArena::Near(const BYTE* at, const void* anchor) {
#if defined(_WIN64)
    const uintptr_t a = reinterpret_cast<uintptr_t>(anchor);
    const uintptr_t from = reinterpret_cast<uintptr_t>(at), to = from + kRegionSize;
    return (from > a ? from - a : a - from) < kReach && (to > a ? to - a : a - to) < kReach;
#else
    (void)at;
    (void)anchor;
    return true;  // every 32-bit displacement is within reach
#endif
}

BYTE* TrampolineArena::Reserve(const void* anchor) {
#if defined(_WIN64)
    const uintptr_t a = reinterpret_cast<uintptr_t>(anchor);
    if (BYTE* region = ScanFrom(a, true)) return region;
    return ScanFrom(a, false);
#else
    (void)anchor;
    return AllocateAt(0);
#endif
}

BYTE* TrampolineArena::Take(const void* anchor) {
    constexpr size_t kSlots = kRegionSize / kSlotSize;
    for (Region& region : regions_) {
        if (!Near(region.base, anchor)) continue;
        for (size_t i = 0; i < kSlots; ++i) {
            if (region.used[i]) continue;
            region.used[i] = true;
            return region.base + i * kSlotSize;
        }
    }
    BYTE* base = Reserve(anchor);
    if (!base) return nullptr;
    regions_.push_back(Region{base, std::vector<bool>(kSlots, false)});
    regions_.back().used[0] = true;
    return base;
}

void TrampolineArena::Give(BYTE* slot) {
    for (Region& region : regions_) {
        if (slot >= region.base && slot < region.base + kRegionSize) {
            region.used[static_cast<size_t>(slot - region.base) / kSlotSize] = false;
            return;
        }
    }
}

}  // namespace detours
