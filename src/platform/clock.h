#pragma once
// The tool's source of time and of sleeps. Waits that last seconds or minutes
// (upgrade waits, polls, reply time-outs) go through it so tests can run them
// in milliseconds.

#include <chrono>
#include <mutex>

namespace ostrand {

class Clock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
    virtual void SleepFor(Duration duration) = 0;
    // Wall-clock time (for "set device time" and time stamps).
    virtual std::chrono::system_clock::time_point WallNow() = 0;
};

// Real time. A sleep on a thread with a stop installed (platform/stop_signal.h)
// ends early when the stop is raised.
class SystemClock final : public Clock {
public:
    TimePoint Now() override;
    void SleepFor(Duration duration) override;
    std::chrono::system_clock::time_point WallNow() override;
};

// Time that passes only by SleepFor or Advance; sleeps return at once.
// Safe to share between threads.
class ManualClock final : public Clock {
public:
    TimePoint Now() override;
    void SleepFor(Duration duration) override;
    std::chrono::system_clock::time_point WallNow() override;
    void Advance(Duration duration);
    void SetWallNow(std::chrono::system_clock::time_point wall);

private:
    std::mutex mutex_;
    Duration elapsed_{};
    std::chrono::system_clock::time_point wallStart_ = std::chrono::system_clock::time_point{};
};

// The clock in force (a SystemClock unless a test installed another).
Clock& CurrentClock();
void SetClock(Clock* clock);  // nullptr restores the system clock; caller keeps ownership

class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

}  // namespace ostrand
