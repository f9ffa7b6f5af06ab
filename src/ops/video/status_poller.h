#pragma once
// The background poll of a camera's status fields while its preview is open:
// "sdcheck" every 300 ms on a thread of its own, each result handed to
// `report` (on the poll thread), until two polls in a row failed or the
// poller is stopped. Destruction stops the poll and waits for the thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ops/video/device_status.h"

namespace ostrand::video {

class DeviceStatusPoller {
public:
    using Report = std::function<void(const DeviceStatusTexts&)>;
    static constexpr std::chrono::milliseconds kInterval{300};

    // Starts polling at once; `target` is the poller's own copy.
    DeviceStatusPoller(CommandTarget target, Language language, Report report,
                       std::chrono::milliseconds interval = kInterval);
    ~DeviceStatusPoller();
    DeviceStatusPoller(const DeviceStatusPoller&) = delete;
    DeviceStatusPoller& operator=(const DeviceStatusPoller&) = delete;

    // Ends the poll and waits for the thread (a poll under way finishes first).
    void Stop();
    bool Running() const { return running_; }
    int Failures() const { return failures_; }
    int Polls() const { return polls_; }

private:
    void Run(const std::stop_token& stop);

    CommandTarget target_;
    Language language_;
    Report report_;
    std::chrono::milliseconds interval_;
    std::atomic<bool> running_{true};
    std::atomic<int> failures_{0};
    std::atomic<int> polls_{0};
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread thread_;  // last: starts after everything it reads
};

}  // namespace ostrand::video
