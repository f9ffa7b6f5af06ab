#include "ui/upgrade/cupdate_rate_dlg.h"

#include <QProgressBar>
#include <QTimer>

#include "platform/app_state.h"

namespace ostrand {

// Hands the workers' reports to the window on the GUI thread. A report still
// queued when the window is gone is dropped (the window is the calls' context
// and is also checked through a guarded pointer).
class CUpdateRateDlg::Bridge final : public UpgradeObserver {
public:
    explicit Bridge(CUpdateRateDlg* dialog) : dialog_(dialog) {}
    void OnStatus(std::size_t row, const std::string& text, RowPhase /*phase*/) override {
        PostToWindow(dialog_, [row, text = QString::fromStdString(text)](CUpdateRateDlg& d) {
            d.SetStatus(static_cast<int>(row), text);
        });
    }
    void OnProgress(std::size_t row, std::uint64_t sent, std::uint64_t total) override {
        PostToWindow(dialog_, [row, sent, total](CUpdateRateDlg& d) {
            d.OnProgress(static_cast<int>(row), static_cast<qint64>(sent), static_cast<qint64>(total));
        });
    }
    void OnBatchEnded() override {
        PostToWindow(dialog_, [](CUpdateRateDlg& d) { d.OnBatchEnded(); });
    }

private:
    CUpdateRateDlg* dialog_;
};

namespace {

std::vector<DeviceRowTexts> RowTexts(const std::vector<UpgradeDevice>& devices) {
    std::vector<DeviceRowTexts> rows;
    for (const UpgradeDevice& d : devices) rows.push_back({d.version, d.name, d.deviceNumber, d.ip, d.port});
    return rows;
}

}  // namespace

CUpdateRateDlg::CUpdateRateDlg(UpgradeKind kind, std::filesystem::path path, UpgradeVersions versions,
                               std::vector<UpgradeDevice> devices, QWidget* parent)
    : DeviceRowsWindow(QString::fromUtf8(Tr("升级进度", "Update Progressing")), "list1162", RowTexts(devices), true,
                       QSize(1240, 420), parent),
      bridge_(std::make_unique<Bridge>(this)) {
    run_ = std::make_unique<UpgradeRun>(kind, std::move(versions), std::move(path), std::move(devices), *bridge_);
    SetRunning(true, false);  // nothing may close the window before the first batch has ended
    // The workers start from the event loop, once the window is up.
    QTimer::singleShot(0, this, [this] { StartBatch({}); });
}

CUpdateRateDlg::~CUpdateRateDlg() { run_.reset(); }

void CUpdateRateDlg::RetryFailed() {
    if (auto failed = run_->FailedRows(); !failed.empty()) StartBatch(std::move(failed));
}

void CUpdateRateDlg::StartBatch(std::vector<std::size_t> rows) {
    if (rows.empty() && run_->Devices().empty()) {
        SetRunning(false, false);
        return;
    }
    SetRunning(true, false);
    for (std::size_t row : rows) {
        if (QProgressBar* bar = ProgressBar(static_cast<int>(row))) bar->setValue(0);
    }
    if (!run_->Start(std::move(rows))) OnBatchEnded();
}

void CUpdateRateDlg::OnProgress(int row, qint64 sent, qint64 total) {
    if (QProgressBar* bar = ProgressBar(row)) bar->setValue(total > 0 ? static_cast<int>(sent * 1000 / total) : 0);
}

void CUpdateRateDlg::OnBatchEnded() { SetRunning(run_->Running(), !run_->FailedRows().empty()); }

}  // namespace ostrand
