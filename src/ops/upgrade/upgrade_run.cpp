#include "ops/upgrade/upgrade_run.h"

#include <atomic>
#include <memory>

namespace ostrand {

class UpgradeRun::RowSink final : public UpgradeRowSink {
public:
    RowSink(UpgradeRun& run, std::size_t row) : run_(run), row_(row) {}
    void Status(const std::string& text, RowPhase phase) override { run_.Record(row_, text, phase); }
    void Progress(std::uint64_t sent, std::uint64_t total) override { run_.RecordProgress(row_, sent, total); }

private:
    UpgradeRun& run_;
    std::size_t row_;
};

UpgradeRun::UpgradeRun(UpgradeKind kind, UpgradeVersions versions, std::filesystem::path path,
                       std::vector<UpgradeDevice> devices, UpgradeObserver& observer, std::size_t parallel)
    : kind_(kind),
      versions_(std::move(versions)),
      path_(std::move(path)),
      devices_(std::move(devices)),
      observer_(observer),
      parallel_(parallel),
      rows_(devices_.size()) {}

UpgradeRun::~UpgradeRun() {
    Wait();
    if (watcher_.joinable()) watcher_.join();
}

bool UpgradeRun::Start(std::vector<std::size_t> rows) {
    if (rows.empty()) {
        for (std::size_t row = 0; row < devices_.size(); ++row) rows.push_back(row);
    }
    std::erase_if(rows, [this](std::size_t row) { return row >= devices_.size(); });
    auto package = std::make_shared<UpgradePackage>();
    {
        std::lock_guard lock(mutex_);
        if (running_ || rows.empty()) return false;
        running_ = true;
        for (std::size_t row : rows) rows_[row] = UpgradeRowState{};
    }
    if (watcher_.joinable()) watcher_.join();  // the previous batch's, already at its end
    if (!image_) image_ = ReadUpgradeImage(path_);
    package->kind = kind_;
    package->versions = versions_;
    package->fileName = path_.filename().string();
    package->image = image_;

    const std::size_t threads = parallel_ == 0 ? rows.size() : std::min(parallel_, rows.size());
    auto next = std::make_shared<std::atomic<std::size_t>>(0);
    auto batch = std::make_shared<std::vector<std::size_t>>(std::move(rows));
    std::vector<std::thread> workers;
    workers.reserve(threads);
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([this, package, next, batch] {
            for (std::size_t i = (*next)++; i < batch->size(); i = (*next)++) {
                const std::size_t row = (*batch)[i];
                RowSink sink(*this, row);
                RunUpgradeWorker(*package, devices_[row], sink);
            }
        });
    }
    watcher_ = std::thread([this, workers = std::move(workers)]() mutable {
        for (std::thread& worker : workers) worker.join();
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        observer_.OnBatchEnded();
        ended_.notify_all();
    });
    return true;
}

bool UpgradeRun::RetryFailed() {
    std::vector<std::size_t> failed = FailedRows();
    return !failed.empty() && Start(std::move(failed));  // an empty list would mean every row
}

bool UpgradeRun::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void UpgradeRun::Wait() {
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [this] { return !running_; });
}

UpgradeRowState UpgradeRun::Row(std::size_t row) const {
    std::lock_guard lock(mutex_);
    return row < rows_.size() ? rows_[row] : UpgradeRowState{};
}

std::vector<std::size_t> UpgradeRun::FailedRows() const {
    std::lock_guard lock(mutex_);
    std::vector<std::size_t> failed;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].phase == RowPhase::Failed) failed.push_back(row);
    }
    return failed;
}

void UpgradeRun::Record(std::size_t row, const std::string& text, RowPhase phase) {
    {
        std::lock_guard lock(mutex_);
        rows_[row].text = text;
        rows_[row].phase = phase;
    }
    observer_.OnStatus(row, text, phase);
}

void UpgradeRun::RecordProgress(std::size_t row, std::uint64_t sent, std::uint64_t total) {
    {
        std::lock_guard lock(mutex_);
        rows_[row].sent = sent;
        rows_[row].total = total;
    }
    observer_.OnProgress(row, sent, total);
}

}  // namespace ostrand
