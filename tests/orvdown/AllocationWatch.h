#pragma once
// Watches the heap of this test program: every operator new and delete of
// the program goes through the ones AllocationWatch.cpp puts in place of
// the standard library's (OrvDown.dll has its own and is not seen). A
// watch records, from its start, the largest single allocation and the
// peak of the bytes live on top of those live at its start. One watch at a
// time.
#include <cstddef>

namespace orvtest {

class AllocationWatch {
public:
    AllocationWatch();
    size_t Largest() const;
    size_t PeakGrowth() const;

private:
    size_t start_;
};

}  // namespace orvtest
