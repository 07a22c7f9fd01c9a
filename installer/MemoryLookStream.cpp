#include "MemoryLookStream.h"

#include <string.h>

#include <algorithm>
#include <type_traits>

static_assert(std::is_standard_layout<MemoryLookStream>::value,
              "the decoder's interface pointer is converted back to the stream");

namespace {

MemoryLookStream* FromInterface(ILookInStreamPtr p) {
    // vt is the first member of a standard-layout struct.
    return reinterpret_cast<MemoryLookStream*>(const_cast<ILookInStream*>(p));
}

size_t Available(const MemoryLookStream* s, size_t wanted) {
    return std::min({wanted, s->size - s->pos, MemoryLookStream::kMaxChunk});
}

void CountHandedOut(MemoryLookStream* s, size_t n) {
    s->bytesRead += n;
    if (s->progress) s->progress(s->progressUser, static_cast<double>(s->bytesRead) / static_cast<double>(s->size));
}

SRes Look(ILookInStreamPtr p, const void** buf, size_t* size) {
    MemoryLookStream* s = FromInterface(p);
    const size_t n = Available(s, *size);
    *buf = s->base + s->pos;
    *size = n;
    if (n) CountHandedOut(s, n);
    return SZ_OK;
}

SRes Skip(ILookInStreamPtr p, size_t offset) {
    MemoryLookStream* s = FromInterface(p);
    if (offset > s->size - s->pos) return SZ_ERROR_INPUT_EOF;
    s->pos += offset;
    return SZ_OK;
}

SRes Read(ILookInStreamPtr p, void* buf, size_t* size) {
    MemoryLookStream* s = FromInterface(p);
    const size_t n = Available(s, *size);
    if (n) memcpy(buf, s->base + s->pos, n);
    s->pos += n;
    *size = n;
    if (n) CountHandedOut(s, n);
    return SZ_OK;
}

SRes Seek(ILookInStreamPtr p, Int64* pos, ESzSeek origin) {
    MemoryLookStream* s = FromInterface(p);
    Int64 from;
    switch (origin) {
    case SZ_SEEK_SET: from = 0; break;
    case SZ_SEEK_CUR: from = static_cast<Int64>(s->pos); break;
    case SZ_SEEK_END: from = static_cast<Int64>(s->size); break;
    default: return SZ_ERROR_PARAM;
    }
    const Int64 size = static_cast<Int64>(s->size);
    // from lies in 0..size, so neither check below can overflow.
    if (*pos < -from || *pos > size - from) return SZ_ERROR_INPUT_EOF;
    s->pos = static_cast<size_t>(from + *pos);
    *pos = static_cast<Int64>(s->pos);
    return SZ_OK;
}

}  // namespace

MemoryLookStream::MemoryLookStream(const void* bytes, size_t byteCount)
    : vt{Look, Skip, Read, Seek}, base(static_cast<const Byte*>(bytes)), size(byteCount) {}
