#include "SpeedLimiter.h"

#include <algorithm>
#include <thread>

namespace orvdown {
namespace {

// A waiting thread looks at its cancel flag at least this often.
constexpr auto kLongestWait = std::chrono::milliseconds(50);

}  // namespace

void SpeedLimiter::SetLimit(uint32_t bytesPerSecond) {
    std::lock_guard<std::mutex> lock(lock_);
    RefillLocked(Clock::now());
    limit_ = bytesPerSecond;
    tokens_ = std::min(tokens_, CapacityLocked());
}

uint32_t SpeedLimiter::Limit() const {
    std::lock_guard<std::mutex> lock(lock_);
    return limit_;
}

// At most 50 ms worth of bytes may be taken at once.
double SpeedLimiter::BurstLocked() const { return std::max(1.0, limit_ / 20.0); }

// The bucket keeps 250 ms worth, so a thread that wakes late (a busy
// machine) catches up instead of losing what accrued meanwhile.
double SpeedLimiter::CapacityLocked() const { return std::max(1.0, limit_ / 4.0); }

void SpeedLimiter::RefillLocked(Clock::time_point now) {
    double seconds = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    tokens_ = std::min(CapacityLocked(), tokens_ + seconds * limit_);
}

size_t SpeedLimiter::Acquire(size_t want, const std::atomic<bool>& cancel) {
    while (!cancel.load()) {
        std::chrono::duration<double> wait;
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (limit_ == 0) return want;
            RefillLocked(Clock::now());
            // Wait for a whole burst (or all that is wanted) rather than
            // handing out crumbs to threads that compete.
            size_t need = std::min(want, static_cast<size_t>(BurstLocked()));
            if (tokens_ >= static_cast<double>(need)) {
                tokens_ -= static_cast<double>(need);
                return need;
            }
            wait = std::chrono::duration<double>((static_cast<double>(need) - tokens_) / limit_);
        }
        std::this_thread::sleep_for(std::min<std::chrono::duration<double>>(wait, kLongestWait));
    }
    return 0;
}

void SpeedLimiter::Return(size_t unused) {
    std::lock_guard<std::mutex> lock(lock_);
    if (limit_ != 0) tokens_ = std::min(CapacityLocked(), tokens_ + static_cast<double>(unused));
}

}  // namespace orvdown
