#include "ops/video/status_poller.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>

#include "platform/log.h"
#include "platform/stop_signal.h"

namespace ostrand::video {

struct DeviceStatusPoller::Shared {
    StopSignal exchange;  // ends the poll's exchange at once when raised
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool running = true;
    int failures = 0;
    int polls = 0;
    Report report;  // cleared by Stop, called only under `mutex`
};

DeviceStatusPoller::DeviceStatusPoller(CommandTarget target, Language language, Report report,
                                       std::chrono::milliseconds interval)
    : shared_(std::make_shared<Shared>()) {
    shared_->report = std::move(report);
    thread_ = std::thread(&DeviceStatusPoller::Run, shared_, std::move(target), language, interval);
}

DeviceStatusPoller::~DeviceStatusPoller() { Stop(); }

void DeviceStatusPoller::Stop() {
    if (!thread_.joinable()) return;
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->report = nullptr;
    shared_->exchange.Raise();
    shared_->wake.notify_all();
    const bool ended = shared_->wake.wait_for(lock, kStopWait, [this] { return !shared_->running; });
    lock.unlock();
    if (ended) {
        thread_.join();
    } else {
        // Not seen: the exchange under way ends by its own bound and the
        // thread then sees the stop; it holds only the shared state.
        thread_.detach();
    }
}

bool DeviceStatusPoller::Running() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

int DeviceStatusPoller::Failures() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->failures;
}

int DeviceStatusPoller::Polls() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->polls;
}

void DeviceStatusPoller::Run(const std::shared_ptr<Shared>& shared, CommandTarget target, Language language,
                             std::chrono::milliseconds interval) {
    StatusPollRule rule;
    // Every wait of the poll's exchanges ends when the poll is stopped.
    const ScopedStop stoppable(shared->exchange);
    std::unique_lock lock(shared->mutex);
    while (!shared->stop && rule.KeepPolling()) {
        lock.unlock();
        StatusPoll poll;
        bool polled = true;
        try {
            poll = PollDeviceStatus(target, language);
            rule.Record(!poll.Failed());
        } catch (...) {
            // Counted as a failed poll, so a fault that repeats ends the poll.
            polled = false;
            rule.Record(false);
            WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "连接失败:%s",
                     ("与设备连接可能出现问题，请检查下，并重新检测\r\n" + std::to_string(errno)).c_str());
        }
        lock.lock();
        shared->failures = rule.Failures();
        ++shared->polls;
        if (polled && shared->report && !shared->stop) shared->report(poll);
        shared->wake.wait_for(lock, interval, [&shared] { return shared->stop; });
    }
    shared->running = false;
    shared->wake.notify_all();
}

}  // namespace ostrand::video
