#pragma once
// The window of a run on several devices at once (the upgrade window, the
// results window of a command run on several devices): one row per device —
// number, version, name, device number, IP, status, the hidden port and, for
// the upgrade, a progress bar — with "重试失败项" and "关闭", and nothing that
// closes it while a batch runs. Reports reach it through PostToWindow on the
// GUI thread, so a worker never touches a widget and nothing reaches a window
// that is gone.

#include <QDialog>
#include <QMetaObject>
#include <QPointer>

#include <cstdint>
#include <string>
#include <vector>

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ostrand {

// A row's texts as the device list holds them (GBK).
struct DeviceRowTexts {
    std::string version;
    std::string name;
    std::string deviceNumber;
    std::string ip;
    std::int32_t port = 0;
};

class DeviceRowsWindow : public QDialog {
public:
    enum Column { kColNum = 0, kColVersion, kColName, kColNumber, kColIp, kColStatus, kColPort, kColProgress };

    QTableWidget* List() const { return list_; }
    QPushButton* CloseButton() const { return close_; }
    QPushButton* RetryButton() const { return retry_; }
    QString StatusText(int row) const;
    // The row's progress bar; nullptr in a window without them.
    QProgressBar* ProgressBar(int row) const;

    void reject() override;  // Esc and the close box do nothing while a batch runs

protected:
    // `withProgress` adds the progress column; `size` is the window's first size.
    DeviceRowsWindow(const QString& title, const char* listName, const std::vector<DeviceRowTexts>& rows,
                     bool withProgress, QSize size, QWidget* parent);

    void closeEvent(QCloseEvent* event) override;
    // "重试失败项" was pressed (only offered when a row failed and nothing runs).
    virtual void RetryFailed() = 0;

    // `failed` shows the text in dark red.
    void SetStatus(int row, const QString& text, bool failed = false);
    void SetRunning(bool running, bool anyFailed);
    bool Running() const { return running_; }

private:
    QTableWidget* list_ = nullptr;
    QPushButton* retry_ = nullptr;
    QPushButton* close_ = nullptr;
    bool running_ = false;
};

// Runs `call(window)` on the GUI thread, unless the window is gone by then.
template <typename Window, typename Call>
void PostToWindow(Window* window, Call call) {
    QPointer<Window> guarded = window;
    QMetaObject::invokeMethod(
        window, [guarded, call] { if (guarded) call(*guarded); }, Qt::QueuedConnection);
}

}  // namespace ostrand
