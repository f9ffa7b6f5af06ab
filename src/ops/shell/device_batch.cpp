#include "ops/shell/device_batch.h"

#include <algorithm>
#include <exception>
#include <system_error>

#include "ops/shell/bounded_parallel.h"
#include "platform/app_state.h"

namespace ostrand {
namespace {

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

}  // namespace

BatchDevice BatchDeviceOfRow(const DeviceRow& row) {
    return {row[kColIp], CellInt(row[kColCommandPort]), row[kColDeviceNumber], row[kColDeviceName], row[kColVersion]};
}

std::string BatchRowText(const BatchJobResult& result, const std::vector<std::string>& shown,
                         const std::string& fallback) {
    if (!result.text.empty()) return OneLine(result.text);
    std::string joined;
    for (const std::string& text : shown) {
        if (text.empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += text;
    }
    return OneLine(joined.empty() ? fallback : joined);
}

DeviceBatchRun::DeviceBatchRun(std::vector<BatchDevice> devices, BatchJob job, std::string runningText,
                               BatchObserver& observer, std::size_t jobs)
    : devices_(std::move(devices)),
      job_(std::move(job)),
      runningText_(std::move(runningText)),
      observer_(observer),
      jobs_(jobs),
      messages_(Messages()),
      messagesGuard_(messages_),
      rows_(devices_.size()) {}

DeviceBatchRun::~DeviceBatchRun() {
    Wait();
    if (watcher_.joinable()) watcher_.join();
}

bool DeviceBatchRun::Start(std::vector<std::size_t> rows) {
    if (rows.empty()) {
        for (std::size_t row = 0; row < devices_.size(); ++row) rows.push_back(row);
    }
    std::erase_if(rows, [this](std::size_t row) { return row >= devices_.size(); });
    {
        std::lock_guard lock(mutex_);
        if (running_ || rows.empty()) return false;
        running_ = true;
    }
    if (watcher_.joinable()) watcher_.join();  // the previous batch's, already at its end
    for (std::size_t row : rows) Record(row, {runningText_, BatchPhase::Running});
    const auto finish = [this] {
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        observer_.OnBatchEnded();
        ended_.notify_all();
    };
    try {
        watcher_ = std::thread([this, finish, batch = std::move(rows)] {
            ForEachBounded(batch.size(), jobs_, [this, &batch](std::size_t index) { RunRow(batch[index]); });
            finish();
        });
    } catch (const std::system_error&) {
        // No thread for the batch: every row of it fails instead.
        for (std::size_t row = 0; row < devices_.size(); ++row) {
            if (Row(row).phase == BatchPhase::Running) {
                Record(row, {Tr("无法启动工作线程", "Cannot start a worker thread"), BatchPhase::Failed});
            }
        }
        finish();
    }
    return true;
}

void DeviceBatchRun::RunRow(std::size_t row) {
    std::vector<std::string> shown;
    BatchJobResult result;
    {
        PerThreadMessages::Collect collect(shown);
        try {
            result = job_(devices_[row]);
        } catch (const std::exception& e) {
            result = {false, e.what()};
        } catch (...) {
            result = {false, Tr("发生意外错误", "Unexpected failure")};
        }
    }
    const std::string fallback = result.succeeded ? Tr("完成", "Done") : Tr("失败", "Failed");
    Record(row, {BatchRowText(result, shown, fallback), result.succeeded ? BatchPhase::Succeeded : BatchPhase::Failed});
}

bool DeviceBatchRun::RetryFailed() {
    std::vector<std::size_t> failed = FailedRows();
    return !failed.empty() && Start(std::move(failed));  // an empty list would mean every row
}

bool DeviceBatchRun::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void DeviceBatchRun::Wait() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return !running_; });
}

BatchRowState DeviceBatchRun::Row(std::size_t row) const {
    std::lock_guard lock(mutex_);
    return row < rows_.size() ? rows_[row] : BatchRowState{};
}

std::vector<std::size_t> DeviceBatchRun::FailedRows() const {
    std::lock_guard lock(mutex_);
    std::vector<std::size_t> failed;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].phase == BatchPhase::Failed) failed.push_back(row);
    }
    return failed;
}

void DeviceBatchRun::Record(std::size_t row, BatchRowState state) {
    {
        std::lock_guard lock(mutex_);
        rows_[row] = state;
    }
    observer_.OnStatus(row, state);
}

}  // namespace ostrand
