#pragma once
// An upgrade of many devices at once: one worker per device row, plus a
// watcher that starts them and reports when every worker of the batch has
// ended. A bound on workers at once bounds the image transfers: a worker that
// has sent its image and only waits for the device's kernel write frees its
// place for the next row. Rows whose result is a failure can be run again as a new batch.
// The image is read once per batch that needs it and shared by the workers.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ops/upgrade/upgrade_worker.h"

namespace ostrand {

// Told about every status write, every progress step and the end of each
// batch. Called on worker threads and on the watcher thread.
class UpgradeObserver {
public:
    virtual ~UpgradeObserver() = default;
    virtual void OnStatus(std::size_t row, const std::string& text, RowPhase phase) = 0;
    virtual void OnProgress(std::size_t row, std::uint64_t sent, std::uint64_t total) = 0;
    virtual void OnBatchEnded() = 0;
    // Why the status written next failed (the reason the log has), if known.
    virtual void OnReason(std::size_t /*row*/, const std::string& /*text*/) {}
};

struct UpgradeRowState {
    std::string text;  // the last status written
    RowPhase phase = RowPhase::Idle;
    std::uint64_t sent = 0;
    std::uint64_t total = 0;
};

class UpgradeRun {
public:
    // `parallel` 0: every row of the batch at once; otherwise at most that many
    // transfers at once (kernel writes are waited for beside them).
    UpgradeRun(UpgradeKind kind, UpgradeVersions versions, std::filesystem::path path,
               std::vector<UpgradeDevice> devices, UpgradeObserver& observer, std::size_t parallel = 0);
    // Waits for the batch in progress: no worker outlives the run.
    ~UpgradeRun();
    UpgradeRun(const UpgradeRun&) = delete;
    UpgradeRun& operator=(const UpgradeRun&) = delete;

    // Starts a batch for `rows` (every row when empty). False while a batch runs.
    bool Start(std::vector<std::size_t> rows = {});
    // Starts a batch for the rows whose result is a failure; false when there
    // are none or a batch runs.
    bool RetryFailed();
    bool Running() const;
    // Waits until the batch in progress has ended.
    void Wait();

    const std::vector<UpgradeDevice>& Devices() const { return devices_; }
    UpgradeKind Kind() const { return kind_; }
    UpgradeRowState Row(std::size_t row) const;
    std::vector<std::size_t> FailedRows() const;

private:
    class RowSink;
    class Slots;
    void Record(std::size_t row, const std::string& text, RowPhase phase);
    void RecordProgress(std::size_t row, std::uint64_t sent, std::uint64_t total);

    UpgradeKind kind_;
    UpgradeVersions versions_;
    std::filesystem::path path_;
    std::vector<UpgradeDevice> devices_;
    UpgradeObserver& observer_;
    std::size_t parallel_;

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::vector<UpgradeRowState> rows_;
    std::shared_ptr<const std::string> image_;
    bool running_ = false;
    std::thread watcher_;
};

}  // namespace ostrand
