#pragma once
// One main-window command on every selected device at once: each device's
// job runs on a pool of bounded size, its row shows a running text and then
// the job's result, and the observer hears when every row of the batch has
// ended. Rows whose job failed can be run again as a new batch. While a run
// exists the messages its jobs show are collected per device and become that
// row's text: no worker waits on a message box.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/device_list.h"
#include "ops/shell/per_thread_messages.h"

namespace ostrand {

// The row values a batch shows and its jobs use (GBK texts, as the list holds them).
struct BatchDevice {
    std::string ip;
    std::int32_t port = 0;  // commandPort
    std::string deviceNumber;
    std::string name;
    std::string version;
};

// The device of a main-list row: IP, commandPort, device number, name and version.
BatchDevice BatchDeviceOfRow(const DeviceRow& row);

// What one device's job ended with. `text` (UTF-8) is the row's final
// status; when it is empty the messages the job showed are used instead.
struct BatchJobResult {
    bool succeeded = false;
    std::string text;
};

enum class BatchPhase { Idle, Running, Succeeded, Failed };

struct BatchRowState {
    std::string text;  // UTF-8, one line
    BatchPhase phase = BatchPhase::Idle;
};

// Runs on a pool thread for one device.
using BatchJob = std::function<BatchJobResult(const BatchDevice& device)>;

// Told about every row's status and the end of each batch; called on the
// run's threads.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    virtual void OnStatus(std::size_t row, const BatchRowState& state) = 0;
    virtual void OnBatchEnded() = 0;
};

// Devices worked on at once.
inline constexpr std::size_t kBatchJobs = 32;

// The row's final text: the result's text, else the messages shown in order
// (one line, joined by a blank), else the fallback.
std::string BatchRowText(const BatchJobResult& result, const std::vector<std::string>& shown,
                         const std::string& fallback);

class DeviceBatchRun {
public:
    // `runningText` is what a row shows while its job runs (UTF-8).
    DeviceBatchRun(std::vector<BatchDevice> devices, BatchJob job, std::string runningText, BatchObserver& observer,
                   std::size_t jobs = kBatchJobs);
    // Waits for the batch in progress: no job outlives the run.
    ~DeviceBatchRun();
    DeviceBatchRun(const DeviceBatchRun&) = delete;
    DeviceBatchRun& operator=(const DeviceBatchRun&) = delete;

    // Starts a batch for `rows` (every row when empty). False while one runs.
    bool Start(std::vector<std::size_t> rows = {});
    // Starts a batch for the failed rows; false when there are none or one runs.
    bool RetryFailed();
    bool Running() const;
    void Wait();

    const std::vector<BatchDevice>& Devices() const { return devices_; }
    BatchRowState Row(std::size_t row) const;
    std::vector<std::size_t> FailedRows() const;

private:
    void Record(std::size_t row, BatchRowState state);
    void RunRow(std::size_t row);

    std::vector<BatchDevice> devices_;
    BatchJob job_;
    std::string runningText_;
    BatchObserver& observer_;
    std::size_t jobs_;
    PerThreadMessages messages_;
    ScopedMessageSink messagesGuard_;

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::vector<BatchRowState> rows_;
    bool running_ = false;
    std::thread watcher_;
};

}  // namespace ostrand
