#include "ui/maintenance/batch_result_dlg.h"

#include <QTimer>

namespace ostrand {

// Hands the run's reports to the window on the GUI thread. A report still
// queued when the window is gone is dropped.
class CBatchResultDlg::Bridge final : public BatchObserver {
public:
    explicit Bridge(CBatchResultDlg* dialog) : dialog_(dialog) {}
    void OnStatus(std::size_t row, const BatchRowState& state) override {
        PostToWindow(dialog_, [row, text = QString::fromStdString(state.text), phase = state.phase](CBatchResultDlg& d) {
            d.SetStatus(static_cast<int>(row), text, phase == BatchPhase::Failed);
        });
    }
    void OnBatchEnded() override {
        PostToWindow(dialog_, [](CBatchResultDlg& d) { d.OnBatchEnded(); });
    }

private:
    CBatchResultDlg* dialog_;
};

namespace {

std::vector<DeviceRowTexts> RowTexts(const std::vector<BatchDevice>& devices) {
    std::vector<DeviceRowTexts> rows;
    for (const BatchDevice& d : devices) rows.push_back({d.version, d.name, d.deviceNumber, d.ip, d.port});
    return rows;
}

}  // namespace

// The upgrade window's rows, without its progress bars.
CBatchResultDlg::CBatchResultDlg(const QString& title, std::vector<BatchDevice> devices, BatchJob job,
                                 std::string runningText, QWidget* parent)
    : DeviceRowsWindow(title, "batchList", RowTexts(devices), false, QSize(1080, 360), parent),
      bridge_(std::make_unique<Bridge>(this)) {
    setObjectName("CBatchResultDlg");
    run_ = std::make_unique<DeviceBatchRun>(std::move(devices), std::move(job), std::move(runningText), *bridge_);
    SetRunning(true, false);  // nothing may close the window before the first batch has ended
    QTimer::singleShot(0, this, [this] { StartBatch({}); });
}

CBatchResultDlg::~CBatchResultDlg() { run_.reset(); }

void CBatchResultDlg::RetryFailed() {
    if (auto failed = run_->FailedRows(); !failed.empty()) StartBatch(std::move(failed));
}

void CBatchResultDlg::StartBatch(std::vector<std::size_t> rows) {
    SetRunning(true, false);
    if (!run_->Start(std::move(rows))) OnBatchEnded();
}

void CBatchResultDlg::OnBatchEnded() { SetRunning(run_->Running(), !run_->FailedRows().empty()); }

}  // namespace ostrand
