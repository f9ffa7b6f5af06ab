#include "platform/clock.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <thread>

#include "platform/stop_signal.h"

namespace ostrand {
namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_clock{nullptr};
}  // namespace

Clock::TimePoint SystemClock::Now() { return std::chrono::steady_clock::now(); }
void SystemClock::SleepFor(Duration duration) {
    const int stop = CurrentStopDescriptor();
    if (stop < 0) {
        std::this_thread::sleep_for(duration);
        return;
    }
    // Under a stop the sleep is a wait on it, ended at once when it is raised.
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        if (CurrentStopRaised()) {
            NoteStopped();
            return;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        pollfd entry{stop, POLLIN, 0};
        const int rc = ::poll(&entry, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 0x7FFFFFFF)));
        if (rc < 0 && errno != EINTR) {
            std::this_thread::sleep_until(deadline);
            return;
        }
    }
}
std::chrono::system_clock::time_point SystemClock::WallNow() { return std::chrono::system_clock::now(); }

Clock::TimePoint ManualClock::Now() {
    std::lock_guard lock(mutex_);
    return TimePoint{} + elapsed_;
}

void ManualClock::SleepFor(Duration duration) { Advance(duration); }

std::chrono::system_clock::time_point ManualClock::WallNow() {
    std::lock_guard lock(mutex_);
    return wallStart_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(elapsed_);
}

void ManualClock::Advance(Duration duration) {
    if (duration <= Duration::zero()) return;
    std::lock_guard lock(mutex_);
    elapsed_ += duration;
}

void ManualClock::SetWallNow(std::chrono::system_clock::time_point wall) {
    std::lock_guard lock(mutex_);
    wallStart_ = wall - std::chrono::duration_cast<std::chrono::system_clock::duration>(elapsed_);
}

Clock& CurrentClock() {
    Clock* clock = g_clock.load(std::memory_order_acquire);
    return clock != nullptr ? *clock : g_systemClock;
}

void SetClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

ScopedClock::ScopedClock(Clock& clock) : previous_(g_clock.load(std::memory_order_acquire)) { SetClock(&clock); }
ScopedClock::~ScopedClock() { SetClock(previous_); }

}  // namespace ostrand
