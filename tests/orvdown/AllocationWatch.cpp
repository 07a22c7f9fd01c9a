#include "AllocationWatch.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};
std::atomic<size_t> g_largest{0};

void RaiseTo(std::atomic<size_t>& value, size_t at_least) {
    size_t seen = value.load();
    while (seen < at_least && !value.compare_exchange_weak(seen, at_least)) {
    }
}

}  // namespace

void* operator new(size_t cb) {
    void* p = std::malloc(cb ? cb : 1);
    if (!p) throw std::bad_alloc();
    RaiseTo(g_largest, cb);
    RaiseTo(g_peak, g_live += _msize(p));
    return p;
}

void operator delete(void* p) noexcept {
    if (!p) return;
    g_live -= _msize(p);
    std::free(p);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace orvtest {

AllocationWatch::AllocationWatch() : start_(g_live.load()) {
    g_largest = 0;
    g_peak = start_;
}

size_t AllocationWatch::Largest() const { return g_largest.load(); }

size_t AllocationWatch::PeakGrowth() const {
    size_t peak = g_peak.load();
    return peak > start_ ? peak - start_ : 0;
}

}  // namespace orvtest
