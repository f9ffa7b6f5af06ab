#pragma once
// The background poll of a camera's status fields while its preview is open:
// "sdcheck" every 300 ms on a thread of its own, each result handed to
// `report` (on the poll thread), until two polls in a row failed or the
// poller is stopped.
//
// Stopping never waits for a camera: the wait between polls ends at once,
// and a poll whose exchange is still under way is left to end by its own
// bound on a thread that holds only what it owns (its target copy and the
// shared state below), never the poller or whatever `report` reaches. Once
// Stop has returned, `report` is not called again.

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "ops/video/device_status.h"

namespace ostrand::video {

class DeviceStatusPoller {
public:
    using Report = std::function<void(const StatusPoll&)>;
    static constexpr std::chrono::milliseconds kInterval{300};
    // How long Stop waits for a poll under way before leaving it to end alone.
    static constexpr std::chrono::milliseconds kStopWait{200};

    // Starts polling at once; `target` is the poller's own copy.
    DeviceStatusPoller(CommandTarget target, Language language, Report report,
                       std::chrono::milliseconds interval = kInterval);
    ~DeviceStatusPoller();
    DeviceStatusPoller(const DeviceStatusPoller&) = delete;
    DeviceStatusPoller& operator=(const DeviceStatusPoller&) = delete;

    // Ends the poll: returns within about kStopWait whatever the camera does.
    void Stop();
    bool Running() const;
    int Failures() const;
    int Polls() const;

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& shared, CommandTarget target, Language language,
                    std::chrono::milliseconds interval);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace ostrand::video
