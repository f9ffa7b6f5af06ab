#pragma once
// The upgrade progress window: one row per device with its status text and
// upload progress, one worker per row, and Close only once every worker of the
// batch has ended. Rows that failed can be run again with "retry failed".
// Status writes reach the window through queued calls on the GUI thread, so a
// worker never touches a widget and nothing reaches a window that is gone.

#include <QDialog>

#include <filesystem>
#include <memory>
#include <vector>

#include "ops/upgrade/upgrade_run.h"

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ostrand {

class CUpdateRateDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { kColNum = 0, kColVersion, kColName, kColNumber, kColIp, kColStatus, kColPort, kColProgress };

    // The workers start once the window's event loop runs.
    CUpdateRateDlg(UpgradeKind kind, std::filesystem::path path, UpgradeVersions versions,
                   std::vector<UpgradeDevice> devices, QWidget* parent = nullptr);
    // Waits for workers still running (the window cannot be closed while they run).
    ~CUpdateRateDlg() override;

    QTableWidget* List() const { return list_; }
    QPushButton* CloseButton() const { return close_; }
    QPushButton* RetryButton() const { return retry_; }
    QProgressBar* ProgressBar(int row) const;
    QString StatusText(int row) const;
    bool WorkersRunning() const { return running_; }

    void reject() override;  // Esc and the close box do nothing while workers run

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Bridge;
    void StartBatch(std::vector<std::size_t> rows);
    void OnStatus(int row, const QString& text);
    void OnProgress(int row, qint64 sent, qint64 total);
    void OnBatchEnded();
    void SetRunning(bool running);

    QTableWidget* list_ = nullptr;
    QPushButton* retry_ = nullptr;
    QPushButton* close_ = nullptr;
    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<UpgradeRun> run_;  // after bridge_: destroyed first, waiting for its workers
    bool running_ = false;
};

}  // namespace ostrand
