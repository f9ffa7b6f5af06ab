#include "ops/upgrade/upgrade_run.h"

#include <memory>
#include <system_error>

namespace ostrand {

// The places of a bounded batch: a row takes one before its worker starts
// and gives it back when its transfer has ended (or its worker has).
class UpgradeRun::Slots {
public:
    explicit Slots(std::size_t count) : free_(count) {}
    void Take() {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [this] { return free_ > 0; });
        --free_;
    }
    void Give() {
        {
            std::lock_guard lock(mutex_);
            ++free_;
        }
        freed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t free_;
};

class UpgradeRun::RowSink final : public UpgradeRowSink {
public:
    RowSink(UpgradeRun& run, std::size_t row, Slots* slots) : run_(run), row_(row), slots_(slots) {}
    ~RowSink() override { TransferEnded(); }
    RowSink(const RowSink&) = delete;
    RowSink& operator=(const RowSink&) = delete;
    void Status(const std::string& text, RowPhase phase) override { run_.Record(row_, text, phase); }
    void Progress(std::uint64_t sent, std::uint64_t total) override { run_.RecordProgress(row_, sent, total); }
    void Reason(const std::string& text) override { run_.observer_.OnReason(row_, text); }
    void TransferEnded() override {
        if (slots_ == nullptr) return;
        slots_->Give();
        slots_ = nullptr;
    }

private:
    UpgradeRun& run_;
    std::size_t row_;
    Slots* slots_;  // the place this row holds; null once given back
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

    auto slots = parallel_ == 0 ? nullptr : std::make_shared<Slots>(parallel_);
    watcher_ = std::thread([this, package, slots, batch = std::move(rows)] {
        std::vector<std::thread> workers;
        workers.reserve(batch.size());
        for (const std::size_t row : batch) {
            if (slots) slots->Take();
            try {
                workers.emplace_back([this, package, slots, row] {
                    RowSink sink(*this, row, slots.get());
                    RunUpgradeWorker(*package, devices_[row], sink);
                });
            } catch (const std::system_error&) {
                // No thread for this row: it fails instead of the batch.
                if (slots) slots->Give();
                Record(row, UpgradeStepText(UpgradeStep::WorkerFailed, package->kind), RowPhase::Failed);
            }
        }
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
