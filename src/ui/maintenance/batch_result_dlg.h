#pragma once
// The results window of a command run on several devices at once (reboot,
// clock synchronisation): one row per device with its status text, Close
// only once every row of the batch has ended, and "重试失败项" running the
// failed rows again. Status writes reach the window through queued calls on
// the GUI thread, so a job never touches a widget and nothing reaches a
// window that is gone.

#include <memory>
#include <vector>

#include "ops/shell/device_batch.h"
#include "ui/shell/device_rows_window.h"

namespace ostrand {

class CBatchResultDlg : public DeviceRowsWindow {
    Q_OBJECT
public:
    // `title` and `runningText` are UTF-8. The jobs start once the window's
    // event loop runs.
    CBatchResultDlg(const QString& title, std::vector<BatchDevice> devices, BatchJob job, std::string runningText,
                    QWidget* parent = nullptr);
    // Waits for jobs still running (the window cannot be closed while they run).
    ~CBatchResultDlg() override;

    bool Running() const { return DeviceRowsWindow::Running(); }

protected:
    void RetryFailed() override;

private:
    class Bridge;
    void StartBatch(std::vector<std::size_t> rows);
    void OnBatchEnded();

    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<DeviceBatchRun> run_;  // after bridge_: destroyed first, waiting for its jobs
};

}  // namespace ostrand
