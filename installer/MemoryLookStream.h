#pragma once
// The 7z decoder's look-in stream over a package that is already in memory
// (a locked resource). Look hands out pointers into the package, so nothing
// is copied until the decoder reads. Used on one thread only; the bytes are
// not owned and must outlive the stream.
#include <stddef.h>

#include "7zTypes.h"

struct MemoryLookStream {
    // Called with the share of the package handed out so far (0..1).
    using ProgressFn = void (*)(void* user, double fraction);

    // The largest piece one Look or Read hands out.
    static constexpr size_t kMaxChunk = 32768;

    MemoryLookStream(const void* bytes, size_t size);

    ILookInStream vt;  // must stay the first member: the decoder calls through it
    const Byte* base;
    size_t size;
    size_t pos = 0;
    UInt64 bytesRead = 0;
    ProgressFn progress = nullptr;
    void* progressUser = nullptr;
};
