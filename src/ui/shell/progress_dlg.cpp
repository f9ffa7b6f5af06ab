#include "ui/shell/progress_dlg.h"

#include "ui/shell/busy_line.h"
#include "ui/shell/gui_call.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <optional>

#include "platform/stop_signal.h"

namespace ostrand {

ProgressDlg::ProgressDlg(ProgressMode mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    // No system menu and no close button: the operation closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    const ProgressTexts texts = ProgressTextsFor(mode);
    setWindowTitle(QString::fromUtf8(texts.title));
    text_ = new QLabel(QString::fromUtf8(texts.text), this);
    text_->setObjectName("text1008");
    text_->setAttribute(Qt::WA_TranslucentBackground);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress1006");
    bar_->setRange(0, kProgressRange);
    bar_->setValue(0);
    bar_->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    setMinimumWidth(320);

    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(kProgressBackgroundRed, kProgressBackgroundGreen,
                                                 kProgressBackgroundBlue));
    setPalette(background);
    setAutoFillBackground(true);

    timer_ = new QTimer(this);
    timer_->setInterval(kProgressTickMs);
    connect(timer_, &QTimer::timeout, this, &ProgressDlg::Tick);
    timer_->start();
}

QString ProgressDlg::Text() const { return text_->text(); }

void ProgressDlg::Tick() {
    bar_->show();
    position_ = NextProgressPosition(mode_, position_);
    bar_->setValue(position_);
}

void ProgressDlg::Finish() {
    finishing_ = true;
    timer_->stop();
    done(1);
}

void ProgressDlg::reject() {
    if (finishing_) QDialog::reject();
}

void ProgressDlg::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

namespace {

// Runs the work on its own thread and notes, on the GUI thread, when it has
// ended.
class WorkThread {
public:
    explicit WorkThread(const std::function<void()>& work)
        : thread_(QThread::create([this, &work] {
              try {
                  work();
              } catch (...) {
                  error_ = std::current_exception();
              }
          })) {
        QObject::connect(thread_, &QThread::finished, &receiver_, [this] { ended_ = true; }, Qt::QueuedConnection);
    }
    ~WorkThread() {
        // Only after the work has ended (WaitWithoutBlocking), so this never
        // waits for a worker that waits for the GUI.
        thread_->wait();
        delete thread_;
    }
    WorkThread(const WorkThread&) = delete;
    WorkThread& operator=(const WorkThread&) = delete;

    QThread* Thread() const { return thread_; }
    bool Ended() const { return ended_; }

    // Returns once the work has ended. Normally that is known already; when
    // the nested loop was ended from outside (quit, session end) the GUI
    // thread keeps serving events until it is, while the worker's calls to
    // the GUI are refused so it cannot wait for a window nobody answers.
    void WaitWithoutBlocking() {
        if (ended_) return;
        RefuseGuiCalls refuse;
        while (!ended_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    void RethrowError() const {
        if (error_) std::rethrow_exception(error_);
    }

private:
    std::exception_ptr error_;
    QObject receiver_;
    bool ended_ = false;
    QThread* thread_;
};

// Holds back close requests to a window while its modal work runs (a disabled
// window still gets them) and passes the last one on when the work has ended.
class CloseHold final : public QObject {
public:
    explicit CloseHold(QWidget* window) : window_(window) {
        if (window_) window_->installEventFilter(this);
    }
    ~CloseHold() override {
        if (!window_) return;
        window_->removeEventFilter(this);
        if (held_) QMetaObject::invokeMethod(window_.data(), &QWidget::close, Qt::QueuedConnection);
    }
    CloseHold(const CloseHold&) = delete;
    CloseHold& operator=(const CloseHold&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_.data() || event->type() != QEvent::Close) return false;
        held_ = true;
        event->ignore();
        return true;
    }

private:
    QPointer<QWidget> window_;
    bool held_ = false;
};

// `window` when it is on screen; otherwise the window of its nearest ancestor
// that is (a dialog that reads before it is shown blocks the one it was opened
// from); nullptr when none is.
QWidget* VisibleWindowOf(QWidget* window) {
    if (window == nullptr || window->isVisible()) return window;
    for (QWidget* up = window->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (up->isVisible()) return up->window();
    }
    return nullptr;
}

}  // namespace

void RunWithProgress(QWidget* parent, ProgressMode mode, const std::function<void()>& work) {
    CloseHold hold(parent);
    // On the heap behind a guard: a parent that goes away takes its children.
    QPointer<ProgressDlg> dialog = new ProgressDlg(mode, parent);
    {
        WorkThread worker(work);
        // Queued: if the work ends before exec() runs, the event waits in the
        // queue and the window's own loop delivers it, so the window still closes.
        QObject::connect(worker.Thread(), &QThread::finished, dialog.data(), &ProgressDlg::Finish,
                         Qt::QueuedConnection);
        worker.Thread()->start();
        dialog->exec();
        worker.WaitWithoutBlocking();
        if (dialog) dialog->Finish();
        delete dialog.data();
        worker.RethrowError();
    }
}

bool RunModalWork(QWidget* window, const std::function<void()>& work, const QString& description) {
    // A dialog that reads before it is shown blocks the window it was opened
    // from: that one takes no input meanwhile and shows the busy line.
    QWidget* shown = VisibleWindowOf(window);
    QWidget* opener = shown != window ? shown : nullptr;
    QPointer<QWidget> guarded(window);
    QPointer<QWidget> guardedOpener(opener);
    CloseHold hold(window);
    CloseHold holdOpener(opener);
    const bool wasEnabled = window == nullptr || window->isEnabled();
    const bool openerWasEnabled = opener == nullptr || opener->isEnabled();
    if (window != nullptr) window->setEnabled(false);
    if (opener != nullptr) opener->setEnabled(false);
    StopSignal stop;
    // Every channel wait of the work sees the stop, whatever the work calls.
    const std::function<void()> stoppable = [&stop, &work] {
        ScopedStop installed(stop);
        work();
    };
    {
        WorkThread worker(stoppable);
        QEventLoop loop;
        QObject::connect(worker.Thread(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        // A window disabled already (work inside work) keeps its outer line.
        std::optional<ModalBusy> busy;
        if (shown != nullptr && (shown == window ? wasEnabled : openerWasEnabled)) {
            busy.emplace(shown, description, [&stop] { stop.Raise(); });
        }
        worker.Thread()->start();
        loop.exec();
        worker.WaitWithoutBlocking();
        busy.reset();
        if (QWidget* still = guardedOpener.data()) still->setEnabled(openerWasEnabled);
        if (QWidget* still = guarded.data()) still->setEnabled(wasEnabled);
        worker.RethrowError();
    }
    return stop.Raised();
}

}  // namespace ostrand
