#pragma once
// Executable slots for trampolines. On x86-64 a slot lies within reach of a
// rel32 jump from the function it serves, so the 5-byte patch can lead to it
// and the relocated instructions can still reach what they referred to.
// Used only inside a transaction, which one thread owns at a time.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace detours {

class TrampolineArena {
public:
    static constexpr size_t kSlotSize = 64;

    // A free slot near anchor, or null when none can be had.
    BYTE* Take(const void* anchor);
    void Give(BYTE* slot);

private:
    struct Region {
        BYTE* base;
        std::vector<bool> used;
    };
    static bool Near(const BYTE* at, const void* anchor);
    static BYTE* Reserve(const void* anchor);

    std::vector<Region> regions_;
};

}  // namespace detours
