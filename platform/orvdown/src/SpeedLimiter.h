#pragma once
// The total speed limit shared by every task: a token bucket that the
// download threads draw from before each read. The limit may change at any
// time; 0 means no limit.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace orvdown {

class SpeedLimiter {
public:
    void SetLimit(uint32_t bytesPerSecond);
    uint32_t Limit() const;
    // Waits until some bytes may be read and returns how many (at most
    // want); 0 once cancel is set.
    size_t Acquire(size_t want, const std::atomic<bool>& cancel);
    // Gives back bytes acquired but not read.
    void Return(size_t unused);

private:
    using Clock = std::chrono::steady_clock;
    void RefillLocked(Clock::time_point now);
    double BurstLocked() const;
    double CapacityLocked() const;

    mutable std::mutex lock_;
    uint32_t limit_ = 0;
    double tokens_ = 0;
    Clock::time_point last_ = Clock::now();
};

}  // namespace orvdown
