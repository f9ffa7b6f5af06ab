#pragma once
// The "please wait" window shown while an operation waits for devices. The
// operation runs on a worker thread; the window runs modally on the GUI thread
// until the operation ends, and only the operation's end closes it.

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

#include "ops/shell/progress_modes.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace ostrand {

class ProgressDlg : public QDialog {
    Q_OBJECT

public:
    explicit ProgressDlg(ProgressMode mode, QWidget* parent = nullptr);

    ProgressMode Mode() const { return mode_; }
    int Position() const { return position_; }
    QString Text() const;

    // One animation step (the window's 100 ms timer calls it).
    void Tick();
    // Ends the window with result 1; the only way it closes.
    void Finish();

    void reject() override;  // Esc does not close the window

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ProgressMode mode_;
    int position_ = 0;
    bool finishing_ = false;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QTimer* timer_ = nullptr;
};

// Runs `work` on a worker thread while a progress window of `mode` is shown,
// and returns once both have ended. An operation that ends before the window
// is up still closes it. An exception thrown by the work is rethrown here.
// Message boxes the work asks for are shown meanwhile (the window's event loop
// runs them). Close requests to `parent` are held until the work has ended.
// If the event loops are ended meanwhile (quit, session end), the GUI thread
// still serves events until the work ends, and the work's message boxes are
// then not shown (a question gets No): the GUI never waits for a worker that
// waits for it.
void RunWithProgress(QWidget* parent, ProgressMode mode, const std::function<void()>& work);

// Runs `work` on a worker thread while `window` takes no input, keeping the
// GUI responsive for repaints and message boxes. Close requests to `window`
// are held until the work has ended, then passed on; ending the event loops
// meanwhile behaves as for RunWithProgress.
//
// After half a second the window shows a busy line (ui/shell/busy_line.h)
// with `description` (what is done with which device, e.g. "正在读取
// 10.0.0.7 的网络参数"), the seconds so far and "取消". Cancel raises the
// stop the work runs under: its channel waits end at once and fail as for a
// device that does not answer, so the work ends as it does then. True when
// the user cancelled (the worker's ScopedStop tells which waits it ended).
bool RunModalWork(QWidget* window, const std::function<void()>& work, const QString& description = {});

// A busy line's description: "正在读取 %1 的网络参数" with the device's
// address for %1, in the interface language.
QString BusyDescription(const char* chinese, const char* english, const std::string& device);

}  // namespace ostrand
