#include "ops/video/status_poller.h"

#include <cerrno>

#include "platform/log.h"

namespace ostrand::video {

DeviceStatusPoller::DeviceStatusPoller(CommandTarget target, Language language, Report report,
                                       std::chrono::milliseconds interval)
    : target_(std::move(target)),
      language_(language),
      report_(std::move(report)),
      interval_(interval),
      thread_([this](const std::stop_token& stop) { Run(stop); }) {}

DeviceStatusPoller::~DeviceStatusPoller() { Stop(); }

void DeviceStatusPoller::Stop() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

void DeviceStatusPoller::Run(const std::stop_token& stop) {
    StatusPollRule rule;
    while (!stop.stop_requested() && rule.KeepPolling()) {
        try {
            const StatusPoll poll = PollDeviceStatus(target_, language_);
            rule.Record(poll.outcome.Succeeded());
            if (report_) report_(poll.texts);
        } catch (...) {
            // Counted as a failed poll, so a fault that repeats ends the poll.
            rule.Record(false);
            WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "连接失败:%s",
                     ("与设备连接可能出现问题，请检查下，并重新检测\r\n" + std::to_string(errno)).c_str());
        }
        failures_ = rule.Failures();
        ++polls_;
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, stop, interval_, [] { return false; });
    }
    running_ = false;
}

}  // namespace ostrand::video
