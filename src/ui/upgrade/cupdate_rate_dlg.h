#pragma once
// The upgrade progress window: one row per device with its status text and
// upload progress, one worker per row, and Close only once every worker of the
// batch has ended. Rows that failed can be run again with "retry failed".
// Status writes reach the window through queued calls on the GUI thread, so a
// worker never touches a widget and nothing reaches a window that is gone.

#include <filesystem>
#include <memory>
#include <vector>

#include "ops/upgrade/upgrade_run.h"
#include "ui/shell/device_rows_window.h"

namespace ostrand {

class CUpdateRateDlg : public DeviceRowsWindow {
    Q_OBJECT
public:
    // The workers start once the window's event loop runs.
    CUpdateRateDlg(UpgradeKind kind, std::filesystem::path path, UpgradeVersions versions,
                   std::vector<UpgradeDevice> devices, QWidget* parent = nullptr);
    // Waits for workers still running (the window cannot be closed while they run).
    ~CUpdateRateDlg() override;

    bool WorkersRunning() const { return Running(); }

protected:
    void RetryFailed() override;

private:
    class Bridge;
    void StartBatch(std::vector<std::size_t> rows);
    void OnProgress(int row, qint64 sent, qint64 total);
    void OnBatchEnded();

    std::unique_ptr<Bridge> bridge_;
    std::unique_ptr<UpgradeRun> run_;  // after bridge_: destroyed first, waiting for its workers
};

}  // namespace ostrand
