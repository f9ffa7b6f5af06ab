#pragma once
// The results window of a command run on several devices at once (reboot,
// clock synchronisation): one row per device with its status text, Close
// only once every row of the batch has ended, and "重试失败项" running the
// failed rows again. Status writes reach the window through queued calls on
// the GUI thread, so a job never touches a widget and nothing reaches a
// window that is gone.

#include <QDialog>

#include <memory>
#include <vector>

#include "ops/shell/device_batch.h"

class QPushButton;
class QTableWidget;

namespace ostrand {

class CBatchResultDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { kColNum = 0, kColVersion, kColName, kColNumber, kColIp, kColStatus, kColPort };

    // `title` and `runningText` are UTF-8. The jobs start once the window's
    // event loop runs.
    CBatchResultDlg(const QString& title, std::vector<BatchDevice> devices, BatchJob job, std::string runningText,
                    QWidget* parent = nullptr);
    // Waits for jobs still running (the window cannot be closed while they run).
    ~CBatchResultDlg() override;

    QTableWidget* List() const { return list_; }
    QPushButton* CloseButton() const { return close_; }
    QPushButton* RetryButton() const { return retry_; }
    QString StatusText(int row) const;
    bool Running() const { return running_; }

    void reject() override;  // Esc and the close box do nothing while jobs run

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Bridge;
    void StartBatch(std::vector<std::size_t> rows);
    void OnStatus(int row, const QString& text, BatchPhase phase);
    void OnBatchEnded();
    void SetRunning(bool running);

    QTableWidget* list_ = nullptr;
    QPushButton* retry_ = nullptr;
    QPushButton* close_ = nullptr;
    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<DeviceBatchRun> run_;  // after bridge_: destroyed first, waiting for its jobs
    bool running_ = false;
};

}  // namespace ostrand
